# End-to-end test kit: runs the real krag in a private Xvfb and drives it like a player.
#
# Use from a test script:
#     source "$(dirname "$0")/lib.sh"
#     e2e_init "$1" my_test          # build folder, short name for logs and screenshots
#     e2e_start                      # Xvfb + krag, waits for the KRAG window
#     e2e_click 300 190              # press and release at back-buffer (640x480) coordinates
#     ...
#     e2e_expect_exit 0
#     e2e_done
#
# Every coordinate below is in back-buffer pixels (640x480); the kit adds the window's
# position and doubles them while the game shows its 1280x960 window.
#
# Set-up and processes
#   e2e_init BUILD NAME       remember the build folder and test name, make a scratch folder
#                             ($E2E_TMP) with a scratch home in it (HOME, XDG_CONFIG_HOME and
#                             XDG_DATA_HOME point there), install the clean-up trap
#   e2e_xvfb                  start Xvfb 1600x1200x24 (or $E2E_SCREEN) on a display it picks;
#                             exports DISPLAY
#   e2e_launch [DIR]          start DIR/krag (default: the build folder) in the background;
#                             $KRAG_PID, output in $E2E_TMP/krag.log
#   e2e_launch_with CMD [DIR] the same, running the shell command CMD first in its process
#   e2e_start [DIR]           e2e_xvfb (once) + e2e_launch + e2e_wait_window
#   e2e_wait_window [SECS]    wait for a visible window named KRAG; sets $KRAG_WIN and the
#                             geometry ($WIN_X $WIN_Y $WIN_W $WIN_H, $E2E_SCALE = 1 or 2).
#                             A new window takes no input for a moment (up to a second on a
#                             busy machine): wait for a picture that needs none, such as
#                             the menu with e2e_wait_menu, before sending keys
#   e2e_wait_size W H [SECS]  wait until the KRAG window is W x H (after a mode change)
#   e2e_wait_exit [SECS]      wait for krag to end; sets $KRAG_STATUS (124: still running)
#   e2e_expect_exit CODE [SECS]  e2e_wait_exit and fail unless the status is CODE
#   e2e_data_copy DIR         copy krag and its bmp/ wav/ krm/ into DIR (to break on purpose)
#
# Input
#   e2e_move X Y              move the pointer
#   e2e_click X Y             move, press, release (with short pauses: the screens act on a
#                             press that follows a release)
#   e2e_tap X Y               move, then press and release at once (xdotool click: a touchpad
#                             tap, both events usually between two logic ticks)
#   e2e_click_changes X Y RX RY RW RH [SECS]
#                             click, then wait until that back-buffer region has changed
#   e2e_key KEY [SECS]        hold a key (xdotool key name, e.g. Escape) for SECS (0.2)
#   e2e_park                  move the pointer to the bottom-right corner, out of the way
#   e2e_close_request         ask the window to close, as a close button does (WM_DELETE_WINDOW)
#
# Pictures (taken and examined by krag-shot, built with the game: one quick process a look)
#   e2e_shot NAME             screenshot of the game's window into $E2E_TMP/NAME.ppm; prints path
#   e2e_look CMD SHOT ARGS... krag-shot CMD SHOT $E2E_VIEW ARGS...: examine a back-buffer region
#                             of a shot (see tools/shot.cpp), e.g. e2e_look count SHOT X Y W H RRGGBB
#   e2e_region_diff SHOT BMP X Y W H [FUZZ]
#                             prints how many pixels of the region differ between the
#                             screenshot and the same region of a bmp file (FUZZ% colour
#                             tolerance, default 6)
#   e2e_region_matches SHOT BMP X Y W H [MAXPIXELS] [FUZZ]
#                             true when at most MAXPIXELS (default 0) pixels differ
#   e2e_region_changed SHOT1 SHOT2 X Y W H
#                             true when the region differs between two screenshots
#   e2e_wait_region BMP X Y W H [SECS] [MAXPIXELS]
#                             take screenshots until the region matches the bmp
#   e2e_wait_menu [SECS] [BMPDIR]
#                             park the pointer and look until the menu picture (above the
#                             pointer's corner) is shown; again and again, as the game only
#                             follows the pointer a moment after its window opens
#   e2e_poll SECS CMD...      run CMD every tenth of a second until it succeeds (false after
#                             SECS worth of tries)
#
# Results
#   e2e_check DESC CMD...     run CMD; on failure keep a screenshot and the log, then stop;
#                             each line says how far into the script it passed
#   e2e_not CMD...            negates CMD, for e2e_check ("e2e_check desc e2e_not cmd ...")
#   e2e_fail DESC             keep a screenshot (BUILD/e2e-NAME-fail-N.png) and the log, exit 1
#   e2e_done                  print the tally line and exit 0
#
# Clean-up kills krag and Xvfb by their process ids and removes $E2E_TMP.

