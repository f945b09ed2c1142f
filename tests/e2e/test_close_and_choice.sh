#!/usr/bin/env bash
# The window's close button leaves the game cleanly (settings saved, status 0) from the
# menu and from a match;
# the weapon choice after a death takes a mouse click.
# Usage: test_close_and_choice.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/match_lib.sh"
e2e_init "${1:?build folder}" close_choice
BMP=$E2E_BUILD/bmp
export HOME=$E2E_TMP XDG_CONFIG_HOME=$E2E_TMP/config XDG_DATA_HOME=$E2E_TMP/data

# Closing the window on the menu.
e2e_start
e2e_park
e2e_check "menu shown" e2e_wait_menu 5
e2e_close_request
e2e_expect_exit 0 20
e2e_check "settings saved on the way out" test -s "$XDG_CONFIG_HOME/krag/settings.cfg"

# A match: the choice opens, a click on the shotgun's row closes it, the human
# spawns; then closing the window leaves the match and the game.
e2e_launch
e2e_wait_window 20
e2e_park
e2e_check "menu shown again" e2e_wait_menu 5
e2e_play
e2e_move 300 20
e2e_check "weapon choice open" e2e_wait_sprite "$BMP/weapons.bmp" 233 142 174 196 10
e2e_click 380 $((142 + 21 + 2 * 21 + 10))
e2e_move 300 20
e2e_check "a click closes the weapon choice" \
    e2e_not e2e_wait_sprite "$BMP/weapons.bmp" 233 142 174 196 1
e2e_check "human spawns" e2e_wait_spawn 15
e2e_close_request
e2e_expect_exit 0 20
e2e_done
