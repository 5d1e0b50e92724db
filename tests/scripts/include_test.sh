#!/bin/sh
# include(path): a file runs once however it is named, files that include
# each other run once each, relative paths are taken from the including
# file's folder wherever vesk is started, errors in an included file name
# that file and line, a file that failed is tried again by a later include,
# and files that are not scripts are refused at the include's line.
# usage: include_test.sh VESK
set -u
vesk=$1
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
failures=0
# check NAME WANT: the output of the last run (out) is WANT.
check() {
    if [ "$(cat out)" != "$2" ]; then
        echo "FAILED: $1"; echo "--- got"; cat out; echo "--- wanted"; echo "$2"
        failures=$((failures + 1))
    fi
}

mkdir -p app/lib
cat > app/main.vsk <<'VSK'
include("lib/a.vsk");
include("./lib/../lib/a.vsk");
include("main.vsk");
function load() { include("lib/late.vsk"); }
load();
print(twice(21), late, order);
try { include("lib/fails.vsk"); } catch (e) { print(e, tries); }
include("lib/fails.vsk");
VSK
cat > app/lib/a.vsk <<'VSK'
order = "a";
function twice(x) { return 2 * x; }
include("b.vsk");
VSK
printf 'order = order + "b";\ninclude("a.vsk");\n' > app/lib/b.vsk
printf 'late = "set from a function";\n' > app/lib/late.vsk
printf 'tries = 1;\n\nz = [1][3];\n' > app/lib/fails.vsk

mkdir elsewhere && cd elsewhere
"$vesk" ../app/main.vsk > ../out 2>&1; echo "rc=$?" >> ../out
cd ..
check "once per file, from the includer's folder" "42 set from a function ab
[[11, index 3 is outside the vector of 1 element]] 1
../app/lib/fails.vsk:3: error 11: index 3 is outside the vector of 1 element
rc=1"

printf 'x = 1;\ny = = 2;\n' > app/lib/bad.vsk
"$vesk" -e 'include("app/lib/bad.vsk");' > out 2>&1
check "a syntax error names the included file" "app/lib/bad.vsk:2:5: error 2: expected expression, found '='"

mkfifo fifo.vsk
"$vesk" -e 'print(1);
try { include("missing.vsk"); } catch (e) { print(e); }
try { include("app"); } catch (e) { print(e); }
try { include(7); } catch (e) { print(e); }
include("fifo.vsk");' > out 2>&1
check "what is not a script is refused at its line" "1
[[14, include(): cannot read missing.vsk: No such file or directory]]
[[14, include(): cannot read app: it is a folder, not a regular file]]
[[4, include(): the path must be a string, not an integer]]
-e:5: error 14: include(): cannot read fifo.vsk: it is a FIFO, not a regular file"

# A chain of files each including the next ends with error 13, not a crash.
i=1
while [ $i -le 3000 ]; do echo "include(\"c$((i + 1)).vsk\");" > c$i.vsk; i=$((i + 1)); done
"$vesk" c1.vsk > out 2>&1
grep -q 'error 13: includes nested too deeply' out || check "a deep chain of includes" "error 13"

[ $failures = 0 ] && echo "include: all checks passed"
exit $failures
