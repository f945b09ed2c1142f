#!/bin/bash
# Checks every shipped map file against the limits the loader relies on: size, tile
# names that have art, grid shape, cell letters, spawn and prop counts.
# Usage: maps_check.sh BUILD_DIR SOURCE_DIR
src=${2:-$(dirname "$0")/../..}
maps=("$src"/assets/maps/*.krm)
tiles="$src/assets/art/tiles"
passed=0
failed=0

for f in "${maps[@]}"; do
    name=$(basename "$f")
    if out=$(awk -v name="$name" -v tiles="$tiles" '
        function bad(msg) { print name ": " msg; err = 1 }
        { for (i = 1; i <= NF; i++) tok[n++] = $i }
        END {
            w = tok[0]; h = tok[1]
            if (w % 16 || h % 16 || w < 640 || w > 2048 || h < 480 || h > 2048) bad("size " w "x" h)
            for (i = 2; i < 8; i++) if (tok[i] !~ /^[0-9]+$/ || tok[i] > 255) bad("colour " tok[i])
            if (tok[8] != "0" && tok[8] != "1") bad("relief flag " tok[8])
            nt = tok[9]
            if (nt < 1 || nt > 26) bad("tile count " nt)
            for (i = 0; i < nt; i++) {
                t = tok[10 + i]
                if (length(t) > 16 || t !~ /\.bmp$/) bad("tile name " t)
                art = tiles "/" substr(t, 1, length(t) - 4) ".art"
                if ((getline line < art) <= 0) bad("no art for " t)
                close(art)
            }
            cols = w / 16; rows = h / 16
            if (n - 10 - nt != rows) bad("grid has " (n - 10 - nt) " rows, want " rows)
            spawns = 0; boxes = 0; barrels = 0
            maxletter = sprintf("%c", 96 + nt)
            for (r = 0; r < rows; r++) {
                row = tok[10 + nt + r]
                if (length(row) != cols) bad("row " r " has " length(row) " cells, want " cols)
                for (c = 1; c <= length(row); c++) {
                    ch = substr(row, c, 1)
                    if (ch ~ /[A-G]/) spawns++
                    else if (ch == "0") boxes++
                    else if (ch == "1") barrels++
                    if (ch ~ /[a-z]/ && ch > maxletter) bad("letter " ch " has no tile")
                    if (ch !~ /[a-z{|}~0-9A-O.\[\]\\^_`]/) bad("odd cell " ch " in row " r)
                }
            }
            if (spawns < 4 || spawns > 32) bad(spawns " spawn points")
            if (boxes < 1 || boxes > 32) bad(boxes " boxes")
            if (barrels < 1 || barrels > 32) bad(barrels " barrels")
            exit err
        }' "$f"); then
        passed=$((passed + 1))
    else
        echo "$out"
        failed=$((failed + 1))
    fi
done

# The list is sorted by byte order and entry 0 is the default map; names fit the
# ten-letter field of the options screen.
first=$(cd "$src/assets/maps" && LC_ALL=C ls *.krm | head -1)
if [ "$first" = "arena.krm" ]; then passed=$((passed + 1)); else echo "default map is $first"; failed=$((failed + 1)); fi
long=$(cd "$src/assets/maps" && ls *.krm | awk 'length($0) > 14')
if [ -z "$long" ]; then passed=$((passed + 1)); else echo "names too long: $long"; failed=$((failed + 1)); fi
if [ ${#maps[@]} -ge 6 ]; then passed=$((passed + 1)); else echo "only ${#maps[@]} maps"; failed=$((failed + 1)); fi

# Every tile image is 16x16 with 16 pixel rows.
for a in "$tiles"/*.art; do
    if awk '/^size/ { if ($2 != 16 || $3 != 16) e = 1 } p { if (length($0) != 16) e = 1; n++ } /^pixels/ { p = 1 }
            END { exit (e || n != 16) }' "$a"; then
        passed=$((passed + 1))
    else
        echo "$(basename "$a"): not a 16x16 tile"
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
