#!/usr/bin/env bash
# The main job: the program's own Search on the embedded demo machine, then on two
# of the example machines with other outcomes. Everything is written into a
# temporary folder (the machines' drives and the INI files), removed at the end.
set -euo pipefail
tool="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C

run() {  # run TITLE MACHINE [OPTION...]: one line saying what is shown, then the Search
  local title="$1" machine="$2"
  shift 2
  echo
  echo "== $title"
  "$tool" search --machine "$machine" --state "$work/state-$machine" "$@" || echo "(exit status $?)"
}

run "The demo machine: a KB20 board; its Search lists ten 6 MB blocks and writes KB20.ini" demo
if [ -f KB20.ini ]; then
  echo "-- KB20.ini as written:"
  iconv -f UTF-16LE -t UTF-8 KB20.ini | tr -d '\r' | sed 's/^/   /'
fi
run "A KB20 whose SATA controller is a problem device, Space Size 10000000 (256 MB): 503 without 509" \
  problem-device --size 10000000
run "A machine without the board on its PCI bus: the Search stops with 504" no-board
