#!/bin/sh
# SaveAs writes its file whole or not at all: a write that fails (here past
# a file size limit) leaves the file it would replace byte for byte and no
# temporary file behind; a target that is not a regular file (a folder, a
# FIFO, a device) is refused and left alone; a symbolic link has the file it
# leads to replaced; a replaced file keeps its permissions.
# usage: files_test.sh VESK
set -u
vesk=$1
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
failures=0
fail() {
    echo "FAILED: $*"
    sed 's/^/  | /' out
    failures=$((failures + 1))
}

# save PATH SIDE: saves a SIDE x SIDE picture of noise (which does not
# compress) at PATH; vesk's output goes to the file out.
save() {
    timeout 20 "$vesk" --headless -e "b = new MBmp($2, $2); x = 1;
for (i = 0; i < $2 * $2; i += 1) {
  x = (x * 1103515245 + 12345) & 2147483647;
  b->SetPixel(i % $2, i / $2, x & 255, (x >> 8) & 255, (x >> 16) & 255);
}
b->SaveAs(\"$1\");" > out 2>&1
}
# expect CODE [PATTERN]: the last run's exit code, and a line of its output
# (without a pattern, no output).
expect() {
    if [ "$rc" != "$1" ] || { [ $# = 2 ] && ! grep -q -- "$2" out; } || { [ $# = 1 ] && [ -s out ]; }; then
        fail "exit $rc, wanted $1 and ${2:-no output}"
    fi
}

save keep.png 4; rc=$?
expect 0
cp keep.png keep.orig
chmod 640 keep.png

# 64 x 64 pixels of noise take 12 KB; the limit is 2 KB (4 blocks of 512).
(ulimit -f 4; save keep.png 64); rc=$?
expect 1 '^-e:6: error 14: cannot write keep.png: File too large$'
cmp -s keep.png keep.orig || fail "a failed save changed keep.png"

mkdir folder.png
save folder.png 4; rc=$?
expect 1 '^-e:6: error 14: cannot write folder.png: it is a folder, not a regular file$'
[ -d folder.png ] && [ -z "$(ls -A folder.png)" ] || fail "the folder was touched"

mkfifo fifo.png
save fifo.png 4; rc=$?
expect 1 'cannot write fifo.png: it is a FIFO, not a regular file$'
[ -p fifo.png ] || fail "the FIFO was replaced"

for device in /dev/null /dev/full; do
    save $device 4; rc=$?
    expect 1 "cannot write $device: it is a device, not a regular file\$"
    [ -c $device ] || fail "$device is no longer a device"
done

save nowhere/x.png 4; rc=$?
expect 1 'cannot write nowhere/x.png: cannot make a file in nowhere: No such file or directory$'

# Through a link the file it leads to is replaced; permissions stay.
ln -s keep.png link.png
save link.png 3; rc=$?
expect 0
[ -L link.png ] || fail "the link was replaced by a file"
[ "$(stat -c %a keep.png)" = 640 ] || fail "keep.png lost its permissions: $(stat -c %a keep.png)"
"$vesk" --headless -e 'print(new MBmp("keep.png")->GetWidth());' > out 2>&1; rc=$?
expect 0 '^3$'

# Nothing but what the steps made: no temporary file was left behind.
left=$(ls -A | tr '\n' ' ')
[ "$left" = "fifo.png folder.png keep.orig keep.png link.png out " ] || fail "files left: $left"
[ "$failures" = 0 ]
