#!/usr/bin/env bash
# kelvane-check listing a 5,000-message mailbox over loopback and over a link with a 20 ms round
# trip (bench/delay_proxy.py in front of a private Dovecot), start to exit, next to a plain client
# that pipelines its commands (bench/pop3_pipelined_reference.py); no rules and the sender-domain
# check off, so that the listing is what is timed. Prints the medians of:
#   (a) a first check over loopback, with no header cache ($KELVANE_DATA_DIR/headers1.cache is
#       removed before each run), against the pipelined client: goal a ratio of 1.25 at most;
#   (b) the same over the link, and the one-at-a-time client once over the first 500 messages
#       (two round trips per message: the whole mailbox would take minutes);
#   (c) a second check of the unchanged mailbox with the cache kept: goal under 100 ms over
#       loopback; over the link for information;
# and the bytes each listing moves over the link. Every check must list the whole mailbox, or the
# script stops. Needs root.
# Usage: bench/link-listing.sh [BUILD_DIR [RUNS]]   (defaults build/default, 5)
#   MESSAGES=N  serves N messages instead of 5,000. A check that sends one command at a time
#               takes about 200 s per run over the link with 5,000; MESSAGES=500 and RUNS=1 try
#               the script out in a minute or two.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/default}
runs=${2:-5}
messages=${MESSAGES:-5000}
serve="$build/bench/Pop3ListingBench"
check="$build/bin/kelvane-check"
for program in "$serve" "$check"; do
    [ -x "$program" ] || { echo "no $program: build kelvane-check, Pop3ListingBench" >&2; exit 2; }
done
for number in "$messages" "$runs"; do
    [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "not a positive number: '$number'" >&2; exit 2; }
done
delay_ms=10
one_at_a_time=$((messages < 500 ? messages : 500))

source "$here/served-mailbox.sh"
serve_mailbox link-listing "$serve" --serve --messages="$messages"
use_own_settings "$check"
"$python" "$here/make_rules.py" --no-rules "$KELVANE_DATA_DIR"

# Two proxies, one for kelvane-check and one for the reference client, so that each one's log
# counts the bytes of one program's connections alone.
proxy_pids=()
start_proxy() {
    local log=$1 from_proxy
    exec {from_proxy}< <(exec "$python" "$here/delay_proxy.py" --server "$address" \
        --delay-ms "$delay_ms" 2> "$log")
    proxy_pids+=($!)
    read -r proxy <&"$from_proxy" || {
        echo "the delay proxy did not start:" >&2
        cat "$log" >&2
        exit 1
    }
}
stop_proxies() {
    local pid
    for pid in "${proxy_pids[@]}"; do kill "$pid" 2> /dev/null || true; done
}
trap 'stop_proxies; finish_served_mailbox' EXIT
start_proxy "$work/check-link.log"
check_link=$proxy
start_proxy "$work/reference-link.log"
reference_link=$proxy

# Over the link kelvane-check has a settings store and program folder of its own: the same
# account with Server1 pointing at its proxy.
link_config="$work/config-link"
link_data="$work/data-link"
cp -r "$XDG_CONFIG_HOME" "$link_config"
link_settings="$link_config/Tarnwick Corporation/Kelvane/10.conf"
sed -i "s/^Server1=.*/Server1=$check_link/" "$link_settings"
grep -qx "Server1=$check_link" "$link_settings" ||
    { echo "no Server1 in $link_settings" >&2; exit 1; }
"$python" "$here/make_rules.py" --no-rules "$link_data"
cache="$KELVANE_DATA_DIR/headers1.cache"
link_cache="$link_data/headers1.cache"

# listed FILE RUNS WHAT: FILE holds the output of RUNS checks, each of which must have listed the
# whole mailbox.
listed() {
    awk -F'\t' -v messages="$messages" -v runs="$2" '
        /^# / { headers++; if ($4 != messages) bad = 1; next }
        /^[0-9]/ { rows++ }
        END { exit !(headers == runs && !bad && rows == runs * messages) }' "$1" || {
        echo "kelvane-check, $3: not $runs listings of $messages messages; it listed:" >&2
        grep '^# ' "$1" >&2 || echo "nothing" >&2
        exit 1
    }
}

