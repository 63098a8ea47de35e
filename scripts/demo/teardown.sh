#!/usr/bin/env bash
# Stops the demo's Dovecot and removes the folder setup.sh made.
#   teardown.sh DIR
dir=$1
if [ -f "$dir/dovecot/pid" ]; then
    pid=$(cat "$dir/dovecot/pid")
    kill "$pid" 2> /dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2> /dev/null
fi
rm -rf "$dir"
