#!/usr/bin/env bash
# The real game in a real X server: menu, options, credits, the doubled window, quitting,
# and refusing to start without its data.
# Usage: test_shell_screens.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "${1:?build folder}" shell_screens
BMP=$E2E_BUILD/bmp

# Back-buffer spots on the menu and options pictures.
PLAY="320 193"
OPTIONS="320 224"
CREDITS="320 255"
QUIT="320 286"
KILLS_UP="238 205"
WINDOW_BOX="399 256"
DOUBLE_BOX="399 302"
BACK="320 372"

# The menu picture, above the pointer's parking corner.
menu_shown() { e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5; }

e2e_start
e2e_park
e2e_check "menu picture shown in a 640x480 window" menu_shown
e2e_check "window is 640x480" test "$WIN_W" -eq 640 -a "$WIN_H" -eq 480

# Options: one click on the kills arrow changes the kills text, nothing else.
e2e_click $OPTIONS
e2e_park
e2e_check "options picture shown" e2e_wait_region "$BMP/options.bmp" 0 0 640 100 5
before=$(e2e_shot options-before)
e2e_click $KILLS_UP
e2e_park
after=$(e2e_shot options-after)
e2e_check "kills text changed" e2e_region_changed "$before" "$after" 150 200 80 16
e2e_check "game type text unchanged" e2e_not e2e_region_changed "$before" "$after" 130 155 100 16
e2e_click $BACK
e2e_park
e2e_check "back at the menu" menu_shown

# Credits: the picture, then the name fades in over it; Escape leaves.
e2e_click $CREDITS
e2e_park
e2e_check "credits picture shown" e2e_wait_region "$BMP/credits.bmp" 0 0 640 220 5
sleep 2.5
shot=$(e2e_shot credits-name)
e2e_check "author's name drawn over the picture" e2e_not e2e_region_matches "$shot" "$BMP/credits.bmp" 272 236 96 8 0
e2e_key Escape
e2e_check "Escape returns to the menu" menu_shown

# Double size: the game reopens in a 1280x960 window showing the doubled picture.
e2e_click $OPTIONS
e2e_click $DOUBLE_BOX
e2e_click $BACK
e2e_check "1280x960 window after ticking double size" e2e_wait_size 1280 960 10
e2e_park
e2e_check "menu picture doubled" menu_shown
e2e_check "xwininfo agrees on 1280x960" \
    sh -c "xwininfo -id $KRAG_WIN | grep -q 'Width: 1280' && xwininfo -id $KRAG_WIN | grep -q 'Height: 960'"

# Back to the plain window, then quit.
e2e_click $OPTIONS
e2e_click $DOUBLE_BOX
e2e_click $BACK
e2e_check "640x480 window again" e2e_wait_size 640 480 10
e2e_park
e2e_check "menu picture in the plain window" menu_shown
e2e_click $QUIT
e2e_expect_exit 0

# A missing picture: krag names it and the folder it looked in, and exits with 1.
broken=$E2E_TMP/broken
e2e_data_copy "$broken"
rm "$broken/bmp/cursor.bmp"
e2e_launch "$broken"
e2e_expect_exit 1 20
e2e_check "missing file named" grep -q 'bmp/cursor.bmp' "$E2E_TMP/krag.log"
e2e_check "folder searched named" grep -q "$broken" "$E2E_TMP/krag.log"

# No maps at all: krag names its krm/ folder and exits with 1.
cp "$E2E_BUILD/bmp/cursor.bmp" "$broken/bmp/"
rm -f "$broken"/krm/*.krm
e2e_launch "$broken"
e2e_expect_exit 1 20
e2e_check "empty map folder named" grep -q "$broken/krm" "$E2E_TMP/krag.log"

e2e_done
