#!/usr/bin/env bash
# The main job for now: analyse the sample system report the repository ships,
# for a KB20 board, and show the INI file it writes (into a temporary folder).
set -euo pipefail
tool="$1"
here="$(cd "$(dirname "$0")/.." && pwd)"
report="$here/sim/demo/msinfo.txt"
inidir="$(mktemp -d)"
trap 'rm -rf "$inidir"' EXIT

echo "== spanfinder analyze (KB20, board memory 0xF7E00000, board I/O 0xE001)"
status=0
"$tool" analyze "$report" --board KB20 --memory-address F7E00000 --io-address 0xE001 \
  --language en --ini-dir "$inidir" || status=$?
echo "== exit status $status"

echo "== $inidir/KB20.ini"
if [ -f "$inidir/KB20.ini" ]; then
  iconv -f UTF-16LE -t UTF-8 "$inidir/KB20.ini" | tr -d '\r'
fi

echo "== the same machine with a Japanese user interface (a problem device names the board's controller)"
"$tool" analyze "$here/sim/demo/msinfo-ja.txt" --board KB20 --memory-address F7E00000 --io-address 0xE001 \
  --language ja --ini-dir "$inidir" || status=$?
exit "$status"
