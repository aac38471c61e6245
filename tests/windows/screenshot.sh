#!/usr/bin/env bash
# The screenshots of docs/: the main dialog of Spanfinder64.exe after a Search, in
# English and in Japanese, under Wine on a virtual X display.
#   screenshot.sh BUILD_DIR [OUT_DIR]    (OUT_DIR: docs/ of the source tree)
# Each language gets a Wine prefix of its own under BUILD_DIR, made afresh, with
# Wine's virtual desktop (so that Wine draws the windows' frames itself, as no
# window manager runs), the stand-in msinfo32 and the fonts the dialog names.
# screenshot_driver.exe runs the Search on the KB20 stand-in library and says
# where the dialog is; `import` takes that part of the display.
set -euo pipefail
build=$(cd "${1:?usage: screenshot.sh BUILD_DIR [OUT_DIR]}" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mkdir -p "${2:-$source/docs}" && cd "${2:-$source/docs}" && pwd)

# What it needs beyond the Windows build's packages: import (imagemagick), and
# the Japanese locale definitions (locales) for a Japanese Wine.
missing=()
for p in imagemagick locales xvfb fonts-wine fonts-ipafont-gothic wine64; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# ja_JP.UTF-8 compiled into the work folder (LOCPATH), so that no system locale
# has to be set up; Wine takes its user-interface language from it.
mkdir -p "$work/locale"
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >/dev/null 2>&1 || [ -d "$work/locale/ja_JP.UTF-8" ]

# The prefix's settings: the virtual desktop, and fonts for the faces the dialog and
# its result box name: the dialog's "MS UI Gothic" is a proportional Japanese face
# (IPAPGothic), the Japanese result box's "ＭＳ ゴシック" a monospaced one
# (IPAGothic), the English result box's "Courier New" a monospaced Latin one. UTF-16 with a byte-order mark, as regedit reads any text.
{
  printf '\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="640x720"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  printf '"MS UI Gothic"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n"Courier New"="DejaVu Sans Mono"\r\n'
} | iconv -f UTF-8 -t UTF-16LE > "$work/setup.reg"

# A display of its own: the first free number from 90 on.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;msinfo32.exe=n"
unset LC_ALL LC_MESSAGES

shoot() {  # shoot LANGUAGE LANG_VALUE
  local language=$1
  export LANG=$2 LOCPATH="$work/locale"
  export WINEPREFIX="$build/screenshot-prefix-$language"
  rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  "$server" -w
  "$wine" regedit /S "Z:${work//\//\\}\\setup.reg" >/dev/null 2>&1
  "$server" -w
  cp "$build/bin/stand-ins/msinfo32.exe" "$WINEPREFIX/drive_c/windows/system32/msinfo32.exe"
  # Wine's own faces (Tahoma for captions and message boxes, Marlett for the frame's
  # buttons), which this Wine finds only in the prefix's Fonts folder.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

  local place="$work/place-$language.txt"
  rm -f "$place" "$place.done"
  "$wine" "$build/bin/screenshot_driver.exe" "Z:${place//\//\\}" &
  local driver=$!
  for _ in $(seq 600); do [ -s "$place" ] && break; sleep 0.1; done
  [ -s "$place" ] || { echo "screenshot.sh: $language: the dialog did not come up" >&2; return 1; }
  read -r x y width height < "$place"
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "$out/screenshot-$language.png"
  touch "$place.done"
  local status=0
  wait "$driver" || status=$?
  "$server" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  [ "$status" -eq 0 ] || { echo "screenshot.sh: $language: the Search did not come through" >&2; return 1; }
  echo "$out/screenshot-$language.png"
}

shoot en C
shoot ja ja_JP.UTF-8
