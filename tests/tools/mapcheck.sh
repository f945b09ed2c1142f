#!/usr/bin/env bash
# krag-mapcheck: every shipped map passes; broken maps are refused with FILE:LINE: reason.
# Usage: mapcheck.sh <build> <source>
set -u
build=$1
src=$2
check=$build/krag-mapcheck
fails=0
passes=0
ok() { passes=$((passes + 1)); }
bad() { echo "FAIL: $*"; fails=$((fails + 1)); }

[ -x "$check" ] || { echo "FAIL: $check not built"; exit 1; }

# The shipped maps, as installed beside the game.
shopt -s nullglob
maps=("$build"/krm/*.krm)
[ ${#maps[@]} -gt 0 ] || bad "no maps in $build/krm"
for m in "${maps[@]}"; do
    out=$("$check" "$m")
    if [ $? -eq 0 ] && [[ $out == "$m: ok "*" spawns, "*" boxes, "*" barrels" ]]; then ok; else bad "$out"; fi
done

# Broken maps in a scratch folder laid out like the game's: krm/ beside bmp/.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/krm" "$tmp/bmp"
cp "$build/bmp/rock.bmp" "$tmp/bmp/" 2>/dev/null || : >"$tmp/bmp/rock.bmp"
row() { printf "%${1}s" "" | tr ' ' "$2"; }
grid() { # grid ROWS LAST_ROW: 40-wide rows of '.', one spawn with room to stand, a floor of 'a'
    for ((r = 0; r < $1 - 3; r++)); do row 40 .; echo; done
    echo "A$(row 39 .)"
    row 40 .
    echo
    echo "$2"
}
head_ok="640 480
10 20 30 200 210 220
1
1 rock.bmp"
{ echo "$head_ok"; grid 30 "$(row 40 a)"; } >"$tmp/krm/good.krm"
{ echo "650 480"; echo "10 20 30 200 210 220"; echo 1; echo 0; } >"$tmp/krm/w650.krm"
{ echo "640 480"; echo "10 20 30 200 210 220"; echo 1; echo "1 stone.bmp"; } >"$tmp/krm/tile.krm"
{ echo "$head_ok"; grid 30 "$(row 39 a)q"; } >"$tmp/krm/letter.krm"
{ echo "$head_ok"; grid 10 "$(row 40 a)"; } >"$tmp/krm/short.krm"
{ echo "$head_ok"; grid 30 "$(row 40 a)" | tr A .; } >"$tmp/krm/nospawn.krm"
: >"$tmp/krm/empty.krm"

expect() { # expect FILE LINE REASON
    local out
    out=$(cd "$tmp" && "$check" "krm/$1")
    local rc=$?
    if [ $rc -eq 1 ] && [ "$out" = "krm/$1:$2: $3" ]; then ok; else bad "$1 gave [$out] rc $rc"; fi
}
expect w650.krm 1 "width 650 is not a multiple of 16"
expect tile.krm 4 'tile "stone.bmp" not found in bmp/'
expect letter.krm 34 "letter 'q' has no tile"
expect short.krm 14 "grid ends after 400 of 1200 cells"
expect nospawn.krm 34 "no spawn point"
expect empty.krm 1 "file ends before width"

# Run from elsewhere: tiles are still found in bmp/ beside the map's folder.
out=$(cd / && "$check" "$tmp/krm/good.krm")
if [ $? -eq 0 ] && [ "$out" = "$tmp/krm/good.krm: ok 640x480, 1 spawns, 0 boxes, 0 barrels" ]; then ok; else bad "good.krm gave [$out]"; fi

# One bad file among good ones fails the run, and every file is reported.
out=$(cd "$tmp" && "$check" krm/good.krm krm/w650.krm krm/good.krm)
rc=$?
if [ $rc -eq 1 ] && [ "$(echo "$out" | wc -l)" -eq 3 ]; then ok; else bad "mixed run rc $rc: $out"; fi
out=$("$check" "$tmp/krm/missing.krm")
if [ $? -eq 1 ] && [[ $out == "$tmp/krm/missing.krm:0: cannot open file: not found" ]]; then ok; else bad "missing file gave [$out]"; fi
"$check" >/dev/null 2>&1
rc=$?
if [ $rc -eq 2 ]; then ok; else bad "no arguments gave rc $rc"; fi

# Tiles are loaded and measured as the game does it; a FIFO is refused without waiting.
crash_bmp() { # the 70-byte header that promises 65536 x 65536 pixels at 24 bits
    printf 'BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\0\1\0\0\0\1\0\1\0\x18\0'
    head -c 40 /dev/zero
}
crash_bmp >"$tmp/bmp/huge.bmp"
cp "$build/bmp/menu.bmp" "$tmp/bmp/"
tile_map() { sed "s/^1 rock.bmp\$/1 $1/" "$tmp/krm/good.krm"; }
tile_map huge.bmp >"$tmp/krm/huge.krm"
tile_map menu.bmp >"$tmp/krm/menutile.krm"
mkfifo "$tmp/krm/fifo.krm"
expect huge.krm 4 'tile "huge.bmp" is 65536x65536, outside 1x1-4096x4096'
# A tile picture of another size is played (drawn whole from its cell), with a warning.
out=$(cd "$tmp" && "$check" krm/menutile.krm)
want="krm/menutile.krm:4: warning: tile \"menu.bmp\" is 640x480, not 16x16: drawn whole from its cell's corner, and with relief only its top-left 16x16 counts
krm/menutile.krm: ok 640x480, 1 spawns, 0 boxes, 0 barrels"
if [ $? -eq 0 ] && [ "$out" = "$want" ]; then ok; else bad "menu.bmp as a tile gave [$out]"; fi
out=$(cd "$tmp" && timeout 20 "$check" krm/fifo.krm)
if [ $? -eq 1 ] && [ "$out" = "krm/fifo.krm:0: not a regular file" ]; then ok; else bad "fifo gave [$out]"; fi

# Oddities that do not stop play are warnings; the run still passes.
cp "$tmp/krm/good.krm" "$tmp/krm/elevenchars.krm"
echo "trailing" >>"$tmp/krm/elevenchars.krm"
out=$(cd "$tmp" && "$check" krm/elevenchars.krm)
want="krm/elevenchars.krm:35: warning: content after the grid
krm/elevenchars.krm:0: warning: the name is longer than 10 characters before .krm; the game leaves it out
krm/elevenchars.krm: ok 640x480, 1 spawns, 0 boxes, 0 barrels"
if [ $? -eq 0 ] && [ "$out" = "$want" ]; then ok; else bad "warnings gave [$out]"; fi

# krag-sim reads the same folder: the crash tile and the FIFO are named and skipped.
game=$tmp/game
mkdir -p "$game/krm"
cp "$build/krag-sim" "$game/"
cp -r "$build/bmp" "$build/wav" "$game/"
cp "$build/krm/arena.krm" "$game/krm/"
cp "$tmp/bmp/huge.bmp" "$game/bmp/"
sed 's/^rock\.bmp$/huge.bmp/' "$build/krm/arena.krm" >"$game/krm/crash.krm"
mkfifo "$game/krm/x.krm"
timeout 60 "$game/krag-sim" --map crash.krm --ticks 10 >"$tmp/sim.out" 2>&1
rc=$?
if [ $rc -eq 2 ] && grep -q '^krm/crash.krm:[0-9]*: tile "huge.bmp" is 65536x65536, outside 1x1-4096x4096$' "$tmp/sim.out" &&
    grep -q '^krm/x.krm:0: not a regular file$' "$tmp/sim.out"; then ok; else bad "krag-sim on the crash map: rc $rc $(cat "$tmp/sim.out")"; fi
timeout 60 "$game/krag-sim" --ticks 10 >"$tmp/sim.out" 2>&1
rc=$?
if [ $rc -eq 0 ]; then ok; else bad "krag-sim beside a FIFO: rc $rc $(cat "$tmp/sim.out")"; fi
rm "$game/krm/arena.krm"
timeout 60 "$game/krag-sim" --ticks 10 >"$tmp/sim.out" 2>&1
rc=$?
if [ $rc -eq 1 ] && grep -q '^krag-sim: 2 map files found in krm/, all refused$' "$tmp/sim.out"; then ok; else bad "all refused: rc $rc $(cat "$tmp/sim.out")"; fi

echo "mapcheck: $passes passed, $fails failed"
[ $fails -eq 0 ]
