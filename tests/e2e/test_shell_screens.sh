#!/usr/bin/env bash
# The real game in a real X server: menu, options (stepping through every shipped map by
# name, stopping at both ends; clicks made while the game is stalled), credits, the doubled window, quitting, and refusing to
# start without its data.
# Usage: test_shell_screens.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" shell_screens
BMP=$E2E_BUILD/bmp

# Back-buffer spots on the menu and options pictures.
PLAY="320 193"
OPTIONS="320 255"
CREDITS="320 286"
QUIT="320 317"
KILLS_UP="238 205"
WINDOW_BOX="399 256"
DOUBLE_BOX="399 302"
DOUBLE_TICK="393 296 12 12"
BACK="320 372"

# The menu picture, above the pointer's parking corner.
menu_shown() { e2e_wait_menu 5; }

e2e_start
e2e_park
e2e_check "menu picture shown in a 640x480 window" menu_shown
e2e_check "window is 640x480" test "$WIN_W" -eq 640 -a "$WIN_H" -eq 480

# A taskbar knows the game: the window's class (the desktop entry's StartupWMClass) and
# its own icon.
window_class_is_krag() { [ "$(xprop -id "$KRAG_WIN" WM_CLASS)" = 'WM_CLASS(STRING) = "krag", "KRAG"' ]; }
window_has_icon() { xprop -id "$KRAG_WIN" WM_HINTS | grep -q 'bitmap id # to use for icon'; }
e2e_check "window class is krag, KRAG" window_class_is_krag
e2e_check "window carries an icon" window_has_icon

# Options: one click on the kills arrow changes the kills text, nothing else.
e2e_click $OPTIONS
e2e_park
e2e_check "options picture shown" e2e_wait_region "$BMP/options.bmp" 0 0 640 100 5
before=$(e2e_shot options-before)
e2e_click $KILLS_UP
e2e_park
kills_changed() { after=$1; e2e_region_changed "$before" "$1" 150 200 80 16; }
e2e_check "kills text changed" e2e_poll_shot 5 kills_changed
e2e_check "game type text unchanged" e2e_not e2e_region_changed "$before" "$after" 130 155 100 16

