#!/usr/bin/env bash
# Debian's squid on loopback as an office proxy that demands an account: CONNECT only, NTLM (and
# Negotiate before it, with "negotiate") checked by Samba's ntlm_auth against one password, no domain
# needed. Prints its port once it accepts connections, then stays until TERM, which stops squid. Its
# access log (one line per request, with the account it accepted) is <folder>/access.log.
#   squid-proxy.sh <folder> <password> ntlm|negotiate
# Ends with 77 where squid or ntlm_auth is missing.
set -euo pipefail
folder=$1 password=$2 offer=$3
squid=$(PATH=$PATH:/usr/sbin command -v squid || true)
[ -n "$squid" ] && [ -x /usr/bin/ntlm_auth ] || exit 77
# squid's workers and helpers run as another user: the folder is theirs too.
chmod 777 "$folder"
printf '%s' "$password" > "$folder/password"
printf '#!/bin/sh\nexec /usr/bin/ntlm_auth --helper-protocol="$1" --password="$(cat %s/password)"\n' "$folder" \
  > "$folder/helper.sh"
chmod 644 "$folder/password" && chmod 755 "$folder/helper.sh"

pid=
trap '[ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }; exit 0' TERM INT EXIT
for attempt in 1 2 3 4 5; do # a port taken meanwhile: another
  port=$((20000 + RANDOM % 40000))
  {
    echo "http_port 127.0.0.1:$port"
    echo "pid_filename $folder/squid.pid"
    echo "cache deny all"
    echo "access_log stdio:$folder/access.log"
    echo "cache_log $folder/cache.log"
    echo "coredump_dir $folder"
    echo "shutdown_lifetime 0 seconds"
    [ "$offer" != negotiate ] || echo "auth_param negotiate program $folder/helper.sh gss-spnego"
    echo "auth_param ntlm program $folder/helper.sh squid-2.5-ntlmssp"
    echo "acl account proxy_auth REQUIRED"
    echo "http_access allow account"
    echo "http_access deny all"
  } > "$folder/squid.conf"
  chmod 644 "$folder/squid.conf"
  "$squid" -N -f "$folder/squid.conf" & pid=$!
  for _ in $(seq 200); do
    if (exec 3<> "/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      wait "$pid" || true
      exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
done
echo "squid did not start: $(tail -3 "$folder/cache.log" 2>/dev/null)" >&2
exit 1
