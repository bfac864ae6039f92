#!/usr/bin/env bash
# What the desktop shows of the program, at a real X server: the titles of the login window, a
# message box and the main window (_NET_WM_NAME) read exactly as the program sets them, and the
# window class stays "Sitora". Skipped (77) without Xvfb, xdotool or xprop.
set -euo pipefail
program="$1"
for tool in Xvfb xdotool xprop xwininfo; do command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }; done
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
    for _ in $(seq "${WAIT:-100}"); do
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

# Keys sent to a window that has only just been mapped may be lost: the steps that close a
# window are repeated until the desktop shows their effect (a bounded number of times).
shown() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
xdotool windowfocus --sync "$login" 2>/dev/null || true
xdotool type --window "$login" "wrong"; xdotool key --window "$login" Return
box="$(window_named "提示")" || fail "no message box titled exactly 提示: $(names)"
for attempt in $(seq 20); do
    shown "$box" || break
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key --window "$box" Return 2>/dev/null || true   # the box goes before the key is up
    sleep 0.3
done
shown "$box" && fail "the message box does not close"
for attempt in $(seq 10); do
    xdotool windowfocus --sync "$login" 2>/dev/null || true
    xdotool key --window "$login" Return 2>/dev/null || true   # the empty password of a new program folder
    WAIT=30 window_named "Sitora V1.0" >/dev/null && main_shown=1 && break
done
[ -n "${main_shown:-}" ] || fail "no main window titled exactly Sitora V1.0: $(names)"
echo "titles read 登录, 提示 and Sitora V1.0; the window class is Sitora"

# A second start brings the running copy's main window up (where a window manager can minimize it).
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 & wm=$!
    trap 'kill "${wm:-}" 2>/dev/null || true; cleanup' EXIT
    main="$(window_named "Sitora V1.0")"
    for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
    for _ in $(seq 20); do
        xdotool windowminimize "$main" 2>/dev/null || true
        sleep 0.2
        xprop -id "$main" WM_STATE | grep -q Iconic && break
    done
    xprop -id "$main" WM_STATE | grep -q Iconic || fail "the main window could not be minimized"
    timeout 20 "$work/Sitora/sitora" || fail "the second start did not end at once"
    for _ in $(seq 50); do xprop -id "$main" WM_STATE | grep -q Normal && break; sleep 0.1; done
    xprop -id "$main" WM_STATE | grep -q Normal || fail "a second start left the main window minimized"
    echo "a second start brought the main window up"
fi
