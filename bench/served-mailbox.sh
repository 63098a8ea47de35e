# Sourced by the benchmarks that run whole programs against a private Dovecot mailbox:
#   serve_mailbox NAME COMMAND [ARG...]
#       makes the work folder $work (kelvane-NAME.XXXXXX), starts COMMAND (a Pop3ListingBench
#       --serve), reads "ADDRESS USER PASSWORD" into $address, $user and $password, and stops the
#       server and removes $work when the script ends;
#   use_own_settings KELVANE_CHECK
#       a settings store and program folder of our own in $work, set up as README.md tells a
#       user to, with mailbox 1 on that server and its password stored.
# Also sets $python to the interpreter itself: a version manager's wrapper script would add its
# own start-up to what is timed.
python=$(python3 -c 'import sys; print(sys.executable)')
work=""
server_pid=""
to_server=""

finish_served_mailbox() {
    if [ -n "$to_server" ]; then
        # The server lives as long as its standard input stays open.
        eval "exec $to_server>&-"
        wait "$server_pid" || true
    fi
    [ -z "$work" ] || rm -rf "$work"
}

serve_mailbox() {
    local name=$1
    shift
    work=$(mktemp -d -t "kelvane-$name.XXXXXX")
    trap finish_served_mailbox EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    coproc SERVER { exec "$@"; }
    server_pid=$SERVER_PID
    to_server=${SERVER[1]}
    read -r address user password <&"${SERVER[0]}" ||
        { echo "the server did not start" >&2; exit 1; }
}

use_own_settings() {
    local check=$1
    export XDG_CONFIG_HOME="$work/config" KELVANE_DATA_DIR="$work/data"
    mkdir -p "$XDG_CONFIG_HOME/Tarnwick Corporation/Kelvane"
    printf '[Server]\nWhich=1\nServer1=%s\nMailbox1=%s\nCheck1=1\n' "$address" "$user" \
        > "$XDG_CONFIG_HOME/Tarnwick Corporation/Kelvane/10.conf"
    printf '%s\n' "$password" | "$check" --set-password 1
}
