#!/usr/bin/env bash
# The release package of the Windows build:
#   make-dist.sh BIN_DIR OUT_DIR VERSION [TEST_CERTIFICATE]
# writes OUT_DIR/Spanfinder-VERSION-win64.zip with one folder, Spanfinder-VERSION-win64,
# holding the four signed files of BIN_DIR, the test certificate when the build is
# test-signed, INSTALL.txt (cmake/dist/, with CR LF line ends) and SHA256SUMS of
# them all. The same files give the same zip byte for byte: fixed order, and every
# entry dated with the newest of the four files. The zip is written under a
# temporary name and renamed, so that OUT_DIR never holds half a package.
set -euo pipefail
bin=$(cd "${1:?usage: make-dist.sh BIN_DIR OUT_DIR VERSION [TEST_CERTIFICATE]}" && pwd)
out=${2:?}
version=${3:?}
certificate=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
name=Spanfinder-$version-win64
files=(Spanfinder64.exe Cfgprobe64.dll Cfgprobe64.sys spanfinder.exe)

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d "$out/.making-XXXXXX")
trap 'rm -rf "$work"' EXIT
folder=$work/$name
mkdir "$folder"

for f in "${files[@]}"; do
  [ -f "$bin/$f" ] || { echo "make-dist.sh: $bin/$f is missing" >&2; exit 1; }
  cp "$bin/$f" "$folder/$f"
done
newest=$(cd "$bin" && stat -c %Y "${files[@]}" | sort -n | tail -1)

install_text() {
  sed "s/@VERSION@/$version/g" "$here/dist/INSTALL.txt"
  if [ -n "$certificate" ]; then
    local thumbprint
    thumbprint=$(openssl x509 -in "$certificate" -inform der -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')
    echo
    sed "s/@THUMBPRINT@/$thumbprint/g" "$here/dist/INSTALL-test-signing.txt"
  fi
}
install_text | sed 's/$/\r/' > "$folder/INSTALL.txt"
listed=("${files[@]}")
if [ -n "$certificate" ]; then
  cp "$certificate" "$folder/Spanfinder-test-signing.cer"
  listed+=(Spanfinder-test-signing.cer)
fi
listed+=(INSTALL.txt)
(cd "$folder" && sha256sum "${listed[@]}") > "$folder/SHA256SUMS"
listed+=(SHA256SUMS)

# zip -X: no extra fields (owners, access times), only name, date, size and data.
for f in "${listed[@]}"; do
  chmod 644 "$folder/$f"
  touch -d "@$newest" "$folder/$f"
done
(cd "$work" && TZ=UTC zip -X -q -9 package.zip "${listed[@]/#/$name/}")
mv "$work/package.zip" "$out/$name.zip"
echo "$out/$name.zip"
