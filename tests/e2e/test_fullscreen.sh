#!/usr/bin/env bash
# Full screen on a desktop of its own size: the picture at the largest whole-number
# scale that fits, centred on black bars, and clicks mapped through the same scale.
# Usage: test_fullscreen.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" fullscreen
BMP=$E2E_BUILD/bmp

# 2000x1500: three times 640x480 is 1920x1440, with bars 40 wide and 30 high.
export E2E_SCREEN=2000x1500x24
SCALE=3 OX=40 OY=30
e2e_xvfb
"$E2E_BUILD/krag" --fullscreen >"$E2E_TMP/krag.log" 2>&1 </dev/null &
KRAG_PID=$!

# Picture pixel (x, y) on the screen.
fs_move() { xdotool mousemove $((OX + SCALE * $1 + 1)) $((OY + SCALE * $2 + 1)); sleep 0.1; }
fs_click() {
    fs_move "$1" "$2"
    xdotool mousedown 1
    sleep 0.15
    xdotool mouseup 1
    sleep 0.25
}
# True when the picture's region matches a bitmap's (the picture is the screen's
# SCALE-times blocks from OX, OY).
fs_matches() {
    local n
    n=$("$E2E_SHOT" diff "$(e2e_shot fs)" "$SCALE+$OX+$OY" "$2" "$3" "$4" "$5" "$1")
    [ -n "$n" ] && [ "$n" -le 20 ] 2>/dev/null
}
# Waits up to SECS (the sixth argument) for fs_matches, parking the pointer in the
# bottom-right bar each time (the game may place it when its screen opens).
fs_wait() {
    local until=$((SECONDS + $6))
    while [ $SECONDS -lt $until ]; do
        xdotool mousemove 1999 1499
        fs_matches "$@" && return 0
        kill -0 "$KRAG_PID" 2>/dev/null || return 1
        sleep 0.25
    done
    return 1
}
# Pixels of a screen rectangle that are not black.
lit_pixels() { echo $(($4 * $5 - $("$E2E_SHOT" count "$1" 1 "$2" "$3" "$4" "$5" 000000))); }

e2e_check "the menu fills the screen three times over" fs_wait "$BMP/menu.bmp" 0 0 640 440 60
# Each pixel is a 3x3 block: one picture pixel sampled at each corner of its block agrees.
shot=$(e2e_shot blocks)
a=$("$E2E_SHOT" colours "$shot" 1 $((OX + 3 * 300)) $((OY + 3 * 200)) 3 3)
e2e_check "whole-number blocks" test "$a" -eq 1
e2e_check "black bar left" test "$(lit_pixels "$shot" 0 0 "$OX" 1500)" -eq 0
e2e_check "black bar right" test "$(lit_pixels "$shot" $((OX + 1920)) 0 "$OX" 1500)" -eq 0
e2e_check "black bar top" test "$(lit_pixels "$shot" 0 0 2000 "$OY")" -eq 0
e2e_check "black bar bottom" test "$(lit_pixels "$shot" 0 $((OY + 1440)) 2000 "$OY")" -eq 0

# Clicks land through the same scale: OPTIONS, then BACK, then QUIT.
fs_click 320 255
e2e_check "options reached by a scaled click" fs_wait "$BMP/options.bmp" 0 0 640 80 60
fs_click 320 372
e2e_check "back at the menu" fs_wait "$BMP/menu.bmp" 0 0 640 440 60
fs_click 320 317
e2e_expect_exit 0 20
e2e_done
