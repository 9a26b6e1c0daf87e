#!/usr/bin/env bash
# The deployment profiles as CMake checks them: each case is configured in a fresh folder and must be
# accepted, or refused with its reason.
#   deployment_test.sh <source dir> <certificates folder>
set -euo pipefail
source=$1 certs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' "-----BEGIN CERTIFICATE-----" "$(grep -v -- ----- "$certs/untrusted.pem")" "-----END CERTIFICATE-----" \
  > "$work/own-ca.pem"
# The sandbox's CA with other line endings and beside another certificate is still the sandbox's; so are
# the same indented or with trailing spaces, another tree's, one re-issued from this tree's key, and any
# CA that vouches for loopback names only.
{ cat "$work/own-ca.pem"; sed 's/$/\r/' "$certs/ca.pem"; } > "$work/with-sandbox-ca.pem"
sed 's/^/   /; s/$/  /' "$certs/ca.pem" > "$work/indented-sandbox-ca.pem"
new_ca() { # file, then openssl req options
  local file=$1; shift
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -keyout "$work/$file.key" -out "$work/$file" "$@" 2>/dev/null
}
new_ca other-tree-ca.pem -subj "/O=Module_Varno sandbox/CN=Module_Varno sandbox CA" -config "$certs/ca.cnf" -extensions ca
new_ca loopback-only-ca.pem -subj "/CN=Loopback CA" -addext "nameConstraints=critical,permitted;IP:127.0.0.0/255.0.0.0"
openssl req -x509 -key "$certs/ca.key" -days 1 -subj "/CN=Re-issued CA" -out "$work/same-key-ca.pem" 2>/dev/null

# A bundle the check cannot read whole, the sandbox's CA before or after what it cannot read: a block that
# is no certificate, a CRL, an encrypted block (a pass phrase asked at run time), a NUL byte.
printf '%s\n' "-----BEGIN CERTIFICATE-----" "TUlJQm9nSUJBQUtCZ1FD" "-----END CERTIFICATE-----" > "$work/malformed.part"
printf '%s\n' "-----BEGIN X509 CRL-----" "TUlJQm9nSUJBQUtCZ1FD" "-----END X509 CRL-----" > "$work/crl.part"
sed 's/^-----BEGIN CERTIFICATE-----$/&\nProc-Type: 4,ENCRYPTED\nDEK-Info: AES-128-CBC,00112233445566778899AABBCCDDEEFF\n/' \
  "$work/own-ca.pem" > "$work/encrypted.part"
printf 'x\0\n' > "$work/nul.part"
for part in malformed crl encrypted nul; do
  cat "$work/$part.part" "$certs/ca.pem" > "$work/$part-before.pem"
  cat "$certs/ca.pem" "$work/$part.part" > "$work/$part-after.pem"
done
# Comments between blocks, as public bundles carry them, are read past.
{ echo "Own CA"; echo "======"; cat "$work/own-ca.pem"; echo "# end"; } > "$work/commented.pem"

