#!/usr/bin/env bash
# What the desktop shows of the program, at a real X server: the titles of the login window, a
# message box and the main window (_NET_WM_NAME) read exactly as the program sets them, and the
# window class stays "Sitora". Skipped (77) without Xvfb, xdotool or xprop.
set -euo pipefail
program="$1"
for tool in Xvfb xdotool xprop; do command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }; done
work="$(mktemp -d)"
display=":$((90 + RANDOM % 100))"
cleanup() { kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
export DISPLAY="$display" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"
for _ in $(seq 50); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
mkdir "$work/Sitora"
cp "$program" "$work/Sitora/sitora"
"$(dirname "$program")/sitora-cli" newdb "$work/Sitora/db.mdb"
: > "$work/Sitora/key.exe"; : > "$work/Sitora/sk.exe"
"$work/Sitora/sitora" >/dev/null 2>&1 & app=$!

fail() { echo "$1"; exit 1; }
# The window whose _NET_WM_NAME is exactly $1.
window_named() {
    local wanted="$1"
    for _ in $(seq 100); do
        for id in $(xdotool search --pid "$app" --onlyvisible --name . 2>/dev/null); do
            name="$(xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')"
            [ "$name" = "$wanted" ] && { echo "$id"; return 0; }
        done
        sleep 0.1
    done
    return 1
}
names() { for id in $(xdotool search --pid "$app" --onlyvisible --name . 2>/dev/null); do xprop -id "$id" _NET_WM_NAME; done; }

login="$(window_named "登录")" || fail "no window titled exactly 登录: $(names)"
xprop -id "$login" WM_CLASS | grep -q '"Sitora"' || fail "window class: $(xprop -id "$login" WM_CLASS)"
xdotool windowfocus --sync "$login" 2>/dev/null || true
xdotool type --window "$login" "wrong"; xdotool key --window "$login" Return
box="$(window_named "提示")" || fail "no message box titled exactly 提示: $(names)"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key --window "$box" Return 2>/dev/null || true   # the box goes before the key is up
for _ in $(seq 50); do xdotool search --pid "$app" --onlyvisible --name '^提示$' >/dev/null 2>&1 || break; sleep 0.1; done
xdotool windowfocus --sync "$login" 2>/dev/null || true
xdotool key --window "$login" Return   # the empty password of a new program folder
window_named "Sitora V1.0" >/dev/null || fail "no main window titled exactly Sitora V1.0: $(names)"
echo "titles read 登录, 提示 and Sitora V1.0; the window class is Sitora"
