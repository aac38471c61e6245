#!/usr/bin/env bash
# Replays a profile that spanfinder.exe captured under Wine with the native tool:
#   capture-cross-check.sh NATIVE_TOOL FOLDER
# FOLDER (left by tool_capture_test.cpp) holds model-pc.json, the capture of the
# model PC, and what Spanfinder64.exe's own Search on that model showed for the
# KB20 with Space Size C00000: program-search.txt (the result box's blocks, then
# the message boxes' texts, one a line) and program-KB20.ini. The native search
# on the profile must give the same blocks, messages and INI file.
set -euo pipefail
tool=$(realpath "$1")
folder=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
status=0
"$tool" search --machine "$folder/model-pc.json" --state "$work/state" --board KB20 --size C00000 --all \
  >out.txt 2>err.txt || status=$?
{
  grep -E '^0x[0-9A-F]{8}-0x[0-9A-F]{8}$' out.txt || true
  sed -nE 's/^[0-9]{3,4}: //p' out.txt
} >replayed.txt
if ! diff -u "$folder/program-search.txt" replayed.txt; then
  echo "capture-cross-check.sh: the replay (exit status $status) differs from the program's Search" >&2
  cat err.txt >&2
  exit 1
fi
cmp "$folder/program-KB20.ini" KB20.ini
