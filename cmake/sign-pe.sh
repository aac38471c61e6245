#!/usr/bin/env bash
# Signs one PE file in place (Authenticode, SHA-256):
#   sign-pe.sh OSSLSIGNCODE FILE PFX PASSWORD_FILE
# A file that is signed already gets its signature replaced. The signed file comes
# with its PE checksum recomputed; it replaces FILE only once it is written whole.
# With SOURCE_DATE_EPOCH set, that is the signing time, so that a build can be repeated
# byte for byte.
set -euo pipefail
osslsigncode=$1 file=$2 pfx=$3 password_file=$4
work=$(mktemp -d "$(dirname "$file")/.signing-XXXXXX")
trap 'rm -rf "$work"' EXIT
input=$file
if "$osslsigncode" extract-signature -in "$file" -out "$work/old.sig" >/dev/null 2>&1; then
  "$osslsigncode" remove-signature -in "$file" -out "$work/unsigned" >/dev/null
  input=$work/unsigned
fi
time_option=()
[ -n "${SOURCE_DATE_EPOCH:-}" ] && time_option=(-time "$SOURCE_DATE_EPOCH")
if ! "$osslsigncode" sign -pkcs12 "$pfx" -readpass "$password_file" -h sha256 -n Spanfinder \
     "${time_option[@]}" -in "$input" -out "$work/signed" >"$work/log" 2>&1; then
  cat "$work/log" >&2
  echo "sign-pe.sh: $file could not be signed" >&2
  exit 1
fi
chmod --reference="$file" "$work/signed"
mv "$work/signed" "$file"
