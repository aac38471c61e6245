#!/usr/bin/env bash
# Runs the Windows checks of a cross build under Wine:
#   run-under-wine.sh BUILD_DIR [FILTER]
# Each run gets a Wine prefix of its own under BUILD_DIR, made afresh, with the null
# graphics driver, so that dialogs and message boxes exist without a display.
set -euo pipefail
build=$(cd "${1:?usage: run-under-wine.sh BUILD_DIR [FILTER]}" && pwd)
shift
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
status=0
"$wine" "$build/bin/spanfinder_windows_tests.exe" "$@" || status=$?
"$server" -k 2>/dev/null || true
exit $status
