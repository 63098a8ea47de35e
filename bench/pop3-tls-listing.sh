#!/usr/bin/env bash
# One check of a 2,000-message mailbox over TLS from the first byte next to plain text, both
# against the same private Dovecot, the runs of the two taking turns. Needs root.
# Usage: bench/pop3-tls-listing.sh [BUILD_DIR [RUNS]]   (defaults build/default, 7)
set -euo pipefail
build=${1:-build/default}
runs=${2:-7}
bench="$build/bench/Pop3ListingBench"
[ -x "$bench" ] || { echo "no $bench: build the benchmarks first" >&2; exit 2; }

echo "Dovecot with a 2,000-message mailbox, plain text and TLS; $runs runs each"
"$bench" --tls --runs="$runs" --benchmark_enable_random_interleaving=true \
    --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
runs = json.load(sys.stdin)["benchmarks"]
medians = {run["run_name"]: run for run in runs if run.get("aggregate_name") == "median"}
plain = next(run for name, run in medians.items() if "implicit_tls" not in name)
tls = next(run for name, run in medians.items() if "implicit_tls" in name)
messages = int(next(run for run in runs if run.get("run_type") == "iteration")["messages"])
print("plain text:  %.1f ms median of %d runs, %d messages"
      % (plain["real_time"], plain["repetitions"], messages))
print("TLS:         %.1f ms median of %d runs" % (tls["real_time"], tls["repetitions"]))
ratio = tls["real_time"] / plain["real_time"]
print("ratio TLS/plain: %.2f (%s)" % (ratio, "within the 20% goal" if ratio <= 1.2
                                      else "over the 20% goal"))'
