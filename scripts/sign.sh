#!/usr/bin/env bash
# Signs Windows programs and DLLs in place with Authenticode (osslsigncode, SHA-256):
#
#   ZV_SIGN_CERT=cert.pem ZV_SIGN_KEY=key.pem scripts/sign.sh FILE...
#
#   ZV_SIGN_CERT            the code-signing certificate, with its chain, in PEM
#   ZV_SIGN_KEY             its private key, in PEM
#   ZV_SIGN_PASS_FILE       optional: a file holding the key's password
#   ZV_SIGN_TIMESTAMP_URL   optional: an RFC 3161 time-stamping server, so that the signatures
#                           stay valid after the certificate expires
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
me=$zv_me
[ $# -gt 0 ] || { echo "usage: ZV_SIGN_CERT=... ZV_SIGN_KEY=... $me FILE..." >&2; exit 2; }
for v in ZV_SIGN_CERT ZV_SIGN_KEY; do
  f=${!v:-}
  [ -n "$f" ] || { echo "$me: $v is not set: give the certificate and the key, both in PEM" >&2; exit 2; }
  [ -r "$f" ] || { echo "$me: $v=$f: cannot be read" >&2; exit 1; }
done
zv_need osslsigncode
args=(-certs "$ZV_SIGN_CERT" -key "$ZV_SIGN_KEY" -h sha256 -n ZorvanShapes)
[ -z "${ZV_SIGN_PASS_FILE:-}" ] || args+=(-readpass "$ZV_SIGN_PASS_FILE")
[ -z "${ZV_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$ZV_SIGN_TIMESTAMP_URL")
for file in "$@"; do
  if ! out=$(osslsigncode sign "${args[@]}" -in "$file" -out "$file.signed" 2>&1); then
    printf '%s\n' "$out" >&2
    rm -f "$file.signed"
    echo "$me: $file: signing failed (see above); the file was left unsigned" >&2
    exit 1
  fi
  mv "$file.signed" "$file"
done
