#!/usr/bin/env bash
# End to end: the built Module_Varno against the running sandbox for the three workflows, the pricing
# run driven as in the unattended demo (virtual display, headless browser, xdotool).
#   demo_test.sh <build dir> <source dir>
set -euo pipefail
build=$1 source=$2
output=$(VARNO_BUILD_DIR="$build" bash "$source/scripts/demo" --headless 2>&1)
echo "$output"
expect() {
  grep -qF -- "$1" <<< "$output" || { echo "MISSING: $1"; exit 1; }
}
expect 'Résultat : toutes les étapes ont réussi.'
expect '<Project>4711</Project><Verification><Code/><Libelle/></Verification>'
expect '<Code>PRICER_OUTDATED</Code><Libelle>Chiffrage effectué avec une ancienne version de la bibliothèque.'
expect '<Project>4712</Project><Commande><Code>REFERENCE</Code><Libelle>CMD-2026-001001</Libelle></Commande>'
expect '<Passerelle>tamrix</Passerelle><Project>4721</Project><Libelle>Porte de garage sectionnelle</Libelle>'
expect '<PrixPublic>2680.00</PrixPublic><PrixAchat>1822.40</PrixAchat><Image>'
expect 'product picture: '
if grep -q 'message |' <<< "$output"; then echo "UNEXPECTED MESSAGE"; exit 1; fi
echo ok
