#!/usr/bin/env bash
# Signs a setup program with Authenticode (SHA-256 digest) through Debian's
# osslsigncode, in place. The uninstaller the setup installs is a byte copy
# of the signed file, so it stays signed too.
#
# usage: tools/sign-setup.sh SETUP.EXE CERT KEY [TIMESTAMP_URL]
#   CERT  the signing certificate (PEM or DER; may hold the chain)
#   KEY   its private key (PEM or DER, unencrypted)
#   TIMESTAMP_URL  an RFC 3161 time-stamping service (optional), so the
#                  signature stays valid after the certificate expires
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 SETUP.EXE CERT KEY [TIMESTAMP_URL]" >&2
  exit 2
fi
file=$1 cert=$2 key=$3 url=${4:-}
for f in "$file" "$cert" "$key"; do
  [ -f "$f" ] || { echo "sign-setup: no such file: $f" >&2; exit 2; }
done
command -v osslsigncode >/dev/null || { echo "sign-setup: osslsigncode is missing (make deps)" >&2; exit 2; }

signed=$(mktemp "$(dirname "$file")/.signing.XXXXXX")
trap 'rm -f "$signed"' EXIT
args=(sign -h sha256 -certs "$cert" -key "$key" -n "$(basename "$file")" -in "$file" -out "$signed")
[ -z "$url" ] || args+=(-ts "$url")
# osslsigncode refuses to overwrite its output.
rm -f "$signed"
osslsigncode "${args[@]}" >/dev/null
mv -f "$signed" "$file"
trap - EXIT
echo "signed $file (Authenticode, SHA-256${url:+, time-stamped by $url})"
