#!/usr/bin/env bash
# A whole check of a 2,000-message mailbox: kelvane-check from start to exit, with about 200 rules
# and 100 known spammers (bench/make_rules.py), next to a plain poplib client
# (bench/pop3_reference.py), both against the same private Dovecot. The sender-domain check is
# off, so nothing goes to the network. Also times Kelvane's listing alone (Pop3ListingBench), so
# that what the check adds to it shows. Needs root.
# Usage: bench/full-check.sh [BUILD_DIR [RUNS]]   (defaults build/default, 7)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/default}
runs=${2:-7}
bench="$build/bench/Pop3ListingBench"
check="$build/bin/kelvane-check"
for program in "$bench" "$check"; do
    [ -x "$program" ] || { echo "no $program: build kelvane-check, Pop3ListingBench" >&2; exit 2; }
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number, not '$runs'" >&2; exit 2; }

source "$here/served-mailbox.sh"
serve_mailbox full-check "$bench" --serve
use_own_settings "$check"
rules=$("$python" "$here/make_rules.py" "$KELVANE_DATA_DIR")

# One untimed check with reasons: it must list the whole mailbox, read every file without a
# complaint and mark some messages, or the figures below would measure the wrong thing.
if ! "$check" --why > "$work/why.txt" 2> "$work/why.err" || [ -s "$work/why.err" ]; then
    echo "kelvane-check failed on the warm-up check:" >&2
    cat "$work/why.err" >&2
    exit 1
fi
marks=$(awk -F'\t' '
    /^# / { listed = $4; next }
    /^[0-9]/ { count[$2 >= 3 ? "x" : $2]++ }
    END {
        printf "%d listed: %d check mark, %d known spammer, %d question mark, %d exception, " \
            "%d none\n", listed, count[0], count[2], count[1], count["x"], count[-1]
        exit !(listed == 2000 && count[0] && count[1] && count[2] && count["x"])
    }' "$work/why.txt") || { echo "unexpected marks: $marks" >&2; exit 1; }
hits=$("$python" "$here/make_rules.py" --hits "$KELVANE_DATA_DIR") ||
    { echo "a rule file has no hit: $hits" >&2; exit 1; }

echo "Dovecot on $address with a 2,000-message mailbox; $rules; $runs runs each"
echo "warm-up check: $marks"
echo "stored rule hits after it: $hits"

# Start to exit, taking turns: the check with the rules, the same check with no rules (so that
# the rules' own cost shows), and the reference client in its own interpreter.
bare="$work/bare"
"$python" "$here/make_rules.py" --no-rules "$bare"
timed=$("$python" "$here/time_commands.py" --runs "$runs" \
    -- check "$check" \
    -- bare env KELVANE_DATA_DIR="$bare" "$check" \
    -- reference "$python" "$here/pop3_reference.py" --server "$address" --user "$user" \
    --password "$password" --runs 1)

# The reference's own figure leaves out the interpreter's start; the listing alone is Kelvane's
# POP3 client in a process that is already running.
in_process=$("$python" "$here/pop3_reference.py" --server "$address" --user "$user" \
    --password "$password" --runs "$runs")
listing=$("$bench" --server="$address" --user="$user" --password="$password" --runs="$runs" \
    --benchmark_format=json 2>/dev/null | "$python" -c '
import json, sys
runs = json.load(sys.stdin)["benchmarks"]
# One repetition has no aggregates.
print(next((r for r in runs if r.get("aggregate_name") == "median"), runs[0])["real_time"])')

"$python" - "$timed" "${in_process%% *}" "$listing" <<'EOF'
import sys
timed = {name: (float(wall), float(cpu))
         for name, wall, cpu in (line.split() for line in sys.argv[1].splitlines())}
in_process, listing = float(sys.argv[2]), float(sys.argv[3])
messages = 2000

def line(name, ms, cpu=None):
    text = f"{name:<44} {ms:7.1f} ms median, {ms / messages:.3f} ms per message"
    print(text + (f" (processor {cpu:.0f} ms)" if cpu is not None else ""))

check, check_cpu = timed["check"]
bare, bare_cpu = timed["bare"]
reference, reference_cpu = timed["reference"]
line("reference (poplib), start to exit:", reference, reference_cpu)
line("reference (poplib), one listing in-process:", in_process)
line("kelvane-check, start to exit:", check, check_cpu)
line("kelvane-check without rules, start to exit:", bare, bare_cpu)
line("kelvane listing alone (UpdateInfo):", listing)
print(f"ratio kelvane-check/reference, start to exit: {check / reference:.2f} "
      f"({'at least as fast' if check <= reference else 'slower'})")
print(f"the rules' own cost: {check - bare:.1f} ms, {(check - bare) / messages:.3f} ms per "
      f"message (processor {check_cpu - bare_cpu:.0f} ms, "
      f"{(check_cpu - bare_cpu) / messages:.3f} ms per message)")
EOF
