#!/usr/bin/env bash
# No shipped program names ICU among the libraries it needs at start-up: ICU is opened only
# when a text needs it. Usage: shipped_without_icu.sh <name>=<program> ...
set -uo pipefail
failed=0
for row in "$@"; do
  name="${row%%=*}"
  program="${row#*=}"
  if ! needed="$(readelf -d "$program" 2>&1)"; then
    echo "FAIL: $name: cannot read $program: $needed"
    failed=1
  elif grep '(NEEDED)' <<<"$needed" | grep -qi 'libicu'; then
    echo "FAIL: $name needs ICU at start-up: $(grep -io 'libicu[^]]*' <<<"$needed" | tr '\n' ' ')"
    failed=1
  fi
done
exit "$failed"
