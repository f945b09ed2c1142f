#!/usr/bin/env bash
# make_deb.sh SOURCE OUT: builds the Debian package from a copy of SOURCE in OUT (so the
# source tree gets no build droppings), then runs lintian on it. Exit status 1 when the
# build fails or lintian reports an error; warnings are printed and left for the README.
set -euo pipefail
src=$1
out=$2
version=$(sed -n '1s/^krag (\([^)]*\)).*/\1/p' "$src/debian/changelog")
tree="$out/krag-$version"
rm -rf "$out"
mkdir -p "$tree"
# The source without build folders or version control.
(cd "$src" && tar -c --exclude='./build*' --exclude=./.git --exclude='./obj-*' .) | tar -x -C "$tree"
(cd "$tree" && dpkg-buildpackage -us -uc -b -j"$(nproc 2>/dev/null || echo 2)")
deb=$(ls "$out"/krag_"$version"_*.deb)
echo "built $deb"
echo "--- lintian"
status=0
lintian --info --display-info "$deb" || status=$?
if [ "$status" -ne 0 ]; then
    echo "lintian reports errors (status $status)" >&2
    exit 1
fi
echo "lintian: no errors"
