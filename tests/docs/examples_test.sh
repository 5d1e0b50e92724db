#!/bin/sh
# The examples in the documentation run. Every code block fenced as
# ```vesk in docs/*.md is a whole script: it is written to example.vsk in a
# fresh folder and run there with vesk --headless. When an ```output block
# follows it, standard output and error together must equal that block, and
# the exit code must be 1 if the block shows an error line
# ("FILE:LINE: error N: ...") and 0 otherwise; without one, the script must
# succeed. The scripts in docs/examples/ must run and succeed as well.
# usage: examples_test.sh VESK SOURCE_DIR
set -u
vesk=$1 top=$2
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
fail=0
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT

# Splits a page into $tmp/N/example.vsk (+ expected, + where) per example.
extract() {
  awk -v dir="$tmp" -v page="$1" -v start="$2" '
    BEGIN { n = start }
    mode == "" && /^```vesk$/ { n++; mode = "code"; system("mkdir -p " dir "/" n)
                                printf "%s:%d\n", page, NR > (dir "/" n "/where"); last = n; next }
    mode == "code" && /^```$/ { mode = ""; after = 1; next }
    mode == "code" { print > (dir "/" n "/example.vsk"); next }
    mode == "" && after && /^```output$/ { mode = "output"; printf "" > (dir "/" n "/expected"); next }
    mode == "output" && /^```$/ { mode = ""; after = 0; next }
    mode == "output" { print > (dir "/" n "/expected"); next }
    /^[[:space:]]*$/ { next }
    { after = 0 }
    END { print n }' "$1"
}

count=0
for page in "$top"/docs/*.md; do
  count=$(extract "$page" "$count")
done
[ "$count" -gt 0 ] || { echo "no runnable examples found in docs/*.md"; exit 1; }

i=1
while [ "$i" -le "$count" ]; do
  d=$tmp/$i
  where=$(sed "s|^$top/||" "$d/where")
  touch "$d/example.vsk"
  (cd "$d" && "$vesk" --headless example.vsk > actual 2>&1)
  rc=$?
  if [ -f "$d/expected" ]; then
    want=0
    grep -qE '^[^ ]+:[0-9]+(:[0-9]+)?: error [0-9]+: ' "$d/expected" && want=1
    if ! diff -u "$d/expected" "$d/actual" > "$d/diff"; then
      echo "$where: the output differs from the block that follows the example:"
      cat "$d/diff"
      fail=1
    elif [ "$rc" -ne "$want" ]; then
      echo "$where: exit code $rc, expected $want"
      fail=1
    fi
  elif [ "$rc" -ne 0 ]; then
    echo "$where: exit code $rc:"
    cat "$d/actual"
    fail=1
  fi
  i=$((i + 1))
done

for script in "$top"/docs/examples/*.vsk; do
  [ -f "$script" ] || continue
  mkdir -p "$tmp/run" && cp "$script" "$tmp/run/"
  if ! (cd "$tmp/run" && "$vesk" --headless "$(basename "$script")" > out 2>&1); then
    echo "docs/examples/$(basename "$script") failed:"
    cat "$tmp/run/out"
    fail=1
  fi
done
echo "$count examples checked"
exit $fail