E2E_BUILD=""
E2E_NAME=""
E2E_TMP=""
XVFB_PID=""
KRAG_PID=""
KRAG_STATUS=""
KRAG_WIN=""
WIN_X=0
WIN_Y=0
WIN_W=0
WIN_H=0
E2E_SCALE=1
E2E_VIEW=1
E2E_SHOT=""
E2E_PASSED=0
E2E_FAILS=0
E2E_T0=0

e2e_init() {
    E2E_BUILD=$(cd "$1" && pwd) || { echo "e2e: no build folder '$1'" >&2; exit 2; }
    E2E_NAME=${2:-e2e}
    E2E_T0=${EPOCHREALTIME/[.,]/}
    E2E_TMP=$(mktemp -d "/tmp/krag-$E2E_NAME-XXXXXX")
    # The game keeps settings and finds user maps under these: never the real home.
    export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/home/config" \
        XDG_DATA_HOME="$E2E_TMP/home/data"
    mkdir -p "$HOME"
    [ -x "$E2E_BUILD/krag" ] || { echo "e2e: $E2E_BUILD/krag is not built" >&2; exit 2; }
    E2E_SHOT=$E2E_BUILD/krag-shot
    [ -x "$E2E_SHOT" ] || { echo "e2e: $E2E_SHOT is not built" >&2; exit 2; }
    for tool in Xvfb xdotool import xwininfo; do
        command -v "$tool" >/dev/null || { echo "e2e: $tool is not installed" >&2; exit 2; }
    done
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
}

e2e_cleanup() {
    local status=$?
    if [ -n "$KRAG_PID" ] && kill -0 "$KRAG_PID" 2>/dev/null; then
        kill "$KRAG_PID" 2>/dev/null
        sleep 0.3
        kill -9 "$KRAG_PID" 2>/dev/null
    fi
    if [ -n "$XVFB_PID" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    [ -n "$E2E_TMP" ] && rm -rf "$E2E_TMP"
    exit $status
}

e2e_xvfb() {
    [ -n "$XVFB_PID" ] && return 0
    # The server picks a free display itself and writes its number when it is ready,
    # so parallel runs never race for the same one. -noreset: by default the server
    # resets when its last client leaves (xdpyinfo below, or a krag that quit) and
    # refuses connections for a moment meanwhile; a krag started in that moment could
    # not open the display ("cannot start the Allegro library").
    local out="$E2E_TMP/xvfb.display" n="" i
    : >"$out"
    Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1600x1200x24}" -nolisten tcp -noreset \
        3>"$out" >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for i in $(seq 300); do
        [ -z "$n" ] && grep -q '^[0-9][0-9]*$' "$out" 2>/dev/null && n=$(head -n 1 "$out")
        # The number can come before the server answers clients: wait until it does.
        if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
            export DISPLAY=":$n"
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
    echo "e2e: could not start Xvfb" >&2
    cat "$E2E_TMP/xvfb.log" >&2
    exit 2
}

e2e_launch() {
    local dir=${1:-$E2E_BUILD}
    KRAG_STATUS=""
    KRAG_WIN=""
    "$dir/krag" >"$E2E_TMP/krag.log" 2>&1 </dev/null &
    KRAG_PID=$!
}

# e2e_launch with a shell command run first in the game's process (e.g. "trap '' INT"
# to start it with SIGINT ignored, as a script's background job is).
e2e_launch_with() {
    local prefix=$1 dir=${2:-$E2E_BUILD}
    KRAG_STATUS=""
    KRAG_WIN=""
    bash -c "$prefix; exec \"\$0/krag\"" "$dir" >"$E2E_TMP/krag.log" 2>&1 </dev/null &
    KRAG_PID=$!
}

