#!/usr/bin/env bash
# KRAG maps in the Tiled editor, through the extension krag installs, with Tiled's own
# command line under Xvfb (after a look at the pictures it shows): every shipped map read and written back is byte-identical
# (also by way of Tiled's own JSON format, edited there: a new kind of tile joins the
# tile list); a map the game would refuse, or one with tiles KRAG does not know, is
# not written and its fault is named.
# Usage: tiled_maps.sh <build> <source>
set -u
build=$(cd "$1" && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
fails=0
bad() { echo "FAIL: $*"; fails=$((fails + 1)); }
command -v tiled >/dev/null || { echo "FAIL: tiled is not installed (tools/setup.sh installs it)"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
export XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

out=$("$build/krag" --tiled-extension)
ext=$XDG_CONFIG_HOME/tiled/extensions/krag.js
[ $? -eq 0 ] && [[ $out == *"$ext"* ]] && [ -f "$ext" ] || bad "--tiled-extension: $out"
grep -q "data: \"$build\", programs: \"$build\"" "$ext" || bad "the extension does not name the game's folders"

# The pictures Tiled shows: each tile as the game draws it (its mask colour clear), and a
# picture for every map character that is not a tile, none for the tiles' letters.
for png in "$build"/tiled/tiles/*.png; do
    name=$(basename "$png" .png)
    convert "$build/bmp/$name.bmp" -transparent magenta "$tmp/tile.png"
    [ "$(compare -metric AE "$png" "$tmp/tile.png" null: 2>&1)" = 0 ] || bad "tiles/$name.png is not bmp/$name.bmp"
done
[ "$(ls "$build"/tiled/tiles | wc -l)" -ge 30 ] || bad "too few tile pictures"
for ch in $(seq 33 127); do
    i=$((ch - 32))
    opaque=$(convert "$build/tiled/marks.png" -crop "16x16+$((i % 16 * 16))+$((i / 16 * 16))" +repage \
             -alpha extract -format '%[fx:mean > 0.1]' info:)
    want=1
    [ "$ch" = 46 ] || { [ "$ch" -ge 97 ] && [ "$ch" -le 122 ]; } && want=0
    [ "$opaque" = $want ] || bad "the picture of character $ch in marks.png: opaque $opaque, expected $want"
done

# tiled --export-map FORMAT IN OUT, its messages kept in $tmp/log.
export_map() { timeout 120 tiled --export-map "$@" >"$tmp/log" 2>&1; }

for m in "$build"/krm/*.krm; do
    name=$(basename "$m")
    export_map krag "$m" "$tmp/$name" && cmp -s "$m" "$tmp/$name" || bad "$name does not come back byte for byte: $(cat "$tmp/log")"
done

# By way of JSON, with one cell changed to a kind of tile the map did not use.
export_map json "$build/krm/arena.krm" "$tmp/arena.json" || bad "arena.krm to JSON: $(cat "$tmp/log")"
python3 - "$tmp/arena.json" <<'PY'
import json, sys
m = json.load(open(sys.argv[1]))
tiles = next(t for t in m["tilesets"] if t["name"] == "KRAG tiles")
snow = next(t["id"] for t in tiles["tiles"] if t["properties"][0]["value"] == "snow.bmp")
layer = next(l for l in m["layers"] if l["name"] == "tiles")
layer["data"][m["width"] * 29 + 5] = tiles["firstgid"] + snow  # bottom row, column 5
json.dump(m, open(sys.argv[1], "w"))
PY
export_map krag "$tmp/arena.json" "$tmp/edited.krm" || bad "the edited map was not written: $(cat "$tmp/log")"
expected=$(sed -e '5s/.*/6/' -e '10a snow.bmp' -e '40s/^\(.....\)./\1f/' "$build/krm/arena.krm")
[ "$(cat "$tmp/edited.krm")" = "$expected" ] || bad "the edited map: $(diff <(echo "$expected") "$tmp/edited.krm")"
"$build/krag-mapcheck" "$tmp/edited.krm" >/dev/null || bad "the edited map does not pass the check"

# A map without a spawn point: named, not written, an older file left as it was.
sed 's/[A-G]/./g' "$build/krm/arena.krm" >"$tmp/nospawn.krm"
echo "older" >"$tmp/target.krm"
export_map krag "$tmp/nospawn.krm" "$tmp/target.krm" && bad "a map without spawn points was saved"
grep -q "no spawn point" "$tmp/log" || bad "the missing spawn point is not named: $(cat "$tmp/log")"
[ "$(cat "$tmp/target.krm")" = older ] || bad "a refused save changed the file"
ls -A "$tmp" | grep -q kragsave && bad "the trial file was left behind"

# A tile of a tileset KRAG does not know.
python3 - "$tmp/arena.json" "$build/tiled/marks.png" <<'PY'
import json, sys
m = json.load(open(sys.argv[1]))
m["tilesets"].append({"firstgid": 1000, "name": "foreign", "image": sys.argv[2], "imagewidth": 256,
                      "imageheight": 96, "tilewidth": 16, "tileheight": 16, "columns": 16,
                      "tilecount": 96, "margin": 0, "spacing": 0})
layer = next(l for l in m["layers"] if l["name"] == "tiles")
layer["data"][3] = 1000
json.dump(m, open(sys.argv[1], "w"))
PY
export_map krag "$tmp/arena.json" "$tmp/foreign.krm" && bad "a foreign tile was written"
grep -q 'cell 3,0 (layer "tiles"): a tile of .*which is not a KRAG tile' "$tmp/log" || bad "the foreign tile is not named: $(cat "$tmp/log")"
[ -e "$tmp/foreign.krm" ] && bad "a map with a foreign tile left a file"

[ $fails -eq 0 ] && echo "tiled maps: all checks passed"
exit $((fails > 0))
