#!/usr/bin/env bash
# The main window listing a large mailbox next to kelvane-check listing the same one: the window
# program's own window, front end and check (bench/WindowListingBench.cpp, on the offscreen
# platform) and kelvane-check, both start to exit, taking turns against one private Dovecot,
# with the rules of bench/make_rules.py and the sender-domain check off. Prints both medians and
# their ratio, and the window's own figure for the check alone (start of the check to the list
# shown), which leaves out what only a window program pays: loading the toolkit, building the
# window and taking it all down at the end. Needs root.
# Usage: bench/window-listing.sh [BUILD_DIR [MESSAGES [RUNS]]]   (defaults build/default, 5000, 5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/default}
messages=${2:-5000}
runs=${3:-5}
serve="$build/bench/Pop3ListingBench"
window="$build/bench/WindowListingBench"
check="$build/bin/kelvane-check"
for program in "$serve" "$window" "$check"; do
    [ -x "$program" ] || {
        echo "no $program: build Pop3ListingBench, WindowListingBench, kelvane-check" >&2
        exit 2
    }
done
for number in "$messages" "$runs"; do
    [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "not a positive number: '$number'" >&2; exit 2; }
done

source "$here/served-mailbox.sh"
serve_mailbox window-listing "$serve" --serve --messages="$messages"
# Both programs read the settings; the window runs on the offscreen platform.
use_own_settings "$check"
export QT_QPA_PLATFORM=offscreen
rules=$("$python" "$here/make_rules.py" "$KELVANE_DATA_DIR")

# One untimed run of each: both must list the whole mailbox without a complaint, or the figures
# below would measure the wrong thing.
if ! "$check" > "$work/check.txt" 2> "$work/check.err" || [ -s "$work/check.err" ]; then
    echo "kelvane-check failed on the warm-up check:" >&2
    cat "$work/check.err" >&2
    exit 1
fi
listed=$(awk -F'\t' '/^# / { print $4 }' "$work/check.txt")
[ "$listed" = "$messages" ] || { echo "kelvane-check listed $listed messages" >&2; exit 1; }
if ! shown=$("$window" --expect="$messages" 2> "$work/window.err"); then
    echo "the window failed on the warm-up check:" >&2
    cat "$work/window.err" >&2
    exit 1
fi

echo "Dovecot on $address with a $messages-message mailbox; $rules; $runs runs each"
echo "warm-up: the window had $shown"

timed=$("$python" "$here/time_commands.py" --runs "$runs" \
    --output window="$work/window-runs.txt" \
    -- window "$window" --expect="$messages" \
    -- check "$check")

"$python" - "$timed" "$messages" "$work/window-runs.txt" <<'PYTHON'
import re
import statistics
import sys
timed = {name: (float(wall), float(cpu))
         for name, wall, cpu in (line.split() for line in sys.argv[1].splitlines())}
messages = int(sys.argv[2])
goal = 1.25
for name, label in (("window", "window (offscreen), start to exit:"),
                    ("check", "kelvane-check, start to exit:")):
    wall, cpu = timed[name]
    print(f"{label:<36} {wall:8.1f} ms median, {wall / messages:.3f} ms per message "
          f"(processor {cpu:.0f} ms)")
with open(sys.argv[3]) as runs:
    alone = statistics.median(float(m) for m in re.findall(r"listed in (\d+) ms", runs.read()))
print(f"{'window, the check alone:':<36} {alone:8.1f} ms median")
check = timed["check"][0]
for label, window in (("window/kelvane-check", timed["window"][0]),
                      ("the window's check alone/kelvane-check", alone)):
    ratio = window / check
    print(f"ratio {label}: {ratio:.2f} ({'within' if ratio <= goal else 'over'} {goal})")
PYTHON