# A proxy logs a connection's bytes once both its sides have closed, up to a round trip after
# the program exited: waits (5 s at most) until every connection it opened has its line.
settled() {
    local tries
    for ((tries = 0; tries < 500; tries++)); do
        awk '/^delay_proxy: connection opened/ { open++ } /^delay_proxy: [0-9]+ bytes/ { open-- }
            END { exit open != 0 }' "$1" && return 0
        sleep 0.01
    done
    echo "a connection through the delay proxy did not close: $1" >&2
    exit 1
}
# The lines of a proxy log so far.
log_lines() {
    settled "$1"
    wc -l < "$1"
}
# The bytes of the connections a proxy log gained since line FROM: to the server, from it, and
# the number of connections.
link_bytes() {
    settled "$1"
    awk -v from="$2" 'NR > from && /^delay_proxy: [0-9]+ bytes/ { to += $2; back += $7; n++ }
        END { print to + 0, back + 0, n + 0 }' "$1"
}

# One untimed check with reasons over loopback: it must list the whole mailbox without a
# complaint, or the figures below would measure the wrong thing.
if ! "$check" --why > "$work/why.txt" 2> "$work/why.err" || [ -s "$work/why.err" ]; then
    echo "kelvane-check failed on the warm-up check:" >&2
    cat "$work/why.err" >&2
    exit 1
fi
listed "$work/why.txt" 1 "warm-up check"

echo "Dovecot on $address with a $messages-message mailbox, no rules; the link: delay proxies" \
    "holding each chunk $delay_ms ms each way; $runs runs each"

reference=("$python" "$here/pop3_pipelined_reference.py" --user "$user" --password "$password")
time_commands=("$python" "$here/time_commands.py" --runs "$runs")

# (a) and (b): first checks, the cache removed before each; the runs of the two programs take
# turns. The last first check over the link leaves its cache filled for (c) over the link.
echo "(a) first check over loopback ..." >&2
first_loopback=$("${time_commands[@]}" \
    --before "check=rm -f $(printf '%q' "$cache")" --output "check=$work/a.txt" \
    -- check "$check" \
    -- reference "${reference[@]}" --server "$address" --runs 1)
listed "$work/a.txt" "$runs" "first checks over loopback"
# The reference's own figure leaves out the interpreter's start.
in_process=$("${reference[@]}" --server "$address" --runs "$runs")

echo "(b) first check over the link ..." >&2
check_from=$(log_lines "$work/check-link.log")
reference_from=$(log_lines "$work/reference-link.log")
first_link=$(XDG_CONFIG_HOME="$link_config" KELVANE_DATA_DIR="$link_data" "${time_commands[@]}" \
    --before "check=rm -f $(printf '%q' "$link_cache")" --output "check=$work/b.txt" \
    -- check "$check" \
    -- reference "${reference[@]}" --server "$reference_link" --runs 1)
listed "$work/b.txt" "$runs" "first checks over the link"
first_link_bytes=$(link_bytes "$work/check-link.log" "$check_from")
reference_link_bytes=$(link_bytes "$work/reference-link.log" "$reference_from")
[ "${first_link_bytes##* }" -ge "$runs" ] ||
    { echo "kelvane-check did not go through the link: $link_settings" >&2; exit 1; }

echo "(b) one command at a time over the link, the first $one_at_a_time messages once ..." >&2
reference_from=$(log_lines "$work/reference-link.log")
one_link=$("$python" "$here/time_commands.py" --runs 1 \
    -- sequential "${reference[@]}" --server "$reference_link" --runs 1 --sequential \
    --first "$one_at_a_time")
one_link_bytes=$(link_bytes "$work/reference-link.log" "$reference_from")

