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
grid() { # grid ROWS LAST_ROW: 40-wide rows of '.', one spawn, a floor of 'a'
    for ((r = 0; r < $1 - 2; r++)); do row 40 .; echo; done
    echo "A$(row 39 .)"
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
if [ $? -eq 1 ] && [[ $out == "$tmp/krm/missing.krm:0: cannot open file" ]]; then ok; else bad "missing file gave [$out]"; fi
"$check" >/dev/null 2>&1
rc=$?
if [ $rc -eq 2 ]; then ok; else bad "no arguments gave rc $rc"; fi

echo "mapcheck: $passes passed, $fails failed"
[ $fails -eq 0 ]
