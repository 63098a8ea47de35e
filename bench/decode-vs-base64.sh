#!/usr/bin/env bash
# Message decoding speed next to the system's `base64 -d` on the same attachment text.
# Usage: bench/decode-vs-base64.sh BUILD_DIR   (default build/default)
set -euo pipefail
build=${1:-build/default}
bench="$build/bench/MessageDecodeBench"
payload=$(mktemp)
trap 'rm -f "$payload"' EXIT

"$bench" --write-base64 "$payload"
size=$(stat -c %s "$payload")
best=""
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    base64 -d --ignore-garbage "$payload" > /dev/null
    took=$(($(date +%s%N) - start))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
done
echo "base64 -d: $size bytes in $((best / 1000)) us = $((size * 1000 / best)) MB/s (best of 5)"
"$bench" --benchmark_min_time=1
