#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time and fails on any
# finding (a crash, a sanitizer report, a broken promise, a leak, a hang or an
# input that takes too long).
#   fuzz/run.sh BUILD_DIR [TARGET...]     FUZZ_SECONDS per target (default 60)
#
# A target starts from its seeds (fuzz/corpus/<name>, never written to) and the
# inputs earlier runs found (BUILD_DIR/fuzz-corpus/<name>); findings go to
# BUILD_DIR/fuzz-findings/<name>/. At the end one line per target gives its
# executions per second and its coverage (libFuzzer's cov and ft).
set -uo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [TARGET...]}
shift
seconds=${FUZZ_SECONDS:-60}
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in "$here"/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

summary=()
failed=0
for name in "${targets[@]}"; do
  program="$build/bin/${name}_fuzzer"
  corpus="$build/fuzz-corpus/$name"
  findings="$build/fuzz-findings/$name"
  log="$build/fuzz-findings/$name.log"
  mkdir -p "$corpus" "$findings"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/")
  [ -f "$here/$name.dict" ] && options+=(-dict="$here/$name.dict")
  echo "== $name: $seconds s"
  "$program" "${options[@]}" "$corpus" "$here/corpus/$name" >"$log" 2>&1
  status=$?
  # The last status line: "#N DONE cov: C ft: F corp: ... exec/s: E rss: ..."
  line=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1)
  field() { sed -nE "s|.* $1: ([0-9]+).*|\1|p" <<<"$line"; }
  runs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$line")
  summary+=("$(printf '%-16s %10s runs %8s exec/s  cov %6s  ft %6s  %s' "$name" "${runs:-?}" "$(field exec/s)" \
    "$(field cov)" "$(field ft)" "$([ $status -eq 0 ] && echo ok || echo FINDING)")")
  if [ $status -ne 0 ]; then
    failed=1
    echo "!! $name found a fault (exit $status); its input is in $findings, the log in $log:"
    grep -E 'ERROR|SUMMARY|broken promise|runtime error|Test unit written' "$log" | head -20
  fi
done

echo "== fuzz summary ($seconds s per target)"
printf '%s\n' "${summary[@]}"
exit $failed
