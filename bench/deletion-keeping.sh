#!/usr/bin/env bash
# What keeping deleted messages costs: kelvane-check --delete of a 1,000-message mailbox (about
# 5 KB each, every one from a known spammer, so every one is marked) over a link with a 20 ms
# round trip (bench/delay_proxy.py in front of a private Dovecot), with the quarantine on and off.
# Each run serves a fresh mailbox; a listing of it (with the header cache that the first check
# filled) is timed first, so that the deletion's own share shows: the goal is that the deletion
# with the quarantine takes at most 1.3 times the deletion without. Prints the medians and checks
# that every run deleted the whole mailbox and, with the quarantine, kept every message. Needs root.
# Usage: bench/deletion-keeping.sh [BUILD_DIR [RUNS]]   (defaults build/default, 3)
#   MESSAGES=N  serves N messages instead of 1,000.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${ONE_RUN:-}" = 1 ]; then
    keep=$1
    shift
fi
build=${1:-build/default}
runs=${2:-3}
messages=${MESSAGES:-1000}
serve="$build/bench/Pop3ListingBench"
check="$build/bin/kelvane-check"
for program in "$serve" "$check"; do
    [ -x "$program" ] || { echo "no $program: build kelvane-check, Pop3ListingBench" >&2; exit 2; }
done
for number in "$messages" "$runs"; do
    [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "not a positive number: '$number'" >&2; exit 2; }
done

# One run in a process of its own, since each serves a mailbox of its own:
#   ONE_RUN=1 deletion-keeping.sh KEEP BUILD_DIR   prints "LIST_MS DELETE_MS KEPT"
if [ "${ONE_RUN:-}" = 1 ]; then
    source "$here/served-mailbox.sh"
    serve_mailbox deletion-keeping "$serve" --serve --messages="$messages"
    exec {from_proxy}< <(exec "$python" "$here/delay_proxy.py" --server "$address" \
        --delay-ms 10 2> "$work/proxy.log")
    proxy_pid=$!
    trap 'kill $proxy_pid 2> /dev/null || true; finish_served_mailbox' EXIT
    read -r proxy <&"$from_proxy" || { echo "the delay proxy did not start" >&2; exit 1; }
    address=$proxy
    use_own_settings "$check"
    mkdir -p "$KELVANE_DATA_DIR"
    printf '[Known]\nQMonitor=1\nValid=0\n\n[Quarantine]\nKeep=%s\n' "$keep" \
        > "$KELVANE_DATA_DIR/kelvane.ini"
    printf 'example.com\r\n' > "$KELVANE_DATA_DIR/known.lst"
    "$check" > /dev/null
    ms() { echo $(($(date +%s%N) / 1000000)); }
    start=$(ms)
    "$check" > "$work/list.txt"
    listed=$(ms)
    "$check" --delete > "$work/delete.txt"
    deleted=$(ms)
    grep -qx "There were $messages messages deleted" "$work/delete.txt" || {
        echo "the deletion did not delete all $messages messages:" >&2
        tail -3 "$work/delete.txt" >&2
        exit 1
    }
    kept=$("$check" --deleted | wc -l)
    echo $((listed - start)) $((deleted - listed)) "$kept"
    exit 0
fi

echo "$messages messages of about 5 KB, all marked, over a 20 ms round trip; $runs runs each"
declare -A times
for ((run = 1; run <= runs; run++)); do
    for keep in 0 1; do
        read -r list delete kept < <(ONE_RUN=1 "$0" "$keep" "$build")
        [ "$keep" = 0 ] || [ "$kept" = "$messages" ] ||
            { echo "the quarantine kept $kept of $messages messages" >&2; exit 1; }
        times[$keep]+="$delete "
        times[list$keep]+="$list "
    done
done
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
off=$(echo "${times[0]}" | median)
on=$(echo "${times[1]}" | median)
echo "listing with the header cache: $(echo "${times[list0]} ${times[list1]}" | median) ms"
echo "deletion run, quarantine off: $off ms (runs: ${times[0]})"
echo "deletion run, quarantine on:  $on ms (runs: ${times[1]})"
awk -v on="$on" -v off="$off" 'BEGIN { printf "ratio on/off: %.2f (goal: at most 1.30)\n", on / off }'
