#!/usr/bin/env bash
# One check of a 2,000-message mailbox: Kelvane's UpdateInfo next to a plain poplib client
# (bench/pop3_reference.py), both against the same private Dovecot. Needs root.
# Usage: bench/pop3-listing.sh [BUILD_DIR [RUNS]]   (defaults build/default, 7)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/default}
runs=${2:-7}
bench="$build/bench/Pop3ListingBench"
[ -x "$bench" ] || { echo "no $bench: build the benchmarks first" >&2; exit 2; }

# The server lives as long as its standard input stays open.
coproc SERVER { exec "$bench" --serve; }
server_pid=$SERVER_PID
to_server=${SERVER[1]}
stop_server() {
    eval "exec $to_server>&-"
    wait "$server_pid" || true
}
trap stop_server EXIT

read -r address user password <&"${SERVER[0]}" || { echo "the server did not start" >&2; exit 1; }
echo "Dovecot on $address with a 2,000-message mailbox; $runs runs each"

reference=$(python3 "$here/pop3_reference.py" --server "$address" --user "$user" \
    --password "$password" --runs "$runs")
echo "reference (poplib):  $reference"

"$bench" --server="$address" --user="$user" --password="$password" --runs="$runs" \
    --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
reference_ms = float(sys.argv[1])
runs = json.load(sys.stdin)["benchmarks"]
median = next(run for run in runs if run.get("aggregate_name") == "median")
kelvane_ms, messages = median["real_time"], int(runs[0]["messages"])
print("kelvane UpdateInfo:  %.1f ms median of %d runs, %d messages"
      % (kelvane_ms, median["repetitions"], messages))
print("ratio kelvane/reference: %.2f (%s)" % (kelvane_ms / reference_ms,
      "at least as fast" if kelvane_ms <= reference_ms else "slower"))' "${reference%% *}"
