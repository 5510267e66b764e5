#!/usr/bin/env bash
# Makes the test certificates (DER) in OUT_DIR with openssl. Keys are made
# fresh each time and deleted at the end: no private key is ever kept.
#   rsa.der          RSA 2048, self-signed, sha256WithRSAEncryption
#   p192.der ... p521.der, secp224k1.der, secp256k1.der, sm2.der
#                    those curves' keys in a certificate signed by the RSA key
#   p256-self.der, p521-self.der   self-signed with ECDSA (r, s signatures)
#   pss.der          RSA key, RSASSA-PSS signature
#   p256-explicit.der  P-256 key with explicit curve parameters
#   p256-compressed.der  P-256 key as a compressed point
set -euo pipefail
out=${1:?usage: make-test-certs.sh OUT_DIR}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
ossl() { openssl "$@" 2>/dev/null; }
subj=/CN=cxsetup-test

ossl req -x509 -newkey rsa:2048 -nodes -keyout rsa.key -subj "$subj-rsa" -days 3650 \
  -sha256 -outform DER -out "$out/rsa.der"
ossl x509 -inform DER -in "$out/rsa.der" -out rsa.pem
ossl req -new -key rsa.key -subj "$subj-csr" -out rsa.csr

# A certificate for the public key in $2 (PEM), signed by the RSA key.
with_key() {
  ossl x509 -req -in rsa.csr -CA rsa.pem -CAkey rsa.key -CAcreateserial -days 3650 \
    -sha256 -force_pubkey "$2" -outform DER -out "$out/$1.der"
}
for curve in prime192v1=p192 secp224r1=p224 prime256v1=p256 secp384r1=p384 secp521r1=p521 \
             secp224k1=secp224k1 secp256k1=secp256k1 SM2=sm2; do
  name=${curve#*=}
  ossl ecparam -name "${curve%=*}" -genkey -noout -out "$name.key"
  ossl ec -in "$name.key" -pubout -out "$name.pub"
  with_key "$name" "$name.pub"
done
ossl ec -in p256.key -pubout -conv_form compressed -out p256c.pub
with_key p256-compressed p256c.pub
ossl ec -in p256.key -pubout -param_enc explicit -out p256x.pub
with_key p256-explicit p256x.pub

for name in p256 p521; do
  ossl req -x509 -key "$name.key" -subj "$subj-$name" -days 3650 -sha256 -outform DER \
    -out "$out/$name-self.der"
done
ossl req -x509 -key rsa.key -subj "$subj-pss" -days 3650 -sha256 \
  -sigopt rsa_padding_mode:pss -outform DER -out "$out/pss.der"
