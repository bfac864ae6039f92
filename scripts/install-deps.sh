#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Sitora need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev sqlite3
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev
    fonts-wqy-microhei
    xvfb xauth python3 strace
    libreoffice-calc-nogui libreoffice-writer-nogui
    qt6-translations-l10n xdotool x11-utils
    librsvg2-bin desktop-file-utils appstream groff-base
    mdbtools mdbtools-dev libicu-dev
    postgresql-15 libpq-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