# The map line steps through every shipped map and stops at both ends.
count=$(ls "$E2E_BUILD"/krm/*.krm | wc -l)
name_shown() { test "$(e2e_count_colour "$1" 260 115 95 8 FFFFFF)" -gt 10; }
e2e_check "a map name is shown" e2e_poll_shot 5 name_shown
# An arrow that must not change the name: the name stays for a second of looks.
name_moved() { e2e_region_changed "$name" "$1" $OPT_MAP_TEXT; }
name=$(e2e_shot map-0)
e2e_click $OPT_MAP_PREV
e2e_park
e2e_check "no map before the first" e2e_not e2e_poll_shot 1 name_moved
for i in $(seq $((count - 1))); do
    e2e_check "map $((i + 1)) of $count has its own name" e2e_click_changes $OPT_MAP_NEXT $OPT_MAP_TEXT
done
e2e_park
name=$(e2e_shot map-last)
e2e_click $OPT_MAP_NEXT
e2e_park
e2e_check "no map after the last" e2e_not e2e_poll_shot 1 name_moved
# Clicks made while the game is stalled (a busy machine) each count, where they were
# made however far the pointer has gone since: the kills arrow, then BACK.
stalled=$(e2e_shot stalled)
kill -STOP "$KRAG_PID"
e2e_click $KILLS_UP
e2e_click $BACK
e2e_park
kill -CONT "$KRAG_PID"
e2e_check "back at the menu after two clicks made in a stall" menu_shown

# Credits: the picture, then the name fades in over it; Escape leaves.
e2e_click $CREDITS
e2e_park
e2e_check "credits picture shown" e2e_wait_region "$BMP/credits.bmp" 0 0 640 220 5
name_drawn() { e2e_not e2e_region_matches "$1" "$BMP/credits.bmp" 272 236 96 8 0; }
e2e_check "author's name drawn over the picture" e2e_poll_shot 10 name_drawn
e2e_key Escape
e2e_check "Escape returns to the menu" menu_shown

# Double size: the game reopens in a 1280x960 window showing the doubled picture.
e2e_click $OPTIONS
e2e_check "options for double size" e2e_wait_region "$BMP/options.bmp" 0 0 640 100 5
e2e_check "... and the first of them counted" \
    e2e_region_changed "$stalled" "$(e2e_shot unstalled)" 150 200 80 16
e2e_check "double size ticked" e2e_click_changes $DOUBLE_BOX $DOUBLE_TICK
e2e_click $BACK
e2e_check "1280x960 window after ticking double size" e2e_wait_size 1280 960 10
e2e_check "double size is saved for the next start" \
    grep -qx "video = double" "$XDG_CONFIG_HOME/krag/settings.cfg"
e2e_park
e2e_check "menu picture doubled" menu_shown
e2e_check "xwininfo agrees on 1280x960" \
    sh -c "xwininfo -id $KRAG_WIN | grep -q 'Width: 1280' && xwininfo -id $KRAG_WIN | grep -q 'Height: 960'"

# Back to the plain window, then quit.
e2e_click $OPTIONS
e2e_check "options in the doubled window" e2e_wait_region "$BMP/options.bmp" 0 0 640 100 5
e2e_check "double size unticked" e2e_click_changes $DOUBLE_BOX $DOUBLE_TICK
e2e_click $BACK
e2e_check "640x480 window again" e2e_wait_size 640 480 10
e2e_park
e2e_check "menu picture in the plain window" menu_shown
e2e_click $QUIT
e2e_expect_exit 0

# Broken pictures and a FIFO among the maps: krag names each file with its reason and the
# folder it looked in, and exits with 1 (the FIFO used to hang it, the header promising
# 65536x65536 pixels to crash it).
broken=$E2E_TMP/broken
e2e_data_copy "$broken"
rm "$broken/bmp/cursor.bmp"
{
    printf 'BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\0\1\0\0\0\1\0\1\0\x18\0'
    head -c 40 /dev/zero
} >"$broken/bmp/menu.bmp"
convert -size 1x1 xc:red BMP3:"$broken/bmp/box.bmp"
convert "$BMP/fire_1.bmp" BMP:"$broken/bmp/fire_1.bmp" # written with a V5 header
mkfifo "$broken/krm/x.krm"
e2e_launch "$broken"
e2e_expect_exit 1 30
e2e_check "FIFO among the maps named and skipped" grep -q '^krm/x.krm:0: not a regular file$' "$E2E_TMP/krag.log"
e2e_check "missing file named" grep -q '^krag: bmp/cursor.bmp: not found$' "$E2E_TMP/krag.log"
e2e_check "oversized header named" grep -q '^krag: bmp/menu.bmp: 65536x65536, expected 640x480$' "$E2E_TMP/krag.log"
e2e_check "wrong size named" grep -q '^krag: bmp/box.bmp: 1x1, expected 16x16$' "$E2E_TMP/krag.log"
e2e_check "V5 header explained" \
    grep -q '^krag: bmp/fire_1.bmp: unsupported BMP header (V5), save as 24-bit BMP3$' "$E2E_TMP/krag.log"
e2e_check "folder searched named" grep -q "$broken" "$E2E_TMP/krag.log"

# Only refused maps: krag says how many it found and exits with 1.
rm -f "$broken"/krm/*.krm
echo "640 480" >"$broken/krm/half.krm"
e2e_launch "$broken"
e2e_expect_exit 1 20
e2e_check "refused maps counted" grep -q "^krag: 1 map file found in $broken/krm/, all refused$" "$E2E_TMP/krag.log"

e2e_done
