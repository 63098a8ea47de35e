#!/usr/bin/env bash
# Sets up the demo in DIR (an empty folder): a private Dovecot on 127.0.0.1 serving the demo
# mailbox, a settings store and a program folder of its own with mailbox 1 and the demo rules.
#   setup.sh DIR KELVANE_CHECK
# Prints the environment that points Kelvane at it (eval-able lines). Needs root, since Dovecot
# serves the mailbox as its own dovecot user. teardown.sh DIR undoes everything.
set -euo pipefail

dir=$1
check=$2
here=$(cd "$(dirname "$0")" && pwd)
readonly password=demo-password

[ "$(id -u)" -eq 0 ] || { echo "The demo needs root: its private Dovecot runs as the dovecot user." >&2; exit 77; }
command -v dovecot > /dev/null || { echo "The demo needs Dovecot (dovecot-core dovecot-pop3d)." >&2; exit 77; }
getent passwd dovecot > /dev/null || { echo "The demo needs the dovecot user." >&2; exit 77; }

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

dir=$(cd "$dir" && pwd)
chmod 0711 "$dir"
mkdir -p "$dir/dovecot/run" "$dir/dovecot/state" "$dir/dovecot/mail" "$dir/config" "$dir/data"
python3 "$here/make_demo_mail.py" "$dir/dovecot/mail/demo" > /dev/null
chown -R dovecot:dovecot "$dir/dovecot/mail"
printf 'demo:{PLAIN}%s\n' "$password" > "$dir/dovecot/users"
chown root:dovecot "$dir/dovecot/users"
chmod 0640 "$dir/dovecot/users"

port=$(free_port)
cat > "$dir/dovecot/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1
base_dir = $dir/dovecot/run
state_dir = $dir/dovecot/state
log_path = $dir/dovecot/dovecot.log
instance_name = kelvane-demo-$port
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
default_internal_user = dovecot
default_login_user = dovenull
first_valid_uid = 1
mail_location = maildir:$dir/dovecot/mail/%u
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = $dir/dovecot/users
}
userdb {
  driver = static
  args = uid=dovecot gid=dovecot home=$dir/dovecot/mail/%u
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    port = 0
  }
}
CONF
dovecot -F -c "$dir/dovecot/dovecot.conf" > "$dir/dovecot/dovecot.out" 2>&1 &
echo $! > "$dir/dovecot/pid"
for _ in $(seq 100); do
    if python3 -c "import socket,sys; s=socket.create_connection(('127.0.0.1', $port), 1); sys.exit(0 if s.recv(64).startswith(b'+OK') else 1)" 2> /dev/null; then
        break
    fi
    sleep 0.1
done

settings="$dir/config/Tarnwick Corporation/Kelvane"
mkdir -p "$settings"
cat > "$settings/10.conf" <<CONF
[General]
Logfile=$dir/data/logfile.txt
Launch=0
[Server]
Which=1
Server1=127.0.0.1:$port
Mailbox1=demo
Check1=1
Security1=0
CONF
python3 "$here/write_demo_rules.py" "$dir/data"
printf '%s\n' "$password" |
    XDG_CONFIG_HOME="$dir/config" KELVANE_DATA_DIR="$dir/data" "$check" --set-password 1 > /dev/null

echo "export XDG_CONFIG_HOME='$dir/config'"
echo "export KELVANE_DATA_DIR='$dir/data'"
echo "export KELVANE_DNS_SERVER=127.0.0.1:9"
