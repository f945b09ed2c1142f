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
#   e2e_options_click X Y N       click a spot N times (options arrows)
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

e2e_count_colour() {
    local shot=$1 x=$2 y=$3 w=$4 h=$5 hex=$6 fuzz=${7:-0}
    local region="$E2E_TMP/count.png"
    e2e_crop "$shot" "$x" "$y" "$w" "$h" "$region"
    convert "$region" -fuzz "${fuzz}%" -fill white -opaque "#$hex" -fill black +opaque white \
        -format '%[fx:round(mean*w*h)]' info:
}

e2e_sprite_matches() {
    local shot=$1 bmp=$2 x=$3 y=$4 w=$5 h=$6 max=${7:-0} ox=${8:-0} oy=${9:-0}
    local a="$E2E_TMP/sprite-a.png" b="$E2E_TMP/sprite-b.png" n
    e2e_crop "$shot" "$((x + ox))" "$((y + oy))" "$w" "$h" "$a"
    convert "$bmp" -crop "${w}x${h}+${ox}+${oy}" +repage "$b"
    n=$(compare -metric AE -fuzz 6% "$a" "$b" null: 2>&1 | sed 's/ .*//')
    [ -n "$n" ] && [ "${n%.*}" -le "$max" ] 2>/dev/null
}

e2e_wait_sprite() {
    local bmp=$1 x=$2 y=$3 w=$4 h=$5 secs=${6:-5} i shot
    for i in $(seq $((secs * 4))); do
        shot=$(e2e_shot wait-sprite)
        e2e_sprite_matches "$shot" "$bmp" "$x" "$y" "$w" "$h" && return 0
        sleep 0.25
    done
    return 1
}

e2e_options_click() {
    local i
    for i in $(seq "$3"); do e2e_click "$1" "$2"; done
}

e2e_play() { e2e_click 320 193; }

e2e_settings() {
    mkdir -p "$XDG_CONFIG_HOME/krag"
    printf '%s\n' "$@" >"$XDG_CONFIG_HOME/krag/settings.cfg"
}

e2e_poll_shot() {
    local secs=$1 check=$2 i shot
    shift 2
    for i in $(seq $((secs * 2))); do
        shot=$(e2e_shot poll)
        "$check" "$shot" "$@" && return 0
        sleep 0.2
    done
    return 1
}

# An explosion in view shakes the whole frame, HUD included, by up to 2 px: find the
# offset at which the health bar's frame matches, then test the other bars there.
e2e_hud_at_shake() {
    local shot=$1 dx dy
    for dy in 0 -1 1 -2 2; do
        for dx in 0 -1 1 -2 2; do
            e2e_sprite_matches "$shot" "$E2E_BUILD/bmp/health_bar.bmp" $((49 + dx)) $((10 + dy)) 48 16 10 || continue
            e2e_sprite_matches "$shot" "$E2E_BUILD/bmp/ammo_bar.bmp" $((253 + dx)) $((10 + dy)) 30 16 10 &&
                e2e_sprite_matches "$shot" "$E2E_BUILD/bmp/kills_bar.bmp" $((442 + dx)) $((10 + dy)) 40 16 10 &&
                return 0
        done
    done
    return 1
}
e2e_hud_shown() { e2e_poll_shot "${1:-10}" e2e_hud_at_shake; }

# Pixels of a back-buffer region in full red with no blue (fireball colours).
e2e_count_fire() {
    local region="$E2E_TMP/countfire.png"
    e2e_crop "$1" "$2" "$3" "$4" "$5" "$region"
    convert "$region" -channel G -evaluate set 0 +channel -fill white -opaque '#FF0000' \
        -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}

# Pixels of a back-buffer region that are grey (no colour) between dark and white (smoke).
e2e_count_grey() {
    local region="$E2E_TMP/countgrey.png"
    e2e_crop "$1" "$2" "$3" "$4" "$5" "$region"
    convert "$region" -colorspace HSL -separate \( -clone 1 -threshold 1% -negate \) \
        \( -clone 2 -threshold 10% \) \( -clone 2 -threshold 95% -negate \) -delete 0-2 \
        -evaluate-sequence min -format '%[fx:round(mean*w*h)]' info:
}

# Pixels of a back-buffer region for which an ImageMagick fx expression is true (slow:
# prefer the counts above),
# e.g. 'r==1 && b==0' for pure fire colours.
e2e_count_fx() {
    local shot=$1 x=$2 y=$3 w=$4 h=$5 expr=$6
    local region="$E2E_TMP/countfx.png"
    e2e_crop "$shot" "$x" "$y" "$w" "$h" "$region"
    convert "$region" -fx "$expr ? 1 : 0" -format '%[fx:round(mean*w*h)]' info:
}

# The human has spawned once the health bar's frame is on screen.
e2e_wait_spawn() { e2e_wait_sprite "$E2E_BUILD/bmp/health_bar.bmp" 49 10 48 16 "${1:-10}"; }

# The won or lost picture (their opaque middles), or nothing: prints won, lost or "".
e2e_result() {
    if e2e_sprite_matches "$1" "$E2E_BUILD/bmp/won.bmp" 226 230 148 20 10 20 8; then echo won
    elif e2e_sprite_matches "$1" "$E2E_BUILD/bmp/lost.bmp" 222 230 148 20 10 20 8; then echo lost
    fi
}

# Options screen spots.
OPT_TYPE_NEXT="238 169"
OPT_KILLS_DOWN="238 215"
OPT_BOTS_UP="238 251"
OPT_SKILL_HARDER="238 297"
OPT_MAP_PREV="365 113"
OPT_MAP_NEXT="365 123"
OPT_BACK="320 372"
MENU_OPTIONS="320 224"
MENU_CREDITS="320 255"
MENU_QUIT="320 286"
