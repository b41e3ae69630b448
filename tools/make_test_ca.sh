#!/usr/bin/env bash
# Makes the certificates the tests and the demo serve, all inside OUTDIR (a build folder):
#   ca.key ca.pem ca.der                 test CA (trusted inside the test Wine prefix only)
#   server.pem/.key                      update.corvane.com, issued by the test CA
#   wronghost.pem/.key                   another host name (other.corvane.test), same CA
#   expired.pem/.key                     update.corvane.com, expired, same CA
#   untrusted-ca.pem untrusted.pem/.key  update.corvane.com, issued by a CA nobody trusts
#   codesign.pem/.key                    a code-signing certificate, issued by the test CA
# Safe to run again: an OUTDIR that is complete is left as it is.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
out=$1
host=update.corvane.com
outputs=(ca.key ca.pem ca.der server.pem server.key wronghost.pem wronghost.key
  expired.pem expired.key untrusted-ca.pem untrusted.pem untrusted.key codesign.pem codesign.key)

complete=1
for f in "${outputs[@]}"; do [ -s "$out/$f" ] || complete=0; done
[ $complete -eq 1 ] && exit 0

mkdir -p "$out"
work=$(mktemp -d "$out/.make-ca.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A minimal CA configuration: `openssl ca` is used because it takes explicit validity dates.
make_ca_dir() {  # name
  local dir=$work/$1
  mkdir -p "$dir/issued"
  : >"$dir/index.txt"
  cat >"$dir/ca.cnf" <<EOF
[ ca ]
default_ca = test_ca
[ test_ca ]
dir = $dir
database = \$dir/index.txt
new_certs_dir = \$dir/issued
serial = \$dir/serial
default_md = sha256
policy = any_policy
unique_subject = no
copy_extensions = none
email_in_dn = no
[ any_policy ]
commonName = supplied
organizationName = optional
[ ca_ext ]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[ leaf_ext ]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = DNS:\${ENV::LEAF_DNS}
[ codesign_ext ]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
EOF
  openssl rand -hex 8 >"$dir/serial"
}

new_key() {  # file
  openssl genrsa -out "$1" 2048 2>/dev/null
}

make_ca() {  # name common-name key-out pem-out
  make_ca_dir "$1"
  new_key "$3"
  openssl req -new -key "$3" -subj "/O=Corvane Tests/CN=$2" -out "$work/$1/ca.csr"
  LEAF_DNS=unused openssl ca -batch -notext -selfsign -config "$work/$1/ca.cnf" \
    -keyfile "$3" -in "$work/$1/ca.csr" -out "$4" -extensions ca_ext \
    -startdate 20200101000000Z -enddate 20491231000000Z 2>/dev/null
}

issue() {  # ca-name ca-key ca-pem dns start end key-out pem-out [extensions]
  new_key "$7"
  openssl req -new -key "$7" -subj "/CN=$4" -out "$work/leaf.csr"
  LEAF_DNS=$4 openssl ca -batch -notext -config "$work/$1/ca.cnf" -keyfile "$2" -cert "$3" \
    -in "$work/leaf.csr" -out "$8" -extensions "${9:-leaf_ext}" -startdate "$5" -enddate "$6" 2>/dev/null
}

# Valid leaves start a day back so that a clock a little behind still accepts them.
start=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ)
end=$(date -u -d '+2 years' +%Y%m%d%H%M%SZ)

make_ca test "Corvane Test CA" "$work/ca.key" "$work/ca.pem"
openssl x509 -in "$work/ca.pem" -outform DER -out "$work/ca.der"
issue test "$work/ca.key" "$work/ca.pem" "$host" "$start" "$end" "$work/server.key" "$work/server.pem"
issue test "$work/ca.key" "$work/ca.pem" other.corvane.test "$start" "$end" \
  "$work/wronghost.key" "$work/wronghost.pem"
issue test "$work/ca.key" "$work/ca.pem" "$host" 20210101000000Z 20220101000000Z \
  "$work/expired.key" "$work/expired.pem"
issue test "$work/ca.key" "$work/ca.pem" "Corvane Test Signer" "$start" "$end" \
  "$work/codesign.key" "$work/codesign.pem" codesign_ext
make_ca untrusted "Corvane Untrusted CA" "$work/untrusted-ca.key" "$work/untrusted-ca.pem"
issue untrusted "$work/untrusted-ca.key" "$work/untrusted-ca.pem" "$host" "$start" "$end" \
  "$work/untrusted.key" "$work/untrusted.pem"

chmod 600 "$work"/*.key
for f in "${outputs[@]}"; do mv -f "$work/$f" "$out/$f"; done
