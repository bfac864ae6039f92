#!/bin/sh
# The source folders are floors: each includes only from the floors below it and its own, so that
# the ground floor stands alone and the core never reaches into the windows.
# Usage: floors_test.sh SOURCE_DIR
cd "$1/src" || exit 2
status=0
check() {  # FOLDER ALLOWED-PREFIXES...
    folder=$1; shift
    pattern=$(printf '%s|' "$@"); pattern="^(${pattern%|})/"
    grep -rhoE '^#include "[^"]+"' "$folder" | sed 's/^#include "//; s/"$//' | grep -vE "$pattern" | sort -u |
        while read -r wrong; do echo "$folder includes $wrong from above"; done | grep . && status=1
}
check base base
check protect base protect
check data base protect data
check export base data export
check remind base data check remind
check check base data check
check ui base protect data export remind check ui
# A window asks for another through the window set, never by including its header.
for folder in ui/*/; do
    own=$(basename "$folder")
    grep -rhoE '^#include "ui/[a-z]+/[a-z_]+_window\.h"' "$folder" | grep -v "\"ui/$own/" | sort -u |
        while read -r wrong; do echo "$folder $wrong: a window includes another window's header"; done | grep . && status=1
done
exit $status
