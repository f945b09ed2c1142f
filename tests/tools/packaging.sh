#!/usr/bin/env bash
# What the installed game brings to the desktop passes the standard validators: the
# desktop entry, the AppStream metainfo, the icons (real PNGs of the four sizes made
# by krag-art) and the man pages; every place that names the version agrees.
# Usage: packaging.sh <build> <source>
set -u
build=$1
src=$2
fails=0
passes=0
ok() { passes=$((passes + 1)); }
bad() { echo "FAIL: $*"; fails=$((fails + 1)); }
check() { # check DESC CMD...
    local desc=$1 out
    shift
    if out=$("$@" 2>&1); then ok; else bad "$desc"; echo "$out"; fi
}

check "desktop entry" desktop-file-validate "$src/packaging/krag.desktop"
check "AppStream metainfo" appstreamcli validate --no-net "$src"/packaging/*.metainfo.xml
for size in 32 64 128 256; do
    icon="$build/icons/krag-$size.png"
    got=$(identify -format '%m %wx%h %[channels]' "$icon" 2>&1)
    case "$got" in
    "PNG ${size}x${size} srgba"* | "PNG ${size}x${size} rgba"*) ok ;;
    *) bad "icon $icon: $got" ;;
    esac
done
# The corners are see-through, the middle is not.
check "icon corner transparent" test "$(convert "$build/icons/krag-64.png" -format '%[fx:p{0,0}.a]' info:)" = 0
check "icon middle opaque" test "$(convert "$build/icons/krag-64.png" -format '%[fx:p{32,32}.a]' info:)" = 1
for page in "$src"/packaging/*.6; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -z "$warnings" ]; then ok; else bad "man page $page: $warnings"; fi
done

version=$("$build/krag" --version)
check "krag --version names the game" test "${version%% *}" = krag
v=${version#krag }
check "debian/changelog is at $v" grep -q "^krag ($v)" "$src/debian/changelog"
check "metainfo lists release $v" grep -q "<release version=\"$v\"" "$src"/packaging/*.metainfo.xml
for page in "$src"/packaging/*.6; do
    check "$page is at $v" grep -q "\"krag $v\"" "$page"
done

echo "packaging: $passes passed, $fails failed"
[ "$fails" -eq 0 ]
