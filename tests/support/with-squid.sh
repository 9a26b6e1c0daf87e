#!/usr/bin/env bash
# Runs a test command (a Windows test under Wine) beside two squid proxies on the Linux side
# (squid-proxy.sh), one offering NTLM, one Negotiate then NTLM, both checking this password. The test
# finds them in VARNO_TEST_SQUID_NTLM and VARNO_TEST_SQUID_NEGOTIATE ("<port> <access log>", the log as
# Wine names it) and the password in VARNO_TEST_SQUID_PASSWORD. Where squid cannot start, the command
# runs without them (and skips what needs them).
#   with-squid.sh <password> <command...>
set -euo pipefail
password=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
chmod 755 "$work" # squid's workers and helpers run as another user
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait || true; rm -rf "$work"' EXIT

start() { # offer, the variable that names it
  mkdir "$work/$1"
  bash "$here/squid-proxy.sh" "$work/$1" "$password" "$1" > "$work/$1.port" 2> "$work/$1.err" &
  pids+=($!)
  for _ in $(seq 400); do
    if grep -qx '[0-9][0-9]*' "$work/$1.port"; then
      export "$2=$(head -1 "$work/$1.port") Z:$work/$1/access.log"
      return
    fi
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.05
  done
  echo "with-squid.sh: no $1 proxy ($(cat "$work/$1.err"))" >&2
}
export VARNO_TEST_SQUID_PASSWORD=$password
start ntlm VARNO_TEST_SQUID_NTLM
start negotiate VARNO_TEST_SQUID_NEGOTIATE
status=0
"$@" || status=$?
exit "$status"
