#!/usr/bin/env bash
# The command blocks of README.md and docs/*.md marked as runnable, run as a reader
# pastes them: from the repository root, with the built tool on PATH (as README
# says to put it there), each block in one shell that stops at its first failing
# command. A block is marked by an HTML comment on the line before it (a blank
# line may come between), which Markdown does not show:
#
#   <!-- runnable -->          run; it must end with exit status 0
#   <!-- runnable: windows --> a command for Windows: not run here
#   <!-- runnable: slow -->    builds or installs (make demo, make test): not run here
#
# A block is a fenced one (```) or an indented one (four spaces). Whatever the
# blocks write (temporary folders, state folders, files) goes into a folder of
# this check's own, removed at the end.
#
# Usage: runnable_blocks.sh REPOSITORY BIN_FOLDER
set -uo pipefail
shopt -s nullglob
root="$(cd "$1" && pwd)"
bin="$(cd "$2" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/blocks" "$work/tmp" "$work/home"

for doc in "$root"/README.md "$root"/docs/*.md; do
  awk -v out="$work/blocks" -v doc="${doc#"$root"/}" '
    function finish() { if (file != "") close(file); file = ""; fenced = 0; indented = 0 }
    function start(kind) {
      file = sprintf("%s.%d.%s", doc, FNR, kind)
      gsub(/\//, "_", file)
      file = out "/" file
      pending = ""
    }
    BEGIN { pending = ""; file = "" }
    {
      if (fenced) { if ($0 ~ /^[ ]*```/) finish(); else print > file; next }
      if (indented) {
        if ($0 ~ /^    / ) { print substr($0, 5) > file; next }
        if ($0 ~ /^[ \t]*$/) { print "" > file; next }
        finish()
      }
      if (match($0, /^<!-- runnable(: (windows|slow))? -->[ \t]*$/)) {
        pending = ($0 ~ /windows/) ? "windows" : ($0 ~ /slow/) ? "slow" : "run"
        next
      }
      if (pending != "") {
        if ($0 ~ /^[ \t]*$/) next
        if ($0 ~ /^```/) { start(pending); fenced = 1; next }
        if ($0 ~ /^    /) { start(pending); indented = 1; print substr($0, 5) > file; next }
        printf "%s:%d: a runnable mark with no command block after it\n", doc, FNR > "/dev/stderr"
        print "" > (out "/MARK-WITHOUT-BLOCK")
        pending = ""
      }
    }
    END { finish() }' "$doc"
done

if [ -e "$work/blocks/MARK-WITHOUT-BLOCK" ]; then exit 1; fi

ran=0 skipped=0 failed=0
for block in "$work"/blocks/*; do
  name="$(basename "$block")"
  place="${name%.*}"       # README.md.123
  kind="${name##*.}"
  place="${place%.*}:${place##*.}"
  if [ "$kind" != run ]; then
    skipped=$((skipped + 1))
    continue
  fi
  ran=$((ran + 1))
  log="$work/log"
  (
    cd "$root" &&
      env PATH="$bin:$PATH" TMPDIR="$work/tmp" HOME="$work/home" XDG_STATE_HOME="$work/state" LC_ALL=C \
        bash -e -o pipefail "$block"
  ) >"$log" 2>&1
  status=$?
  if [ $status -ne 0 ]; then
    failed=$((failed + 1))
    echo "FAILED (exit status $status): the block at ${place//_//}:"
    sed 's/^/    /' "$block"
    echo "  its output:"
    sed 's/^/    /' "$log"
  fi
done
echo "runnable blocks: $ran run, $failed failed; $skipped marked for Windows or as slow, not run"
[ $failed -eq 0 ] && [ $ran -gt 0 ]