# (c): one untimed check fills the cache over loopback; the runs keep it.
echo "(c) second check, cache kept ..." >&2
"$check" > "$work/fill.txt"
listed "$work/fill.txt" 1 "the check that fills the cache"
second_loopback=$("${time_commands[@]}" --output "check=$work/c.txt" -- check "$check")
listed "$work/c.txt" "$runs" "second checks over loopback"
check_from=$(log_lines "$work/check-link.log")
second_link=$(XDG_CONFIG_HOME="$link_config" KELVANE_DATA_DIR="$link_data" "${time_commands[@]}" \
    --output "check=$work/c-link.txt" -- check "$check")
listed "$work/c-link.txt" "$runs" "second checks over the link"
second_link_bytes=$(link_bytes "$work/check-link.log" "$check_from")

"$python" - "$messages" "$runs" "$delay_ms" "$one_at_a_time" "${in_process%% *}" \
    "$first_loopback" "$first_link" "$one_link" "$second_loopback" "$second_link" \
    "$first_link_bytes" "$reference_link_bytes" "$one_link_bytes" "$second_link_bytes" <<'EOF'
import sys

messages, runs, delay_ms, one_at_a_time = map(int, sys.argv[1:5])
in_process = float(sys.argv[5])
timed = [{name: (float(wall), float(cpu))
          for name, wall, cpu in (line.split() for line in text.splitlines())}
         for text in sys.argv[6:11]]
first_loopback, first_link, one_link, second_loopback, second_link = timed
volumes = [tuple(map(int, text.split())) for text in sys.argv[11:15]]


def line(label, figure, count=messages):
    wall, cpu = figure
    text = f"    {label:<40} {wall:9.1f} ms median, {wall / count:.3f} ms per message"
    print(text + (f" (processor {cpu:.0f} ms)" if cpu is not None else ""))


def ratio(check, reference, goal=None):
    value = check[0] / reference[0]
    verdict = "" if goal is None else (f" (within the {goal} goal)" if value <= goal
                                       else f" (over the {goal} goal)")
    print(f"    ratio kelvane-check/pipelined reference: {value:.2f}{verdict}")


def volume(label, figures, per):
    to_server, from_server, connections = figures
    if connections == 0:
        print(f"    {label:<40} nothing went through the link")
        return
    print(f"    {label:<40} {to_server / per / 1024:9.1f} KiB to the server, "
          f"{from_server / per / 1024:9.1f} KiB from it")


round_trip = 2 * delay_ms
print("(a) first check over loopback, no header cache, start to exit:")
line("kelvane-check:", first_loopback["check"])
line("pipelined reference:", first_loopback["reference"])
ratio(first_loopback["check"], first_loopback["reference"], 1.25)
line("pipelined reference, in-process:", (in_process, None))
print(f"    (the interpreter's start and exit take about "
      f"{first_loopback['reference'][0] - in_process:.0f} ms of the reference's start to exit;\n"
      f"    ratio kelvane-check/in-process reference: "
      f"{first_loopback['check'][0] / in_process:.2f})")
print(f"(b) first check over a link with a {round_trip} ms round trip, start to exit:")
line("kelvane-check:", first_link["check"])
line("pipelined reference:", first_link["reference"])
ratio(first_link["check"], first_link["reference"])
sequential = one_link["sequential"]
line(f"one at a time, first {one_at_a_time} messages, 1 run:", sequential, one_at_a_time)
whole = (f"at that rate {sequential[0] / one_at_a_time * messages / 1000:.1f} s for all "
         f"{messages}, " if one_at_a_time < messages else "")
print(f"    ({whole}about {sequential[0] / one_at_a_time / round_trip:.1f} round trips per "
      "message)")
print("(c) second check of the unchanged mailbox, header cache kept, start to exit:")
line("kelvane-check over loopback:", second_loopback["check"])
print(f"    ({'within' if second_loopback['check'][0] < 100 else 'over'} the goal of under 100 ms)")
line("kelvane-check over the link:", second_link["check"])
print("bytes through the link, per listing:")
volume("kelvane-check, first check:", volumes[0], runs)
volume("kelvane-check, second check:", volumes[3], runs)
volume("pipelined reference:", volumes[1], runs)
volume(f"one at a time, first {one_at_a_time} messages:", volumes[2], 1)
EOF
