# Shared by scripts/run, scripts/test and scripts/fuzz: the repository root, the packages Kelvane
# builds with, and their installation on Debian 12.
set -euo pipefail

KELVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
KELVANE_BUILD="$KELVANE_ROOT/build"
KELVANE_JOBS=${KELVANE_JOBS:-$(nproc 2>/dev/null || echo 2)}

# What the program needs to build and run.
KELVANE_BUILD_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-multimedia-dev libqt6svg6 libgl-dev libssl-dev
    libgtest-dev libgmock-dev libbenchmark-dev libsecret-1-dev
    libcurl4-openssl-dev nlohmann-json3-dev
)
# What the tests need besides: clang for the fuzzers, the real POP3 and DNS peers, a desktop
# keyring on a private session bus, and Python for the demo's mailbox.
KELVANE_TEST_PACKAGES=(
    clang libclang-rt-14-dev
    dovecot-core dovecot-pop3d dnsmasq-base dbus-daemon gnome-keyring python3
)
# What scripts/run --demo needs besides the build.
KELVANE_DEMO_PACKAGES=(dovecot-core dovecot-pop3d python3)

# Installs the missing packages among "$@" (apt-get as root; otherwise prints the line to run).
kelvane_install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Kelvane needs these packages: ${missing[*]}" >&2
        echo "Install them with:  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    # Package scripts must not start services (dovecot) on the machine; the tests start their own.
    local policy=/usr/sbin/policy-rc.d created_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' > "$policy" && chmod +x "$policy" && created_policy=1
    fi
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
    [ "$created_policy" = 1 ] && rm -f "$policy"
    return 0
}

# kelvane_configure DIR [cmake options...]
kelvane_configure() {
    local dir=$1
    shift
    cmake -S "$KELVANE_ROOT" -B "$dir" -G Ninja "$@" > "$dir.configure.log" 2>&1 || {
        cat "$dir.configure.log" >&2
        return 1
    }
}
