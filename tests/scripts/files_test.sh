#!/bin/sh
# SaveAs and the script's file builtins write their file whole or not at
# all: a write that fails (here past a file size limit) leaves the file it
# would replace byte for byte and no temporary file behind; a target that
# is not a regular file (a folder, a FIFO, a device) is refused and left
# alone; a symbolic link has the file it leads to replaced; a replaced file
# keeps its permissions. Reading refuses what is not a regular file or is
# too large before reading; printed lines reach a log as they are printed;
# scriptdir finds a script's own folder.
# usage: files_test.sh VESK
. "$(dirname "$0")/common.sh"

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

# The devices written at are nodes of this folder when the test can make
# them (as root): were the refusal broken, the write would replace those,
# not the machine's /dev/null. Elsewhere /dev cannot be written anyway.
null=/dev/null full=/dev/full
if mknod null c 1 3 2> /dev/null && mknod full c 1 7 2> /dev/null; then null=null full=full; fi
for device in $null $full; do
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

# The script builtins write the same way: a failed writefile, appendfile
# or writecsv leaves the old text byte for byte; a target that is not a
# regular file is refused.
run() { timeout 20 "$vesk" --headless -e "$1" > out 2>&1; rc=$?; }
printf 'old text\n' > text.txt
cp text.txt text.orig
big='t = "0123456789abcdef"; for (i = 0; i < 10; i += 1) t = t + t;'
for call in 'writefile("text.txt", t)' 'appendfile("text.txt", t)' 'writecsv("text.txt", [[t]])'; do
    (ulimit -f 4; run "$big $call;"; exit $rc); rc=$?
    expect 1 "error 14: ${call%%(*}(): cannot write text.txt: File too large\$"
    cmp -s text.txt text.orig || fail "a failed $call changed text.txt"
done
run 'appendfile("text.txt", "more\n"); print(readlines("text.txt"));'
expect 0 '^\[old text, more\]$'
ln -s text.txt link.txt
run 'appendfile("link.txt", "via link\n"); print(readlines("text.txt"));'
expect 0 '^\[old text, more, via link\]$'
[ -L link.txt ] || fail "appendfile replaced the link"
for target in folder.png fifo.png $null; do
    run "appendfile(\"$target\", \"x\");"
    expect 1 "cannot write $target: it is a"
done

# Reading refuses what is not a regular file before reading a byte (a FIFO
# without a writer, /dev/zero, a folder), and a file larger than a string
# may be before it is read (a sparse file, so that the test takes no room).
for call in 'readfile("fifo.png")' 'readlines("/dev/zero")' 'readcsv("folder.png")' 'readfile("/dev/stdin")'; do
    run "$call;" < /dev/null
    expect 1 "cannot read .*: it is a"
done
# Files of /sys state 4096 bytes and hold fewer; those of /proc state none.
for kernel in /sys/devices/system/cpu/online /proc/self/cmdline; do
    [ -r "$kernel" ] || continue
    run "writefile(\"copy.txt\", readfile(\"$kernel\"));"
    expect 0
    [ -s copy.txt ] || fail "readfile($kernel) gave nothing"
    [ "$kernel" = /proc/self/cmdline ] || cat "$kernel" | cmp -s copy.txt - || fail "readfile($kernel) differs"
    rm -f copy.txt
done
truncate -s 3G huge.txt
run 'readlines("huge.txt");'
expect 1 'error 14: readlines(): cannot read huge.txt: it holds 3221225472 bytes, more than a string may hold (1073741824)$'
truncate -s 64M huge.txt
run 'print(len(readfile("huge.txt")));'
expect 0 '^67108864$'
timeout 20 "$vesk" --memory-limit 32M -e 'readfile("huge.txt");' > out 2>&1; rc=$?
expect 1 'error 12: not enough memory for the text of a file: it needs 67108896 bytes'
rm huge.txt
if [ "$(id -u)" != 0 ]; then
    printf 'secret\n' > locked.txt && chmod 000 locked.txt
    run 'readfile("locked.txt");'
    expect 1 'cannot read locked.txt: Permission denied$'
    mkdir sealed && chmod 500 sealed
    run 'writefile("sealed/x.txt", "x");'
    expect 1 'cannot write sealed/x.txt: cannot make a file in sealed: Permission denied$'
    chmod 700 sealed && rmdir sealed && rm -f locked.txt
fi

# Nothing but what the steps made: no temporary file was left behind.
rm -f null full
left=$(ls -A | tr '\n' ' ')
[ "$left" = "fifo.png folder.png keep.orig keep.png link.png link.txt out text.orig text.txt " ] || fail "files left: $left"

# Printed lines reach a pipe or a log file while the script still runs, and
# whole: the reader sees the first lines long before the script ends.
"$vesk" --headless -e 'print("first line"); print("second", "line"); sleep(5); print("last");' > log.txt 2>&1 &
pid=$!
sleep 1
[ "$(cat log.txt)" = "first line
second line" ] || fail "a second after printing, the log holds: $(cat log.txt)"
kill "$pid"
wait "$pid" 2>/dev/null
mkfifo pipe
"$vesk" --headless -e 'print("through the pipe"); sleep(30);' > pipe &
pid=$!
first=$(timeout 10 head -n 1 < pipe)
kill "$pid"
wait "$pid" 2>/dev/null
[ "$first" = "through the pipe" ] || fail "the pipe gave: $first"
rm -f pipe log.txt

# scriptdir is the folder of the script as it was named, so that a script
# finds its data from any folder.
mkdir -p sub/dir
printf '7,8\n' > sub/dir/data.csv
printf 'print(scriptdir, readcsv(scriptdir + "/data.csv"));\n' > sub/dir/s.vsk
"$vesk" --headless sub/dir/s.vsk > out 2>&1; rc=$?
expect 0 '^sub/dir \[\[7, 8\]\]$'
(cd sub && "$vesk" --headless "$work/sub/dir/s.vsk") > out 2>&1; rc=$?
expect 0 "^$work/sub/dir \\[\\[7, 8\\]\\]\$"
"$vesk" --headless - < sub/dir/s.vsk > out 2>&1; rc=$?
expect 1 "^-:1: error 14: readcsv(): cannot read ./data.csv: No such file or directory\$"
[ "$failures" = 0 ]
