#!/usr/bin/env bash
# Runs the Windows checks of a cross build under Wine:
#   run-under-wine.sh BUILD_DIR [FILTER]
# The shipped files come from the release package (make dist), unpacked afresh into
# BUILD_DIR/package; their signatures are verified first. Each run gets a Wine prefix
# of its own under BUILD_DIR, made afresh, with the null graphics driver, so that
# dialogs and message boxes exist without a display.
set -euo pipefail
build=$(cd "${1:?usage: run-under-wine.sh BUILD_DIR [FILTER]}" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cached CMAKE_PROJECT_VERSION)
zip=$(cached SPANFINDER_DIST_DIR)/Spanfinder-$version-win64.zip
[ -f "$zip" ] || { echo "run-under-wine.sh: no release package $zip (make dist)" >&2; exit 1; }
rm -rf "$build/package"
mkdir -p "$build/package"
(cd "$build/package" && cmake -E tar xf "$zip")
package=$build/package/Spanfinder-$version-win64
shipped=(Spanfinder64.exe Cfgprobe64.dll Cfgprobe64.sys spanfinder.exe)
# The signatures, against the certificate the build signs with: the test certificate,
# or for a maintainer's certificate the system's trusted ones.
if [ -z "$(cached SIGN_PFX)" ]; then
  certificate=$build/test-signing/Spanfinder-test-signing.cer
else
  certificate=/etc/ssl/certs/ca-certificates.crt
fi
echo "[ RUN      ] Signatures.EveryShippedFileVerifies"
if bash "$here/../../cmake/verify-signatures.sh" "$certificate" "${shipped[@]/#/$package/}"; then
  echo "[       OK ] Signatures.EveryShippedFileVerifies"
  signatures=0
else
  echo "[  FAILED  ] Signatures.EveryShippedFileVerifies"
  signatures=1
fi
export SPANFINDER_PACKAGE="Z:${package//\//\\}"

wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEPREFIX=$build/wine-prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine installers; msinfo32 is the stand-in's (native), not Wine's own.
export WINEDLLOVERRIDES="mscoree,mshtml=;msinfo32.exe=n"
export LANG=C                              # an English user interface
export LC_CTYPE=C.UTF-8                    # host file names of any characters (the checks make some)
unset LC_ALL LC_MESSAGES DISPLAY
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
"$server" -w
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
"$server" -w
# The system-information tool the program runs: a stand-in that writes a fixed report.
cp "$build/bin/stand-ins/msinfo32.exe" "$WINEPREFIX/drive_c/windows/system32/msinfo32.exe"
status=$signatures
ran=0
run_checks() {  # run_checks [VARIABLE=VALUE...]: one run of the checks in that environment
  local code=0
  env "$@" "$wine" "$build/bin/spanfinder_windows_tests.exe" "${filter[@]}" || code=$?
  case $code in
    0) ran=1 ;;
    3) ;;  # no check of that language matched the filter
    *) status=1 ;;
  esac
}
filter=("$@")
run_checks
# The profile spanfinder.exe captured of the model PC (tool_capture_test.cpp), replayed
# by the native tool: the same blocks, messages and INI file as the program's Search.
captured=$(find "$WINEPREFIX/drive_c" -path '*/spanfinder-checks/tool-capture/model-pc.json' 2>/dev/null | head -n 1)
if [ -n "$captured" ]; then
  native=${SPANFINDER_NATIVE_TOOL:-$here/../../build/native/bin/spanfinder}
  echo "[ RUN      ] CaptureCrossCheck.TheNativeReplayGivesTheProgramsSearch"
  if [ ! -x "$native" ]; then
    echo "[  SKIPPED ] CaptureCrossCheck.TheNativeReplayGivesTheProgramsSearch (no native tool $native: make build)"
  elif bash "$here/capture-cross-check.sh" "$native" "$(dirname "$captured")"; then
    echo "[       OK ] CaptureCrossCheck.TheNativeReplayGivesTheProgramsSearch"
  else
    echo "[  FAILED  ] CaptureCrossCheck.TheNativeReplayGivesTheProgramsSearch"
    status=1
  fi
fi
# The checks that expect a Japanese user interface, in a run of their own: Wine takes
# a process's user-interface language from the locale of its environment, here
# ja_JP.UTF-8, compiled once into BUILD_DIR/locale.
if [ ! -d "$build/locale/ja_JP.UTF-8" ]; then
  mkdir -p "$build/locale"
  localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" >/dev/null 2>&1 || [ -d "$build/locale/ja_JP.UTF-8" ]
fi
run_checks LANG=ja_JP.UTF-8 LC_CTYPE=ja_JP.UTF-8 LOCPATH="$build/locale"
[ $ran -eq 1 ] || { echo "run-under-wine.sh: no check matched ${filter[*]}" >&2; status=1; }
"$server" -k 2>/dev/null || true
exit $status
