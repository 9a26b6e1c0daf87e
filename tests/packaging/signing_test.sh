#!/usr/bin/env bash
# Signing as a build with a certificate does it: every PE file of the package's folder, then the MSI
# made of it, signed with a throwaway certificate made here; each signature verified against it.
#   signing_test.sh <package path without extension> <source dir> <build dir>
set -euo pipefail
package=$1 source=$2 build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -sha256 -subj "/CN=Module_Varno test signer" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=critical,digitalSignature" \
  -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
unzip -q "$package.zip" -d "$work/unpacked"
folder="$work/unpacked/$(basename "$package")"
signing=(-DVARNO_SIGN_CERT="$work/signer.pem" -DVARNO_SIGN_KEY="$work/signer.key" -DVARNO_SIGN_TOOL="$(command -v osslsigncode)")
cmake "${signing[@]}" -DVARNO_SIGN_FOLDER="$folder" -P "$source/packaging/Signing.cmake"
{ cat "$build/packaging/PackageSettings.cmake"
  printf 'set(VARNO_SIGN_CERT "%s")\nset(VARNO_SIGN_KEY "%s")\nset(VARNO_SIGN_TOOL "%s")\n' \
    "$work/signer.pem" "$work/signer.key" "$(command -v osslsigncode)"; } > "$work/settings.cmake"
cmake -DSETTINGS="$work/settings.cmake" -DPROGRAM_DIR="$folder" -DOUTPUT="$work/signed.msi" \
      -P "$source/packaging/BuildMsi.cmake" >/dev/null 2>&1

count=0
while IFS= read -r -d '' file; do
  result=$(osslsigncode verify -CAfile "$work/signer.pem" -in "$file" 2>&1) || { echo "$file: $result"; exit 1; }
  grep -q 'Signature verification: ok' <<< "$result" && grep -qi 'digest algorithm *: *SHA256' <<< "$result" ||
    { echo "$file: $result"; exit 1; }
  count=$((count + 1))
done < <(find "$folder" "$work/signed.msi" \( -iname '*.exe' -o -iname '*.dll' -o -name '*.msi' \) -print0)
# The package as built without a certificate is not signed: the check above can fail.
unzip -q -o "$package.zip" "*/Module_Varno.exe" -d "$work/unsigned"
! osslsigncode verify -CAfile "$work/signer.pem" -in "$work/unsigned/$(basename "$package")/Module_Varno.exe" \
  >/dev/null 2>&1 || { echo "the unsigned program verified"; exit 1; }
echo "signing ok: $count files signed with SHA-256 and verified"
