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
log=$(mktemp)
trap 'rm -f "$signed" "$log"' EXIT
args=(sign -h sha256 -certs "$cert" -key "$key" -n "$(basename "$file")" -in "$file" -out "$signed")
[ -z "$url" ] || args+=(-ts "$url")
# osslsigncode refuses to overwrite its output.
rm -f "$signed"
# A failure is one line saying why: osslsigncode's own output runs to a
# dozen lines of OpenSSL's error queue.
if ! osslsigncode "${args[@]}" >"$log" 2>&1; then
  if grep -q 'timestamping failed\|Failed to get data' "$log"; then
    reason="the time-stamp server $url did not answer"
  elif grep -q 'consistency of a private key' "$log"; then
    reason="the key $key does not belong to the certificate $cert"
  else
    reason=$(grep -v -e ':error:' -e '^Connecting to' -e '^Failed$' -e '^ *$' "$log" | head -n 1)
  fi
  echo "sign-setup: $file: not signed: ${reason:-osslsigncode failed}" >&2
  exit 1
fi
mv -f "$signed" "$file"
trap - EXIT
echo "signed $file (Authenticode, SHA-256${url:+, time-stamped by $url})"
