#!/usr/bin/env bash
# The configurator page in a real headless browser: log in at the sandbox's gateway, price a product
# as a person would, and find the new record named by the retrieval document, at the page's price.
#   browser_test.sh <build dir> <source dir>
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
"$build/sandbox/varno-sandbox" --port 0 --data-dir "$work/data" > "$work/sandbox.log" 2>&1 &
sandbox=$!
trap 'kill $sandbox 2>/dev/null; wait $sandbox 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q 'listening on' "$work/sandbox.log" && break; sleep 0.05; done
base=$(grep -o 'https://localhost:[0-9]*' "$work/sandbox.log")
get() { curl -sf --cacert "$build/certs/ca.pem" "$@"; }

login=$(get "$base/index.php/Services/jeton?email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd")
token=$(sed -n 's:.*<Jeton>\([0-9a-f]*\)</Jeton>.*:\1:p' <<< "$login")
[ -n "$token" ] || { echo "no login: $login"; exit 1; }
get "$base/recuperation/$token" | grep -q '<Project></Project>' || { echo "a project before validation"; exit 1; }

priced=$(node "$source/sandbox/browser/price-quote.mjs" "$base/configurateur/$token" 1600 1400 3 "Chambre 2")
echo "$priced"
# The first window of ferd, 1600 × 1400 mm at 320,00 €/m² = 716,80 €, oscillo-battant +65,00 €, three of them.
[ "$priced" = "priced: devis 4721, 2345,40 €" ] || { echo "unexpected page: $priced"; exit 1; }
get "$base/recuperation/$token" | grep -q '<Project>4721</Project>' || { echo "the retrieval document names no record"; exit 1; }
echo "ok"
