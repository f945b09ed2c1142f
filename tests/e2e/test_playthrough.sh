#!/usr/bin/env bash
# A whole session: settings changed on the options screen (game type, kill limit 1,
# bots, skill, map), a match played to its won or lost picture, Escape, the credits,
# the double-size window and back, quit.
# Usage: test_playthrough.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" playthrough
BMP=$E2E_BUILD/bmp

# The kill limit starts one above the lowest, so one click takes it to 1.
e2e_settings "kill_limit = 2"

e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5

e2e_click $MENU_OPTIONS
e2e_check "options shown" e2e_options_shown
before=$(e2e_shot options-before)
# Each click is seen on its line before the next.
e2e_options_click $OPT_TYPE_NEXT 1 $OPT_TYPE_TEXT     # TEAMMATCH
e2e_options_click $OPT_KILLS_DOWN 1 $OPT_KILLS_TEXT   # kill limit 1
e2e_options_click $OPT_BOTS_UP 2 $OPT_BOTS_TEXT       # five bots
e2e_options_click $OPT_SKILL_HARDER 1 $OPT_SKILL_TEXT # HARD
e2e_options_click $OPT_MAP_NEXT 1 $OPT_MAP_TEXT       # another map ...
e2e_options_click $OPT_MAP_PREV 1 $OPT_MAP_TEXT       # ... and back to the small arena
after=$(e2e_shot options-after)
e2e_check "game type text changed" e2e_region_changed "$before" "$after" $OPT_TYPE_TEXT
e2e_check "kill limit text changed" e2e_region_changed "$before" "$after" $OPT_KILLS_TEXT
e2e_check "bots text changed" e2e_region_changed "$before" "$after" $OPT_BOTS_TEXT
e2e_check "skill text changed" e2e_region_changed "$before" "$after" $OPT_SKILL_TEXT
e2e_check "map name back to the first map" e2e_not e2e_region_changed "$before" "$after" $OPT_MAP_TEXT
e2e_click $OPT_BACK
e2e_check "menu before the match" e2e_wait_menu

e2e_play
e2e_move 320 240
# Five hard bots and a kill limit of one decide the match quickly.
result=""
for i in $(seq 120); do
    result=$(e2e_result "$(e2e_shot result)")
    [ -n "$result" ] && break
    sleep 0.5
done
echo "match result: ${result:-none}"
e2e_check "the match ends with the won or lost picture" test -n "$result"
# Still there a second later (looked for until an explosion's screen shake has passed).
sleep 1
same_result() { [ "$(e2e_result "$1")" = "$result" ]; }
e2e_check "the result stays on screen" e2e_poll_shot 5 same_result

e2e_key Escape
e2e_park
e2e_check "Escape returns to the menu" e2e_wait_menu 5
e2e_click $MENU_CREDITS
e2e_park
e2e_check "credits shown" e2e_wait_region "$BMP/credits.bmp" 0 0 640 220 5
e2e_key Escape
e2e_check "back from the credits" e2e_wait_menu 5

e2e_click $MENU_OPTIONS
e2e_options_shown
e2e_click_changes 399 302 393 296 12 12 # the double-size box gets its tick
e2e_click $OPT_BACK
e2e_check "double-size window" e2e_wait_size 1280 960 10
e2e_park
e2e_check "menu doubled" e2e_wait_menu 5
e2e_click $MENU_OPTIONS
e2e_options_shown
e2e_click_changes 399 302 393 296 12 12
e2e_click $OPT_BACK
e2e_check "plain window again" e2e_wait_size 640 480 10
e2e_park
e2e_check "menu in the plain window" e2e_wait_menu 5
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
