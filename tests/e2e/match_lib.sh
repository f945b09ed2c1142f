# Match helpers on top of lib.sh: holding buttons and keys while looking, counting
# pixels of a colour, finding sprites.
#
#   e2e_hold_button N             press mouse button N (1 left, 3 right) and keep it down
#   e2e_release_button N
#   e2e_hold_key KEY / e2e_release_key KEY
#   e2e_count_colour SHOT X Y W H HEX [FUZZ]
#                                 pixels of colour HEX (e.g. FF8000) in a back-buffer region
#   e2e_sprite_matches SHOT BMP X Y W H [MAXPIXELS] [OX OY]
#                                 a bitmap drawn at (X, Y) is on screen: its W x H part from
#                                 (OX, OY) (default the top-left corner) matches
#   e2e_wait_sprite BMP X Y W H SECS
#   e2e_options_click X Y N RX RY RW RH
#                                 click a spot N times (options arrows), each time waiting
#                                 for the line's text (the region) to change
#   e2e_play                      click play on the menu
#   e2e_settings LINE...          write the game's settings file ("bots = 1", ...) before a start
#   e2e_poll_shot SECS CHECK ARGS...
#                                 take screenshots until "CHECK SHOT ARGS..." succeeds
#   e2e_hud_shown                 the ammunition and kill bars are on screen at one offset
#                                 of the screen shake (0-2 px each way)

e2e_hold_button() { xdotool mousedown "$1"; sleep 0.05; }
e2e_release_button() { xdotool mouseup "$1"; sleep 0.05; }
e2e_hold_key() { xdotool keydown "$1"; sleep 0.05; }
e2e_release_key() { xdotool keyup "$1"; sleep 0.05; }

e2e_count_colour() { e2e_look count "$1" "$2" "$3" "$4" "$5" "$6" "${7:-0}"; }

e2e_sprite_matches() {
    local shot=$1 bmp=$2 x=$3 y=$4 w=$5 h=$6 max=${7:-0} ox=${8:-0} oy=${9:-0} n
    n=$(e2e_look diff "$shot" "$((x + ox))" "$((y + oy))" "$w" "$h" "$bmp" "$ox" "$oy")
    [ -n "$n" ] && [ "$n" -le "$max" ] 2>/dev/null
}

e2e_wait_sprite() {
    local bmp=$1 x=$2 y=$3 w=$4 h=$5 secs=${6:-5} i shot
    for i in $(seq $((secs * 10))); do
        shot=$(e2e_shot wait-sprite)
        e2e_sprite_matches "$shot" "$bmp" "$x" "$y" "$w" "$h" && return 0
        sleep 0.1
    done
    return 1
}

# Each click must change the line's text (a spot from OPT_* and its line from OPT_*_TEXT).
e2e_options_click() {
    local x=$1 y=$2 n=$3 i
    shift 3
    for i in $(seq "$n"); do e2e_click_changes "$x" "$y" "$@" || return 1; done
}

e2e_play() { e2e_click 320 193; }

e2e_settings() {
    mkdir -p "$XDG_CONFIG_HOME/krag"
    printf '%s\n' "$@" >"$XDG_CONFIG_HOME/krag/settings.cfg"
}

e2e_poll_shot() {
    local secs=$1 check=$2 i shot
    shift 2
    for i in $(seq $((secs * 10))); do
        shot=$(e2e_shot poll)
        "$check" "$shot" "$@" && return 0
        sleep 0.1
    done
    return 1
}

# An explosion in view shakes the whole frame, HUD included, by up to 2 px: krag-shot
# finds the offset at which the health bar's frame matches and tests the other bars there.
e2e_hud_at_shake() { e2e_look hud "$1" "$E2E_BUILD/bmp" >/dev/null; }
e2e_hud_shown() { e2e_poll_shot "${1:-10}" e2e_hud_at_shake; }

# Pixels of a back-buffer region in full red with no blue (fireball colours).
e2e_count_fire() { e2e_look fire "$@"; }

# Pixels of a back-buffer region that are grey (no colour) between dark and white (smoke).
e2e_count_grey() { e2e_look grey "$@"; }

# The human has spawned once the health bar's frame is on screen.
e2e_wait_spawn() { e2e_wait_sprite "$E2E_BUILD/bmp/health_bar.bmp" 49 10 48 16 "${1:-10}"; }

# The won or lost picture (their opaque middles), or nothing: prints won, lost or "".
e2e_result() {
    if e2e_sprite_matches "$1" "$E2E_BUILD/bmp/won.bmp" 226 230 148 20 10 20 8; then echo won
    elif e2e_sprite_matches "$1" "$E2E_BUILD/bmp/lost.bmp" 222 230 148 20 10 20 8; then echo lost
    fi
}

# Options screen spots and the text each one changes.
OPT_TYPE_TEXT="140 161 90 8"
OPT_KILLS_TEXT="140 207 90 8"
OPT_BOTS_TEXT="140 253 90 8"
OPT_SKILL_TEXT="140 299 90 8"
OPT_MAP_TEXT="260 115 95 8"
OPT_TYPE_NEXT="238 169"
OPT_KILLS_DOWN="238 215"
OPT_BOTS_UP="238 251"
OPT_BOTS_DOWN="238 261"
OPT_SKILL_HARDER="238 297"
OPT_MAP_PREV="365 113"
OPT_MAP_NEXT="365 123"
OPT_BACK="320 372"
MENU_NETWORK="320 224"
MENU_OPTIONS="320 255"
MENU_CREDITS="320 286"
MENU_QUIT="320 317"

e2e_options_shown() { e2e_wait_region "$E2E_BUILD/bmp/options.bmp" 0 0 640 80 "${1:-5}"; }
