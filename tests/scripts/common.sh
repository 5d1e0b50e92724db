# What the script tests share, sourced by them with the path of vesk as
# their first argument: a fresh folder to work in, removed at the end, a
# failure count, and fail WHAT, which counts a failure and shows the output
# of the last run (the file out).
set -u
vesk=$1
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
failures=0
fail() {
    echo "FAILED: $*"
    sed 's/^/  | /' out
    failures=$((failures + 1))
}
