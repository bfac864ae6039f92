#!/usr/bin/env bash
# What `make run` installs for the user, and what `make uninstall` removes: the desktop entry and
# the AppStream metainfo validate, the manual page renders, the completion completes, a file
# Sitora did not make is never replaced, and uninstalling leaves db.mdb, key.exe and sk.exe.
set -euo pipefail
source_dir="$1" built="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" SITORA_HOME="$work/home/Sitora"
mkdir -p "$XDG_DATA_HOME/metainfo"
fail() { echo "$1"; exit 1; }

# A file of the same name that Sitora did not make.
echo "someone else's" > "$XDG_DATA_HOME/metainfo/org.sitora.Sitora.metainfo.xml"
"$source_dir/scripts/install-files.sh" "$built" "$SITORA_HOME" >/dev/null
"$source_dir/scripts/install-files.sh" "$built" "$SITORA_HOME" >/dev/null   # again, over its own files
[ "$(cat "$XDG_DATA_HOME/metainfo/org.sitora.Sitora.metainfo.xml")" = "someone else's" ] || fail "a foreign file was replaced"

desktop="$XDG_DATA_HOME/applications/org.sitora.Sitora.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx "Exec=$SITORA_HOME/sitora" "$desktop" || fail "the desktop entry does not start the installed program"
appstreamcli validate --no-net "$source_dir/resources/org.sitora.Sitora.metainfo.xml" >/dev/null || fail "the metainfo does not validate"
[ -s "$XDG_DATA_HOME/icons/hicolor/48x48/apps/sitora.png" ] && [ -s "$XDG_DATA_HOME/icons/hicolor/scalable/apps/sitora.svg" ] || fail "no icon"
zcat "$XDG_DATA_HOME/man/man1/sitora-cli.1.gz" | groff -man -ww -z 2>&1 | grep . && fail "the manual page has warnings"
"$HOME/.local/bin/sitora-cli" --help | grep -q '^  compact' || fail "sitora-cli is not in ~/.local/bin"
[ -e "$XDG_DATA_HOME/icons/hicolor/icon-theme.cache" ] || ! command -v gtk-update-icon-cache >/dev/null || fail "no icon cache"
"$SITORA_HOME/sitora-cli" --help | grep -q '^  compact' || fail "--help lists no commands"
"$SITORA_HOME/sitora-cli" export --help | grep -q -- '--format xls|csv|htm|rtf|txt' || fail "export --help"
# shellcheck disable=SC1091
source "$SITORA_HOME/sitora-cli.bash"
COMP_WORDS=(sitora-cli export --format ""); COMP_CWORD=3; _sitora_cli
[ "${COMPREPLY[*]}" = "xls csv htm rtf txt" ] || fail "completion of export formats: ${COMPREPLY[*]}"
COMP_WORDS=(sitora-cli due --n); COMP_CWORD=2; _sitora_cli
[ "${COMPREPLY[*]}" = "--notify" ] || fail "completion of due --notify: ${COMPREPLY[*]}"
units="$HOME/.config/systemd/user"
grep -qx "ExecStart=$SITORA_HOME/sitora-cli due --notify --folder $SITORA_HOME --password-stdin" "$units/sitora-due.service" ||
    fail "the reminder service does not run the installed sitora-cli"
grep -qx "ExecStart=$SITORA_HOME/sitora-cli check --quiet --folder $SITORA_HOME --password-stdin" "$units/sitora-check.service" ||
    fail "the weekly check does not run the installed sitora-cli"
[ -s "$units/sitora-due.timer" ] && [ -s "$units/sitora-check.timer" ] && [ ! -e "$units/timers.target.wants" ] ||
    fail "the timers: missing, or enabled by the install"
COMP_WORDS=(sitora-cli co); COMP_CWORD=1; _sitora_cli
[ "${COMPREPLY[*]}" = "compact" ] || fail "completion of commands: ${COMPREPLY[*]}"

printf 'my register' > "$SITORA_HOME/db.mdb"; printf 'key' > "$SITORA_HOME/key.exe"; printf 'sk' > "$SITORA_HOME/sk.exe"
SITORA_HOME="$SITORA_HOME" "$source_dir/scripts/uninstall.sh" >/dev/null
[ "$(cat "$SITORA_HOME/db.mdb")$(cat "$SITORA_HOME/key.exe")$(cat "$SITORA_HOME/sk.exe")" = "my registerkeysk" ] || fail "uninstall touched the data"
for gone in "$SITORA_HOME/sitora" "$SITORA_HOME/sitora-cli" "$desktop" "$XDG_DATA_HOME/icons/hicolor/48x48/apps/sitora.png" \
           "$HOME/.local/bin/sitora-cli" "$XDG_DATA_HOME/man/man1/sitora-cli.1.gz" "$XDG_DATA_HOME/icons/hicolor/icon-theme.cache" \
           "$units/sitora-due.service" "$units/sitora-due.timer" "$units/sitora-check.service" "$units/sitora-check.timer"; do
    [ ! -e "$gone" ] || fail "uninstall left $gone"
done
[ "$(cat "$XDG_DATA_HOME/metainfo/org.sitora.Sitora.metainfo.xml")" = "someone else's" ] || fail "uninstall removed a foreign file"
echo "installed files validate; uninstall removes them and leaves the data"
