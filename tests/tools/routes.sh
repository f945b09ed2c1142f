#!/usr/bin/env bash
# The route tool and the automatic route marks. A map built to trap bots (a pit walled
# in on both sides, a ledge too high to reach, walls at both ends of the ground) names
# its stuck cells and the unreached ledge; --add-marks turns the bots round so that
# none is stuck afterwards, without touching anything the author placed. No shipped
# map has a stuck bot. Release build only (the matches are slow under the sanitizers).
# Usage: routes.sh <build> <source>
set -u
build=$1
src=$2
if grep -q '^KRAG_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "the route tool runs in the release build"
    exit 0
fi
check=$build/krag-mapcheck
fails=0
bad() { echo "FAIL: $*"; fails=$((fails + 1)); }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

trap_map=$tmp/trap.krm
cp "$src/tests/maps/trap.krm" "$trap_map"
out=$("$check" --routes "$tmp/before.png" "$trap_map")
rc=$?
[ $rc -eq 3 ] || bad "a trap map gives status $rc, not 3"
for cell in 10,28 14,28 1,28 38,28; do # both sides of the pit, both ends of the ground
    grep -qx "$trap_map: stuck at cell $cell ([0-9]* times\?)" <<<"$out" || bad "no bot stuck at $cell: $out"
done
grep -qx "$trap_map: no bot reached cells 25-30,9" <<<"$out" || bad "the ledge is not named: $out"
grep -q "stuck at cell [0-9]*,2[0-7] " <<<"$out" && bad "a stuck bot is named where a jump took it: $out"
size=$(identify -format '%wx%h %[channels]' "$tmp/before.png" 2>&1)
[[ $size == "640x480 srgba"* ]] || bad "the picture is $size, not a 640x480 picture with transparency"

cp "$trap_map" "$tmp/original.krm"
out=$("$check" --add-marks "$trap_map")
[ $? -eq 0 ] || bad "--add-marks failed: $out"
grep -qx "$trap_map: added J at cell 10,27 (turns bots right)" <<<"$out" || bad "no turn in the pit: $out"
# Only empty cells changed, each into a mark; layout and everything else byte for byte.
[ "$(stat -c %s "$trap_map")" = "$(stat -c %s "$tmp/original.krm")" ] || bad "the file changed size"
changed=$(cmp -l "$tmp/original.krm" "$trap_map" | awk '$2 != 56 || ($3 != 112 && $3 != 113 && $3 != 110)')
[ -z "$changed" ] || bad "--add-marks changed more than empty cells: $changed"
out=$("$check" --routes "$tmp/after.png" "$trap_map")
[ $? -eq 0 ] || bad "bots are still stuck after --add-marks: $out"
cp "$trap_map" "$tmp/marked.krm"
out=$("$check" --add-marks "$trap_map")
[ "$out" = "$trap_map: no marks needed" ] && cmp -s "$trap_map" "$tmp/marked.krm" ||
    bad "a second --add-marks changed the map: $out"

# A map the game refuses: its reason, status 1, no picture.
printf '640 480\n' >"$tmp/cut.krm"
out=$("$check" --routes "$tmp/cut.png" "$tmp/cut.krm")
[ $? -eq 1 ] && [[ $out == "$tmp/cut.krm:"* ]] && [ ! -e "$tmp/cut.png" ] || bad "a cut map: $out"
out=$("$check" --add-marks "$tmp/cut.krm")
[ $? -eq 1 ] && cmp -s "$tmp/cut.krm" <(printf '640 480\n') || bad "--add-marks on a cut map: $out"

for m in "$build"/krm/*.krm; do
    out=$("$check" --routes "$tmp/shipped.png" "$m")
    [ $? -eq 0 ] || bad "$(grep stuck <<<"$out")"
done

[ $fails -eq 0 ] && echo "routes: all checks passed"
exit $((fails > 0))
