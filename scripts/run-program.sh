#!/usr/bin/env bash
# Builds Sitora, installs it into the user's program folder (default ~/Sitora, or
# $SITORA_HOME) with its desktop entry, icon, manual page and completion, and starts it. The
# user's db.mdb, key.exe and sk.exe are created only where missing and never replaced, so
# cleaning the checkout never touches them.
set -euo pipefail
cd "$(dirname "$0")/.."
home="${SITORA_HOME:-$HOME/Sitora}"

scripts/install-deps.sh run
cmake -S . -B build -G Ninja -DSITORA_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"

scripts/install-files.sh build/Sitora "$home"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$home/sitora"
else
    echo "No desktop found: starting under a virtual X display (xvfb-run)."
    exec xvfb-run -a "$home/sitora"
fi
