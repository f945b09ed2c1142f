#!/usr/bin/env bash
# The options screen steps through every shipped map by name and stops at both ends.
# Usage: test_options_maps.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" options_maps
BMP=$E2E_BUILD/bmp
count=$(ls "$E2E_BUILD"/krm/*.krm | wc -l)

e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_region "$BMP/menu.bmp" 0 0 640 440 5
e2e_click $MENU_OPTIONS
e2e_park
name_shown() { first=$1; test "$(e2e_count_colour "$1" 260 115 95 8 FFFFFF)" -gt 10; }
e2e_check "a map name is shown" e2e_poll_shot 5 name_shown
cp "$first" "$E2E_TMP/map-0.png"
first=$E2E_TMP/map-0.png
e2e_click $OPT_MAP_PREV
e2e_park
e2e_check "no map before the first" e2e_not e2e_region_changed "$first" "$(e2e_shot map-prev)" 260 115 95 8
prev=$first
for i in $(seq $((count - 1))); do
    e2e_click $OPT_MAP_NEXT
    e2e_park
    name_changed() { now=$1; e2e_region_changed "$prev" "$1" 260 115 95 8; }
    e2e_check "map $((i + 1)) of $count has its own name" e2e_poll_shot 5 name_changed
    cp "$now" "$E2E_TMP/map-$i.png"
    prev=$E2E_TMP/map-$i.png
done
e2e_click $OPT_MAP_NEXT
e2e_park
e2e_check "no map after the last" e2e_not e2e_region_changed "$prev" "$(e2e_shot map-end)" 260 115 95 8
e2e_click $OPT_BACK
e2e_click $MENU_QUIT
e2e_expect_exit 0
e2e_done