prod=(-DVARNO_DEPLOYMENT=production -DVARNO_GATEWAY_URL=https://passerelle.varno.example/gw
      -DVARNO_API_URL=https://api.varno.example:8444/cfg -DVARNO_API_USER=prod@varno.example
      -DVARNO_API_PASSWORD=Prod-Pass#2026! -DVARNO_ISSUER_KEY=0123456789abcdef0123456789abcdef)
failures=0 count=0
check() { # expected (ok, or a part of the refusal), then the settings
  local expected=$1; shift
  count=$((count + 1))
  local output status=0
  output=$(cmake -S "$source/tests/cmake/deployment" -B "$work/case$count" -DVARNO_SOURCE_DIR="$source" \
    -DCERT_DIR="$certs" "$@" 2>&1) || status=$?
  output=$(tr -s '\n ' '  ' <<< "$output") # CMake wraps its messages
  if { [ "$expected" = ok ] && [ "$status" != 0 ]; } || { [ "$expected" != ok ] && ! grep -qF -- "$expected" <<< "$output"; }; then
    echo "case $count ($*): expected '$expected', status $status: $output"
    failures=$((failures + 1))
  fi
}
check ok
check "sandbox-ca=TRUE" 
check ok "${prod[@]}" -DVARNO_CA_BUNDLE=
check ok "${prod[@]}" -DVARNO_CA_BUNDLE="$work/own-ca.pem"
check "missing: VARNO_CA_BUNDLE" "${prod[@]}"
check "missing: VARNO_GATEWAY_URL, VARNO_API_URL, VARNO_API_USER, VARNO_API_PASSWORD, VARNO_ISSUER_KEY, VARNO_CA_BUNDLE" \
  -DVARNO_DEPLOYMENT=production
check "must not trust the sandbox's CA" "${prod[@]}" -DVARNO_CA_BUNDLE="$certs/ca.pem"
for bundle in with-sandbox-ca indented-sandbox-ca other-tree-ca same-key-ca loopback-only-ca; do
  check "must not trust the sandbox's CA" "${prod[@]}" -DVARNO_CA_BUNDLE="$work/$bundle.pem"
done
check ok "${prod[@]}" -DVARNO_CA_BUNDLE="$work/commented.pem"
for position in before after; do
  check "no certificate openssl reads whole" "${prod[@]}" -DVARNO_CA_BUNDLE="$work/malformed-$position.pem"
  check "CERTIFICATE blocks only, each without headers" "${prod[@]}" -DVARNO_CA_BUNDLE="$work/crl-$position.pem"
  check "CERTIFICATE blocks only, each without headers" "${prod[@]}" -DVARNO_CA_BUNDLE="$work/encrypted-$position.pem"
  check "holds a NUL byte" "${prod[@]}" -DVARNO_CA_BUNDLE="$work/nul-$position.pem"
done
# Hosts that curl would decode before reaching them are not read: refused whatever they spell.
for encoded in https://%6cocalhost https://loc%61lhost https://%31%32%37.0.0.1 https://127%2e0%2e0%2e1 \
               https://ｌｏｃａｌｈｏｓｔ https://１２７.０.０.１ https://api.varno.example%2e; do
  check "holds a '%' or a character outside ASCII" "${prod[@]}" -DVARNO_CA_BUNDLE= -DVARNO_API_URL="$encoded"
done
# Loopback however the resolver may read it: inet_aton's forms, IPv4-mapped IPv6, the unspecified address.
for loopback in https://localhost:9443 https://LOCALHOST./x https://api.localhost https://127.0.0.2 https://[::1]:9443/api \
                https://[0:0:0:0:0:0:0:1] https://0.0.0.0 https://0x7f000001 https://2130706433 https://0177.0.0.1 \
                https://0x7f.0.0.1 https://127.1:9443 https://[::ffff:127.0.0.1] https://[::ffff:7f00:1] https://[::] \
                https://0 https://0x0; do
  check "VARNO_API_URL is a loopback address" "${prod[@]}" -DVARNO_CA_BUNDLE= -DVARNO_API_URL="$loopback"
done
for elsewhere in https://128.0.0.1 https://0x80000001 https://[::ffff:10.0.0.1] https://[2001:db8::1] https://0x7f.example \
                 https://127.example; do
  check ok "${prod[@]}" -DVARNO_CA_BUNDLE= -DVARNO_API_URL="$elsewhere"
done
check "VARNO_GATEWAY_URL is a loopback address" "${prod[@]}" -DVARNO_CA_BUNDLE= -DVARNO_GATEWAY_URL=https://127.0.0.1
check "VARNO_API_USER is the sandbox's" "${prod[@]}" -DVARNO_CA_BUNDLE= -DVARNO_API_USER=integration@sandbox.varno.test
check "VARNO_ISSUER_KEY is the sandbox's" "${prod[@]}" -DVARNO_CA_BUNDLE= -DVARNO_ISSUER_KEY=5f2c9e0a7b3d41e68c1f0a9b2d4e6f80
check "must be sandbox or production" -DVARNO_DEPLOYMENT=prod
[ "$failures" = 0 ] || { echo "$failures of $count cases failed"; exit 1; }

# The sandbox's CA vouches for the loopback names only, even where it is trusted.
openssl verify -CAfile "$certs/ca.pem" "$certs/localhost.pem" >/dev/null
refusal=$(openssl verify -CAfile "$certs/ca.pem" "$certs/elsewhere.pem" 2>&1) && { echo "elsewhere.pem verified"; exit 1; }
grep -q "permitted subtree violation" <<< "$refusal" || { echo "refused for another reason: $refusal"; exit 1; }
echo "ok: $count cases, and the sandbox's CA constrained"
