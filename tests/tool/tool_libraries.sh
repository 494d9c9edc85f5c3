#!/usr/bin/env bash
# The `vigilix` tool starts with only the libraries its commands use, and a hook with a short
# payload never loads ICU. Usage: tool_libraries.sh <vigilix>
set -uo pipefail
tool="$1"
failed=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Libraries the tool must not load at start-up: name, pattern in the loaded list.
absent=(
  "ICU|libicu"
  "libcrypto|libcrypto"
  "Qt|libQt"
  "X11|libX"
  "fmt|libfmt"
  "libuuid|libuuid"
  "libacl|libacl"
  "libsystemd|libsystemd"
)
loaded="$(ldd "$tool")"
for row in "${absent[@]}"; do
  name="${row%%|*}"
  pattern="${row#*|}"
  if grep -q "$pattern" <<<"$loaded"; then
    echo "FAIL: the tool loads $name at start-up"
    failed=1
  fi
done

# A hook run end to end with no application to answer: a private home, a bus that is not there.
mkdir -p "$work/home" "$work/state"
hook() {
  HOME="$work/home" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/home/.config" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" LD_DEBUG=files \
    "$tool" agent start --tool claude --vigilix-hook=v1 <<<"$1" 2>&1 >/dev/null
}
# Payload, whether the run loads ICU.
runs=(
  '{"session_id":"s1","prompt_id":"p1"}|no'
  "{\"session_id\":\"$(printf 'x%.0s' {1..300})\"}|yes"
)
for row in "${runs[@]}"; do
  payload="${row%|*}"
  expected="${row##*|}"
  trace="$(hook "$payload")"
  if grep -q 'file=libicuuc' <<<"$trace"; then actual=yes; else actual=no; fi
  if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: payload ${payload:0:40}...: ICU loaded $actual, expected $expected"
    failed=1
  fi
done
grep -q 'no session bus\|cannot\|no answer\|agent' "$work/state/vigilix/"* 2>/dev/null ||
  { echo "FAIL: the hook left no line in its log"; failed=1; }
exit "$failed"
