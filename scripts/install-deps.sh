#!/usr/bin/env bash
# Installs the Debian packages Sitora needs: `install-deps.sh run` what building and running the
# program takes (make run), `install-deps.sh test` that and what the tests, the fuzzers and the
# benchmark take as well (make test). Safe to run again: packages already present are left alone.
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev gettext
    mdbtools-dev libpq-dev libicu-dev
    libcurl4-openssl-dev libssl-dev libsystemd-dev
    libpsl-dev libidn2-dev publicsuffix nlohmann-json3-dev ca-certificates libsodium-dev libfreexl-dev libsecret-1-dev
    fonts-wqy-microhei qt6-translations-l10n
    # A program folder without a desktop is started under a virtual X display.
    xvfb xauth
)
test_packages=(
    sqlite3 mdbtools postgresql-15
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev
    python3 strace dbus python3-dbusmock gnome-keyring
    libreoffice-calc-nogui libreoffice-writer-nogui
    xdotool x11-utils x11-apps openbox
    librsvg2-bin desktop-file-utils appstream groff-base
)

case "${1:-test}" in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*) echo "usage: $0 run | test" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
