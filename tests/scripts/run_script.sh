#!/bin/sh
# Runs one script test: copies NAME.vsk into a fresh folder, runs it there
# with the real vesk (arguments from a first line "// args: ...", or the
# ARGS given here), and compares its standard output and error, then
# "exit N", with NAME.out.
# usage: run_script.sh VESK SCRIPT EXPECTED [ARGS...]
set -u
vesk=$1 script=$2 expected=$3
shift 3
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
case $expected in /*) ;; *) expected=$PWD/$expected ;; esac
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
name=$(basename "$script")
cp "$script" "$work/$name"
args=$(sed -n '1s|^// args: *||p' "$script")
[ $# -gt 0 ] && args=$*
cd "$work" || exit 2
# shellcheck disable=SC2086 # the arguments are words
"$vesk" --headless "$name" $args > actual 2>&1
echo "exit $?" >> actual
diff -u "$expected" actual
