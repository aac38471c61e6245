#!/usr/bin/env bash
# The main job on the embedded demo machine.
set -euo pipefail
tool="$1"
"$tool" --help
