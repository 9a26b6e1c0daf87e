#!/usr/bin/env bash
# windows_trust_tests under Wine, twice: with Wine's roots as they are, then with the test CA among them.
# Wine copies its roots from the host's CA bundle into a registry key that lives as long as its
# wineserver, so the second run has a Wine of its own: a copy of the prefix with its own wineserver, and
# the host's bundle seen with the test CA added (bound over it in a private mount namespace; the host's
# file is not touched).
#   windows_trust_test.sh <windows_trust_tests.exe> <wine launcher> <certificate folder>
set -euo pipefail
tests=$1 wine=$2 certs=$3
"$wine" "$tests"

bundle=/etc/ssl/certs/ca-certificates.crt
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -f "$bundle" ] || ! unshare -m true 2>/dev/null; then
  echo "skipped: the run with the test CA among Windows' roots needs $bundle and a mount namespace (unshare -m)"
  exit 77
fi
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" "$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
cp -a "${WINEPREFIX:-$HOME/.wine}" "$work/prefix"
cat "$bundle" "$certs/ca.pem" >"$work/roots.pem"
# A wineserver keeps the registry in memory and writes it out later: a prefix made moments ago is
# copied without it. Wine then sets the copy up afresh (its stamp taken away), before the tests start.
[ -f "$work/prefix/system.reg" ] || rm -f "$work/prefix/.update-timestamp"
WINEPREFIX="$work/prefix" VARNO_TEST_CA_IN_WINDOWS_ROOTS=1 \
  unshare -m sh -c 'mount --bind "$1" "$2" && "$3" cmd /c exit </dev/null >/dev/null 2>&1 && "$3" "$4"' \
  sh "$work/roots.pem" "$bundle" "$wine" "$tests"
