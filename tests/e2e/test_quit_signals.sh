#!/usr/bin/env bash
# Quit signals end the game through its normal path (status 0, no core) on the menu and
# in a match, also when SIGINT was inherited as ignored; a map that breaks after the
# list was built explains itself on screen when Play is clicked.
# Usage: test_quit_signals.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" quit_signals
BMP=$E2E_BUILD/bmp

# The game runs from its own copy, so a core file would land where we can see it.
game=$E2E_TMP/game
e2e_data_copy "$game"
ulimit -c unlimited 2>/dev/null || ulimit -c 100000 2>/dev/null || :

menu_shown() { e2e_wait_menu 10; }
# A match is on once its weapon selector shows (before the human spawns).
match_on() { e2e_wait_sprite "$BMP/weapons.bmp" 233 142 174 196 20; }
no_core() { ! ls "$game"/core* >/dev/null 2>&1; }

# Sends SIG and expects a clean exit 0 without a core file.
quit_by() {
    kill -"$1" "$KRAG_PID"
    e2e_expect_exit 0 20
    e2e_check "no core file after SIG$1" no_core
}

# The list is built at start; then the first map's first tile is swapped for a picture
# whose header promises 65536x65536 pixels.
e2e_start "$game"
e2e_park
e2e_check "menu shown" menu_shown
{
    printf 'BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\0\1\0\0\0\1\0\1\0\x18\0'
    head -c 40 /dev/zero
} >"$game/bmp/huge.bmp"
sed -i 's/^rock\.bmp$/huge.bmp/' "$game/krm/arena.krm"
e2e_play
e2e_park
e2e_check "the refusal is explained in the log" \
    e2e_poll 10 grep -q 'krm/arena.krm:[0-9]*: tile "huge.bmp" is 65536x65536, outside 1x1-4096x4096' "$E2E_TMP/krag.log"
notice_shown() { # white title text on black where the menu's buttons would be
    local shot
    shot=$(e2e_shot notice)
    [ "$(e2e_count_colour "$shot" 120 196 400 12 FFFFFF)" -gt 50 ] &&
        [ "$(e2e_count_colour "$shot" 0 0 640 150 000000)" -eq 96000 ]
}
e2e_check "a message on screen instead of nothing" e2e_poll 10 notice_shown
e2e_click 320 240
e2e_park
e2e_check "a click goes back to the menu" menu_shown
quit_by HUP

# SIGINT inherited as ignored (a script's background job), sent during a match.
e2e_launch_with "trap '' INT" "$game"
e2e_wait_window 20
e2e_park
restore_map() { cp "$E2E_BUILD/krm/arena.krm" "$game/krm/arena.krm"; }
restore_map
e2e_check "menu shown (SIGINT ignored)" menu_shown
e2e_play
e2e_check "the match runs" match_on
quit_by INT

# SIGTERM on the menu and in a match; the library's own handler used to abort now and then.
e2e_start "$game"
e2e_park
e2e_check "menu shown before SIGTERM" menu_shown
quit_by TERM
e2e_start "$game"
e2e_park
e2e_check "menu shown before the match" menu_shown
e2e_play
e2e_check "the match runs before SIGTERM" match_on
quit_by TERM

e2e_done