# Runs CMD every tenth of a second until it succeeds, at most SECS * 10 times (so a slow
# CMD on a busy machine gets longer, never fewer tries).
e2e_poll() {
    local secs=$1 i
    shift
    for i in $(seq $((secs * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

e2e_start() {
    e2e_xvfb
    e2e_launch "${1:-}"
    e2e_wait_window 20
}

# Reads the geometry of $KRAG_WIN into WIN_X/Y/W/H and E2E_SCALE.
e2e_geometry() {
    local X Y WIDTH HEIGHT WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "$KRAG_WIN" 2>/dev/null)" || return 1
    WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
    if [ "$WIN_W" -ge 1280 ]; then E2E_SCALE=2; else E2E_SCALE=1; fi
    E2E_VIEW=$E2E_SCALE
}

e2e_find_window() {
    local w
    for w in $(xdotool search --onlyvisible --name '^KRAG$' 2>/dev/null); do
        KRAG_WIN=$w
        e2e_geometry && return 0
    done
    return 1
}

e2e_wait_window() {
    local secs=${1:-20} i
    for i in $(seq $((secs * 10))); do
        e2e_find_window && return 0
        if [ -n "$KRAG_PID" ] && ! kill -0 "$KRAG_PID" 2>/dev/null; then
            e2e_fail "krag ended before its window appeared"
        fi
        sleep 0.1
    done
    e2e_fail "no KRAG window after $secs s"
}

e2e_wait_size() {
    local w=$1 h=$2 secs=${3:-10} i
    for i in $(seq $((secs * 10))); do
        e2e_find_window && [ "$WIN_W" -eq "$w" ] && [ "$WIN_H" -eq "$h" ] && return 0
        sleep 0.1
    done
    return 1
}

e2e_wait_exit() {
    local secs=${1:-10} i
    for i in $(seq $((secs * 10))); do
        if ! kill -0 "$KRAG_PID" 2>/dev/null; then
            wait "$KRAG_PID"
            KRAG_STATUS=$?
            KRAG_PID=""
            return 0
        fi
        sleep 0.1
    done
    KRAG_STATUS=124
    return 1
}

e2e_expect_exit() {
    local want=$1
    e2e_wait_exit "${2:-10}"
    if [ "$KRAG_STATUS" != "$want" ]; then
        e2e_fail "krag exit status $KRAG_STATUS, expected $want"
    fi
    E2E_PASSED=$((E2E_PASSED + 1))
    echo "ok: krag exited with status $want [$(e2e_elapsed) s]"
}

e2e_data_copy() {
    local dir=$1
    mkdir -p "$dir"
    cp "$E2E_BUILD/krag" "$dir/"
    cp -r "$E2E_BUILD/bmp" "$E2E_BUILD/wav" "$E2E_BUILD/krm" "$dir/"
}

e2e_move() {
    xdotool mousemove $((WIN_X + $1 * E2E_SCALE)) $((WIN_Y + $2 * E2E_SCALE))
    sleep 0.1
}

# One xdotool run: the button goes down after the pointer arrived and stays down for a
# tenth of a second. A click that leads somewhere is followed by a wait for what it shows.
e2e_click() {
    xdotool mousemove $((WIN_X + $1 * E2E_SCALE)) $((WIN_Y + $2 * E2E_SCALE)) sleep 0.05 \
        mousedown 1 sleep 0.1 mouseup 1
    sleep 0.1
}

e2e_tap() {
    xdotool mousemove $((WIN_X + $1 * E2E_SCALE)) $((WIN_Y + $2 * E2E_SCALE)) sleep 0.05 click 1
    sleep 0.1
}

# Clicks at X Y and waits (up to SECS, default 5) until the back-buffer region RX RY RW RH
# differs from how it looked before the click: a click that must count is checked this
# way (a stalled game takes the clicks made meanwhile one by one, each where it was made).
e2e_click_changes() {
    local x=$1 y=$2 rx=$3 ry=$4 rw=$5 rh=$6 secs=${7:-5} before i
    before=$(e2e_shot click-before)
    e2e_click "$x" "$y"
    for i in $(seq $((secs * 10))); do
        e2e_region_changed "$before" "$(e2e_shot click-after)" "$rx" "$ry" "$rw" "$rh" && return 0
        sleep 0.1
    done
    return 1
}

e2e_key() {
    xdotool keydown "$1"
    sleep "${2:-0.2}"
    xdotool keyup "$1"
    sleep 0.2
}

# Two steps, so the game sees the pointer move even when it was already in the corner.
e2e_park() {
    xdotool mousemove $((WIN_X + 638 * E2E_SCALE)) $((WIN_Y + 478 * E2E_SCALE)) \
        mousemove $((WIN_X + 639 * E2E_SCALE)) $((WIN_Y + 479 * E2E_SCALE))
    sleep 0.1
}

# Only the game's window is captured: a sixth of the screen, much quicker on a busy machine.
e2e_shot() {
    local out="$E2E_TMP/$1.ppm"
    if [ -z "$KRAG_WIN" ]; then
        "$E2E_SHOT" grab "$out" # scripts that place the window themselves read the root
    else
        "$E2E_SHOT" grab "$out" "$KRAG_WIN" 2>/dev/null ||
            "$E2E_SHOT" grab "$out" "$WIN_X" "$WIN_Y" "$WIN_W" "$WIN_H"
    fi
    echo "$out"
}

e2e_look() {
    local cmd=$1 shot=$2
    shift 2
    "$E2E_SHOT" "$cmd" "$shot" "$E2E_VIEW" "$@"
}

e2e_region_diff() {
    local shot=$1 bmp=$2 x=$3 y=$4 w=$5 h=$6 fuzz=${7:-6}
    e2e_look diff "$shot" "$x" "$y" "$w" "$h" "$bmp" "$x" "$y" "$fuzz"
}

e2e_region_matches() {
    local max=${7:-0} fuzz=${8:-6} n
    n=$(e2e_region_diff "$1" "$2" "$3" "$4" "$5" "$6" "$fuzz")
    [ -n "$n" ] && [ "$n" -le "$max" ] 2>/dev/null
}

e2e_region_changed() {
    local n
    n=$("$E2E_SHOT" changed "$1" "$2" "$E2E_VIEW" "$3" "$4" "$5" "$6")
    [ -n "$n" ] && [ "$n" -gt 0 ] 2>/dev/null
}

e2e_wait_region() {
    local bmp=$1 x=$2 y=$3 w=$4 h=$5 secs=${6:-5} max=${7:-0} i shot
    for i in $(seq $((secs * 10))); do
        shot=$(e2e_shot wait-region)
        e2e_region_matches "$shot" "$bmp" "$x" "$y" "$w" "$h" "$max" && return 0
        sleep 0.1
    done
    return 1
}

e2e_wait_menu() {
    local secs=${1:-5} bmp=${2:-$E2E_BUILD/bmp}/menu.bmp i
    for i in $(seq $((secs * 10))); do
        e2e_park
        e2e_region_matches "$(e2e_shot menu)" "$bmp" 0 0 640 440 && return 0
    done
    return 1
}

e2e_fail() {
    E2E_FAILS=$((E2E_FAILS + 1))
    local keep="$E2E_BUILD/e2e-$E2E_NAME-fail-$E2E_FAILS.png"
    if [ -n "$DISPLAY" ] && [ -n "$XVFB_PID" ]; then
        import -window root "$keep" 2>/dev/null && echo "screenshot kept: $keep" >&2
    fi
    echo "FAIL: $1 [$(e2e_elapsed) s]" >&2
    if [ -s "$E2E_TMP/krag.log" ]; then
        echo "--- krag output ---" >&2
        grep -v '^ALSA lib' "$E2E_TMP/krag.log" >&2
    fi
    echo "e2e: $E2E_PASSED passed, 1 failed"
    exit 1
}

e2e_check() {
    local desc=$1
    shift
    if "$@"; then
        E2E_PASSED=$((E2E_PASSED + 1))
        echo "ok: $desc [$(e2e_elapsed) s]"
    else
        e2e_fail "$desc"
    fi
}

e2e_not() { ! "$@"; }

# Seconds since e2e_init, to a tenth.
e2e_elapsed() {
    local t=$(((${EPOCHREALTIME/[.,]/} - E2E_T0) / 100000))
    echo "$((t / 10)).$((t % 10))"
}

e2e_done() {
    echo "e2e: $E2E_PASSED passed, 0 failed"
    exit 0
}

# Asks the KRAG window to close as a window manager's close button does: a
# WM_DELETE_WINDOW message (xdotool's windowclose would destroy the window instead).
e2e_close_request() {
    /usr/bin/python3 - "$KRAG_WIN" <<'PY'
import sys
from Xlib import X, display, protocol
d = display.Display()
w = d.create_resource_object("window", int(sys.argv[1]))
protocols = d.intern_atom("WM_PROTOCOLS")
delete = d.intern_atom("WM_DELETE_WINDOW")
event = protocol.event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
w.send_event(event, event_mask=0)
d.flush()
PY
}
