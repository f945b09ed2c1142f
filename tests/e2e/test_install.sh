#!/usr/bin/env bash
# The installed game: `make install DESTDIR=...` stages a tree that runs from any
# folder, also after being moved to a folder with a non-ASCII name; a setting changed
# on the options screen is still there after a restart. Every click here is a quick
# tap (press and release at once), as a touchpad sends it.
# Usage: test_install.sh BUILD_FOLDER
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "${1:?build folder}" install
SRC=$(cd "$(dirname "$0")/../.." && pwd)

OPTIONS="320 255"
QUIT="320 317"
KILLS_UP="238 205"
BACK="320 372"
KILLS_TEXT="150 200 80 16"

stage="$E2E_TMP/stage"
make -s -C "$SRC" install BUILD="$E2E_BUILD" PREFIX=/usr DESTDIR="$stage" >"$E2E_TMP/install.log" 2>&1 ||
    { cat "$E2E_TMP/install.log"; e2e_fail "make install failed"; }
BMP="$stage/usr/share/games/krag/bmp"
for f in usr/games/krag usr/games/krag-mapcheck usr/games/krag-sim \
    usr/share/games/krag/krm/arena.krm usr/share/games/krag/wav/gun.wav \
    usr/share/applications/krag.desktop usr/share/icons/hicolor/256x256/apps/krag.png \
    usr/share/man/man6/krag.6 usr/share/man/man6/krag-mapcheck.6; do
    e2e_check "installed $f" test -s "$stage/$f"
done
e2e_check "no build stamps installed" e2e_not test -e "$BMP/.stamp"

menu_shown() { e2e_wait_menu "${1:-10}" "$BMP"; }
# Waits until a back-buffer region differs from the one in an earlier screenshot.
wait_changed() {
    local before=$1 i
    for i in $(seq 20); do
        e2e_region_changed "$before" "$(e2e_shot changed)" $KILLS_TEXT && return 0
        sleep 0.25
    done
    return 1
}

# Run the installed game from an unrelated folder.
mkdir -p "$E2E_TMP/elsewhere"
cd "$E2E_TMP/elsewhere"
e2e_start "$stage/usr/games"
e2e_park
e2e_check "installed game shows the menu" menu_shown
e2e_tap $OPTIONS
e2e_park
e2e_check "a tap on the menu opens the options" e2e_wait_region "$BMP/options.bmp" 0 0 640 100 10
before=$(e2e_shot kills-20)
e2e_tap $KILLS_UP
e2e_park
e2e_check "a tap on an arrow raises the kill limit" wait_changed "$before"
kills21=$(e2e_shot kills-21)
e2e_tap $BACK
e2e_park
e2e_check "a tap on the leave button returns to the menu" menu_shown
e2e_check "the settings file holds the new kill limit" \
    grep -qx "kill_limit = 21" "$XDG_CONFIG_HOME/krag/settings.cfg"
e2e_tap $QUIT
e2e_expect_exit 0 20

# Move the whole tree to a folder with a non-ASCII name and start it again: the
# setting is back on the options screen.
moved="$E2E_TMP/café/jeux"
mkdir -p "$moved"
mv "$stage/usr" "$moved/"
BMP="$moved/usr/share/games/krag/bmp"
e2e_launch "$moved/usr/games"
e2e_wait_window 20
e2e_park
e2e_check "the moved game shows the menu" menu_shown
e2e_tap $OPTIONS
e2e_park
e2e_check "options again" e2e_wait_region "$BMP/options.bmp" 0 0 640 100 10
e2e_check "the kill limit is still 21 after a restart" \
    e2e_not e2e_region_changed "$kills21" "$(e2e_shot kills-again)" $KILLS_TEXT
e2e_tap $BACK
e2e_park
e2e_check "back at the menu" menu_shown
e2e_tap $QUIT
e2e_expect_exit 0 20
e2e_check "nothing said on stderr but sound-card noise" \
    e2e_not grep -v '^ALSA lib\|^krag: no sound\|^$' "$E2E_TMP/krag.log"
e2e_done
