#!/usr/bin/env bash
# The game and its tools find their data wherever they are copied to: the installed
# layout (games/ beside share/games/krag), the build layout (data beside the program),
# KRAG_DATA and --data, also in a folder with a non-ASCII name; with nothing found
# every folder searched is named and the status is 1. No display is needed.
# Usage: data_search.sh <build> <source>
set -u
build=$(cd "$1" && pwd)
fails=0
passes=0
ok() { passes=$((passes + 1)); }
bad() { echo "FAIL: $*"; fails=$((fails + 1)); }
expect() { # expect DESC STATUS CMD...: CMD exits with STATUS
    local desc=$1 want=$2
    shift 2
    "$@" >"$tmp/out" 2>"$tmp/err"
    local got=$?
    if [ "$got" -eq "$want" ]; then ok; else bad "$desc: status $got, expected $want"; cat "$tmp/err"; fi
}
says() { # says DESC TEXT: the last command's stderr holds TEXT
    if grep -qF -- "$2" "$tmp/err"; then ok; else bad "$1: no '$2' in:"; cat "$tmp/err"; fi
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data"
unset KRAG_DATA
mkdir -p "$HOME"
data() { # data DIR MAP...: a data folder with the shipped bmp/ and wav/ and some maps
    local dir=$1 m
    shift
    mkdir -p "$dir/krm"
    cp -r "$build/bmp" "$build/wav" "$dir/"
    for m in "$@"; do cp "$build/krm/$m" "$dir/krm/"; done
}

# Installed layout in a folder named with an accent: PREFIX/games + PREFIX/share/games/krag.
prefix="$tmp/café/usr"
mkdir -p "$prefix/games"
cp "$build/krag" "$build/krag-sim" "$build/krag-mapcheck" "$prefix/games/"
data "$prefix/share/games/krag" arena.krm
# Data beside the program as well: the installed folder is searched first.
data "$prefix/games" arena.krm wilds.krm
cd /
expect "installed: plays from another folder" 0 "$prefix/games/krag-sim" --ticks 50
expect "installed data wins over data beside" 2 "$prefix/games/krag-sim" --map wilds.krm --ticks 50
says "the installed list lacks wilds" "wilds.krm is not in the list"
expect "KRAG_DATA overrides" 0 env KRAG_DATA="$prefix/games" "$prefix/games/krag-sim" --map wilds.krm --ticks 50
rm -rf "$prefix/share"
expect "build layout: data beside the program" 0 "$prefix/games/krag-sim" --map wilds.krm --ticks 50

# Nothing anywhere: every folder searched is named.
mkdir -p "$tmp/bare"
cp "$build/krag" "$build/krag-sim" "$tmp/bare/"
expect "no data: krag-sim stops" 1 "$tmp/bare/krag-sim"
says "the installed folder is named" "krag-sim:   $tmp/share/games/krag"
says "the program's folder is named" "krag-sim:   $tmp/bare"
expect "no data: krag stops before opening a window" 1 env -u DISPLAY "$tmp/bare/krag"
says "krag names the installed folder" "krag:   $tmp/share/games/krag"
says "krag names its own folder" "krag:   $tmp/bare"
says "krag says how to name the folder" "--data DIR or KRAG_DATA=DIR"
expect "--data names a folder without data" 1 "$prefix/games/krag" --data "$tmp/bare"
says "only that folder is named" "krag:   $tmp/bare"
expect "KRAG_DATA names a folder without data" 1 env KRAG_DATA=/nonexistent "$prefix/games/krag"
says "KRAG_DATA's folder is named" "krag:   /nonexistent"
expect "--help needs no data" 0 "$tmp/bare/krag" --help
expect "an unknown argument" 2 "$tmp/bare/krag" --frobnicate
says "the usage follows" "usage: krag"

# krag-mapcheck finds tile images in the data folder for a map kept anywhere.
mkdir -p "$XDG_DATA_HOME/krag/krm"
cp "$build/krm/arena.krm" "$XDG_DATA_HOME/krag/krm/mine.krm"
expect "mapcheck finds the tiles of a player's map" 0 "$prefix/games/krag-mapcheck" "$XDG_DATA_HOME/krag/krm/mine.krm"

echo "data_search: $passes passed, $fails failed"
[ "$fails" -eq 0 ]
