#!/usr/bin/env bash
# Installs a built program folder for the user only: the programs into the program folder
# (HOME_FOLDER), a `sitora-cli` link in ~/.local/bin, the manual page, bash completion, the
# desktop entry, the icon and the AppStream metainfo under the user's data folder. Never system-wide, never over a
# file it did not make; every file it makes is listed in HOME_FOLDER/.installed for
# `make uninstall`. db.mdb, key.exe and sk.exe are made only where missing and never listed.
#   install-files.sh BUILT_PROGRAM_FOLDER HOME_FOLDER
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
built="$1" home="$2"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
mkdir -p "$home"
manifest="$home/.installed"
old_manifest="$(cat "$manifest" 2>/dev/null || true)"
new_manifest="$(mktemp)"
trap 'rm -f "$new_manifest"' EXIT

# put SOURCE TARGET MODE: through a new name, so a running copy keeps its file; a file that is
# there and not ours is left alone.
put() {
    local from="$1" to="$2" mode="$3"
    if [ -e "$to" ] && ! grep -qxF "$to" <<<"$old_manifest"; then
        echo "left alone (not made by Sitora): $to"
        return
    fi
    mkdir -p "$(dirname "$to")"
    install -m "$mode" "$from" "$to.sitora-new"
    mv -f "$to.sitora-new" "$to"
    echo "$to" >> "$new_manifest"
}

for program in sitora sitora-cli; do put "$built/$program" "$home/$program" 0755; done
put "$source_dir/resources/sitora-cli.bash" "$home/sitora-cli.bash" 0644
put "$built/locale/zh_CN/LC_MESSAGES/sitora-cli.mo" "$home/locale/zh_CN/LC_MESSAGES/sitora-cli.mo" 0644
put "$source_dir/resources/sitora-cli.bash" "$data/bash-completion/completions/sitora-cli" 0644
# man finds pages in ~/.local/share/man for a command in ~/.local/bin.
gzip -9nc "$source_dir/resources/sitora-cli.1" > "$new_manifest.man"
put "$new_manifest.man" "$data/man/man1/sitora-cli.1.gz" 0644
rm -f "$new_manifest.man"

# sitora-cli on the PATH (~/.local/bin, which Debian's ~/.profile puts there once it exists).
link="$HOME/.local/bin/sitora-cli"
if { [ -e "$link" ] || [ -L "$link" ]; } && ! grep -qxF "$link" <<<"$old_manifest"; then
    echo "left alone (not made by Sitora): $link"
else
    mkdir -p "$(dirname "$link")"
    ln -sfn "$home/sitora-cli" "$link"
    echo "$link" >> "$new_manifest"
fi

# The caches the desktop keeps of these folders: made by this install where there were none, then
# listed so that uninstalling removes them too.
for cache in "$data/icons/hicolor/icon-theme.cache" "$data/applications/mimeinfo.cache"; do
    if [ ! -e "$cache" ] || grep -qxF "$cache" <<<"$old_manifest"; then echo "$cache" >> "$new_manifest"; fi
done

for png in "$built"/icons/sitora-*.png; do
    size="$(basename "$png" .png)"; size="${size#sitora-}"
    put "$png" "$data/icons/hicolor/${size}x${size}/apps/sitora.png" 0644
done
put "$source_dir/resources/sitora.svg" "$data/icons/hicolor/scalable/apps/sitora.svg" 0644
sed "s|@PROGRAM_FOLDER@|$home|g" "$source_dir/resources/org.sitora.Sitora.desktop.in" > "$new_manifest.desktop"
put "$new_manifest.desktop" "$data/applications/org.sitora.Sitora.desktop" 0644
rm -f "$new_manifest.desktop"
put "$source_dir/resources/org.sitora.Sitora.metainfo.xml" "$data/metainfo/org.sitora.Sitora.metainfo.xml" 0644

# The daily reminder and the weekly check as systemd user timers: installed, never enabled here
# (the README says how).
units="${XDG_CONFIG_HOME:-$HOME/.config}/systemd/user"
for unit in sitora-due sitora-check; do
    sed "s|@PROGRAM_FOLDER@|$home|g" "$source_dir/resources/$unit.service.in" > "$new_manifest.service"
    put "$new_manifest.service" "$units/$unit.service" 0644
    rm -f "$new_manifest.service"
    put "$source_dir/resources/$unit.timer" "$units/$unit.timer" 0644
done

# The fonts and the banner page are copied once: a banner the user changed stays as it is.
for extra in msyh.TTF msyhbd.TTF banner.htm; do
    if [ -e "$built/$extra" ] && [ ! -e "$home/$extra" ]; then put "$built/$extra" "$home/$extra" 0644; fi
done

# Files of an older install that this one no longer makes stay listed, so uninstall finds them.
grep -vxF -f "$new_manifest" <<<"$old_manifest" | grep . >> "$new_manifest" || true
install -m 0600 "$new_manifest" "$manifest"

[ -e "$home/db.mdb" ] || "$home/sitora-cli" newdb "$home/db.mdb"
# The carriers hold the login password and the data key: for their owner's eyes only, also
# where an older install left them readable by others.
for carrier in key.exe sk.exe; do
    [ -e "$home/$carrier" ] || (umask 077 && : > "$home/$carrier")
    chmod go-rwx "$home/$carrier"
done
command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$data/icons/hicolor" 2>/dev/null || true
echo "Sitora is installed in $home"
