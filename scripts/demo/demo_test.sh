#!/usr/bin/env bash
# Sets up the demo without the window, lists its mailbox with kelvane-check and checks what a
# newcomer will see: every message listed, junk marked, the colleague's mail accepted.
#   demo_test.sh KELVANE_CHECK       (exit 77: skipped, the demo cannot run here)
set -uo pipefail
check=$1
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap '"$here/teardown.sh" "$dir"' EXIT

env=$("$here/setup.sh" "$dir" "$check")
status=$?
[ $status -eq 0 ] || exit $status
eval "$env"
listing=$("$check") || { echo "kelvane-check failed: $listing" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; echo "$listing" >&2; exit 1; }
rows=$(printf '%s\n' "$listing" | grep -v '^#')
[ "$(printf '%s\n' "$rows" | wc -l)" -eq 36 ] || fail "expected 36 messages"
mark_of() { printf '%s\n' "$rows" | awk -F'\t' -v s="$1" '$5 == s { print $2 }'; }
[ "$(mark_of 'Your casino bonus of $500 is waiting')" = 0 ] || fail "casino junk not check-marked"
[ "$(mark_of 'Get to #1 on every search engine')" = 1 ] || fail ".invalid sender not questioned"
[ "$(mark_of "Minutes of Tuesday's planning meeting")" = 3 ] || fail "colleague not accepted"
[ "$(mark_of 'Your order 48213 has shipped')" = -1 ] || fail "order confirmation marked"
marked=$(printf '%s\n' "$rows" | awk -F'\t' '$2 == 0' | wc -l)
[ "$marked" -ge 8 ] || fail "expected at least 8 check-marked messages, got $marked"
echo "demo mailbox: 36 messages, $marked marked for deletion"
