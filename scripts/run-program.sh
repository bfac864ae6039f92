#!/usr/bin/env bash
# Builds Sitora, installs it into the user's program folder (default ~/Sitora, or
# $SITORA_HOME) and starts it from there. The user's db.mdb, key.exe and sk.exe are created
# only where missing and never replaced, so cleaning the checkout never touches them.
set -euo pipefail
cd "$(dirname "$0")/.."
home="${SITORA_HOME:-$HOME/Sitora}"

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"

mkdir -p "$home"
# Programs are replaced through a new name, so a running copy keeps its file.
for program in sitora sitora-cli; do
    install -m 0755 "build/Sitora/$program" "$home/.$program.new"
    mv -f "$home/.$program.new" "$home/$program"
done
[ -e "$home/db.mdb" ] || "$home/sitora-cli" newdb "$home/db.mdb"
# The carriers hold the login password and the data key: for their owner's eyes only, also
# where an older install left them readable by others.
for carrier in key.exe sk.exe; do
    [ -e "$home/$carrier" ] || (umask 077 && : > "$home/$carrier")
    chmod go-rwx "$home/$carrier"
done
for extra in msyh.TTF msyhbd.TTF banner.htm; do
    [ -e "build/Sitora/$extra" ] && [ ! -e "$home/$extra" ] && cp "build/Sitora/$extra" "$home/$extra"
done

echo "Sitora is installed in $home"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$home/sitora"
else
    echo "No desktop found: starting under a virtual X display (xvfb-run)."
    exec xvfb-run -a "$home/sitora"
fi
