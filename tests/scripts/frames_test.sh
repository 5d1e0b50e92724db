#!/bin/sh
# Frames rendered in separate processes equal those of one run: the frames
# example renders 0-11 in one process, then 0-5 and 6-11 in two processes
# at once (xargs -P 2, into the current folder), and every frame must be the
# same bytes. Neighbouring frames must differ (the animation moves), and a
# range given backwards writes nothing.
# usage: frames_test.sh VESK SCRIPT
set -u
vesk=$1 script=$2
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
case $script in /*) ;; *) script=$PWD/$script ;; esac
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
mkdir "$work/one" "$work/split" "$work/none" || exit 2
failures=0

if ! "$vesk" --headless "$script" 0 11 "$work/one" > "$work/one.said" 2>&1; then
  echo "FAILED: the single run 0-11 ended with an error:"; cat "$work/one.said"; exit 1
fi
if ! (cd "$work/split" && printf '0 5\n6 11\n' | xargs -n 2 -P 2 "$vesk" --headless "$script" > ../split.said 2>&1); then
  echo "FAILED: a run of the split 0-5 / 6-11 ended with an error:"; cat "$work/split.said"; exit 1
fi

for dir in one split; do
  count=$(ls "$work/$dir" | wc -l)
  [ "$count" = 12 ] || { echo "FAILED: $dir wrote $count files, not 12:"; ls "$work/$dir"; failures=$((failures + 1)); }
done
for f in 0000 0001 0002 0003 0004 0005 0006 0007 0008 0009 0010 0011; do
  if [ ! -s "$work/one/frame-$f.png" ] || [ ! -s "$work/split/frame-$f.png" ]; then
    echo "FAILED: frame-$f.png is missing or empty"
    failures=$((failures + 1))
  elif ! cmp -s "$work/one/frame-$f.png" "$work/split/frame-$f.png"; then
    echo "FAILED: frame-$f.png of the split run differs from that of the single run"
    failures=$((failures + 1))
  fi
done
if cmp -s "$work/one/frame-0005.png" "$work/one/frame-0006.png"; then
  echo "FAILED: frames 5 and 6 are the same picture: the animation does not move"
  failures=$((failures + 1))
fi

"$vesk" --headless "$script" 5 2 "$work/none" > "$work/none.said" 2>&1
if [ -n "$(ls "$work/none")" ] || ! grep -q "no frames written" "$work/none.said"; then
  echo "FAILED: the range 5-2 should write nothing and say so:"; cat "$work/none.said"; ls "$work/none"
  failures=$((failures + 1))
fi
[ "$failures" = 0 ] && echo "frames: 12 frames, the same from one process and from two"
[ "$failures" = 0 ]
