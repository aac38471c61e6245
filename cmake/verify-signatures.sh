#!/usr/bin/env bash
# Checks the signatures of signed PE files against a certificate:
#   verify-signatures.sh CERTIFICATE FILE...
# Each file must carry an Authenticode signature that osslsigncode verifies up to
# CERTIFICATE (DER or PEM; for a test-signed build the test certificate itself), and
# a correct PE checksum. Exit status 1 names every file that fails.
set -uo pipefail
certificate=${1:?usage: verify-signatures.sh CERTIFICATE FILE...}
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# osslsigncode takes the trusted certificates as PEM (a bundle of them as it is).
if grep -q -- "-----BEGIN CERTIFICATE" "$certificate" 2>/dev/null; then
  cp "$certificate" "$work/trusted.pem"
elif ! openssl x509 -in "$certificate" -inform der -out "$work/trusted.pem" 2>/dev/null; then
  echo "verify-signatures.sh: $certificate is no certificate" >&2
  exit 1
fi
failed=0
for file in "$@"; do
  name=$(basename "$file")
  if ! osslsigncode verify -CAfile "$work/trusted.pem" -in "$file" >"$work/out" 2>&1; then
    echo "$name: signature not verified:" >&2
    sed 's/^/  /' "$work/out" >&2
    failed=1
    continue
  fi
  current=$(sed -n 's/^Current PE checksum *: *\([0-9A-Fa-f]*\).*/\1/p' "$work/out")
  calculated=$(sed -n 's/^Calculated PE checksum *: *\([0-9A-Fa-f]*\).*/\1/p' "$work/out")
  if grep -qiE "invalid PE checksum|mismatch" "$work/out" ||
     { [ -n "$current$calculated" ] && [ "${current^^}" != "${calculated^^}" ]; } ||
     ! grep -q "PE checksum" "$work/out"; then
    echo "$name: PE checksum not correct (stored ${current:-?}, calculated ${calculated:-?})" >&2
    failed=1
    continue
  fi
  grep -q "^Signature verification: ok" "$work/out" || { echo "$name: no verified signature" >&2; failed=1; continue; }
  echo "$name: signature verified, PE checksum correct"
done
exit $failed
