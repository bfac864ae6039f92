#!/usr/bin/env bash
# Renders every window with sample records into build/screenshots/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
QT_QPA_PLATFORM=offscreen build/tools/screenshots/sitora-screenshots build/screenshots
