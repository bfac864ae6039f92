#!/usr/bin/env bash
# Removes what `make run` installed, as listed in the program folder's .installed, and nothing
# else: db.mdb, key.exe, sk.exe and every other file of the user stay where they are.
set -euo pipefail
home="${SITORA_HOME:-$HOME/Sitora}"
manifest="$home/.installed"
[ -f "$manifest" ] || { echo "nothing installed by Sitora in $home"; exit 0; }
while IFS= read -r path; do
    case "$(basename "$path")" in db.mdb|key.exe|sk.exe|tempdb.mdb|newdb.mdb) continue ;; esac
    rm -f "$path"
    rmdir -p --ignore-fail-on-non-empty "$(dirname "$path")" 2>/dev/null || true
done < "$manifest"
rm -f "$manifest"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
command -v update-desktop-database >/dev/null && [ -d "$data/applications" ] && update-desktop-database -q "$data/applications" || true
echo "Sitora's programs and desktop files are removed; your data in $home stays"
