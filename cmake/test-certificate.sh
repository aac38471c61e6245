#!/usr/bin/env bash
# A self-signed code-signing certificate for test-signed builds, made once:
#   test-certificate.sh DIR
# writes DIR/Spanfinder-test-signing.pfx (key and certificate, the password in
# DIR/password.txt) and DIR/Spanfinder-test-signing.cer (the certificate alone, DER,
# what a test PC is told to trust). An existing pair is kept.
set -euo pipefail
dir=${1:?usage: test-certificate.sh DIR}
name=Spanfinder-test-signing
[ -s "$dir/$name.pfx" ] && [ -s "$dir/$name.cer" ] && exit 0
mkdir -p "$dir"
work=$(mktemp -d "$dir/.making-XXXXXX")
trap 'rm -rf "$work"' EXIT
openssl rand -hex 16 > "$work/password.txt"
openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 3650 \
  -subj "/CN=Spanfinder test signing (not trusted outside test PCs)" \
  -addext "basicConstraints=critical,CA:FALSE" \
  -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -name "Spanfinder test signing" \
  -passout "file:$work/password.txt" -out "$work/$name.pfx"
openssl x509 -in "$work/cert.pem" -outform der -out "$work/$name.cer"
chmod 600 "$work/$name.pfx" "$work/password.txt"
mv "$work/password.txt" "$dir/password.txt"
mv "$work/$name.cer" "$dir/$name.cer"
mv "$work/$name.pfx" "$dir/$name.pfx"
