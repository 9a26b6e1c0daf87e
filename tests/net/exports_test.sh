#!/usr/bin/env bash
# The transport library exports its two entries, which the program resolves by name, and nothing else.
#   exports_test.sh <library> <objdump>
set -euo pipefail
library=$1 objdump=$2
expected=$'varnoCreateTransport\nvarnoTransportAbi'
case "$library" in
  *.dll) # the PE export table's name pointer table: "[ordinal] name" lines
    exported=$("$objdump" -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' | sort) ;;
  *) # ELF: the functions of the dynamic symbol table (weak template copies of the C++ library aside)
    exported=$(nm -D --defined-only "$library" | awk '$2 == "T" {print $3}' | sort) ;;
esac
if [ "$exported" != "$expected" ]; then
  echo "exported:"; echo "$exported"; echo "expected:"; echo "$expected"; exit 1
fi
echo "ok: $(wc -l <<< "$exported") entries"
