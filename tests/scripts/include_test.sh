#!/bin/sh
# include(path): a file runs once however it is named, files that include
# each other run once each, relative paths are taken from the including
# file's folder wherever vesk is started, errors in an included file name
# that file and line (and the calls they ended, by the file each is in), a
# file that failed is tried again by a later include,
# and files that are not scripts are refused at the include's line.
# usage: include_test.sh VESK
. "$(dirname "$0")/common.sh"
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
try { include("lib/fails.vsk"); } catch (e) { print(e[0][2], tries); }
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
index 3 is outside the vector of 1 element 1
../app/lib/fails.vsk:3: error 11: index 3 is outside the vector of 1 element
rc=1"

printf 'x = 1;\ny = = 2;\n' > app/lib/bad.vsk
"$vesk" -e 'include("app/lib/bad.vsk");' > out 2>&1
check "a syntax error names the included file" "app/lib/bad.vsk:2:5: error 2: expected expression, found '='"

mkfifo fifo.vsk
"$vesk" -e 'print(1);
function show(e) { print(e[0][0], e[0][2]); }
try { include("missing.vsk"); } catch (e) { show(e); }
try { include("app"); } catch (e) { show(e); }
try { include(7); } catch (e) { show(e); }
include("fifo.vsk");' > out 2>&1
check "what is not a script is refused at its line" "1
14 include(): cannot read missing.vsk: No such file or directory
14 include(): cannot read app: it is a folder, not a regular file
4 include(): the path must be a string, not an integer
-e:6: error 14: include(): cannot read fifo.vsk: it is a FIFO, not a regular file"

# The calls an uncaught error ended follow it, innermost first, each in the
# file it was declared in; recursion shows once with its count, and of very
# many calls the first and last 20 lines.
printf 'function down(n) {\n  if (n == 0) return [][0];\n  return down(n - 1);\n}\n' > app/lib/rec.vsk
printf 'include("lib/rec.vsk");\nfunction start() { return down(3); }\nstart();\n' > app/calls.vsk
"$vesk" app/calls.vsk > out 2>&1
check "the calls an error ended" "app/lib/rec.vsk:2: error 11: index 0 is outside the vector of 0 elements
  app/lib/rec.vsk:2: in down
  app/lib/rec.vsk:3: in down
  ... the call above 2 more times
  app/calls.vsk:2: in start"
"$vesk" -e 'function a(n) { return b(n); }
function b(n) { if (n == 0) return 1 / 0; return a(n - 1); }
a(300);' > out 2>&1
[ "$(grep -c '^  ' out)" = 41 ] && grep -q '^  \.\.\. 562 more lines$' out && [ "$(sed -n 2p out)" = "  -e:2: in b" ] ||
    check "many calls are cut in the middle" "41 lines"

# A chain of files each including the next ends with error 13, not a crash.
i=1
while [ $i -le 3000 ]; do echo "include(\"c$((i + 1)).vsk\");" > c$i.vsk; i=$((i + 1)); done
"$vesk" c1.vsk > out 2>&1
grep -q 'error 13: includes nested too deeply' out || check "a deep chain of includes" "error 13"

[ $failures = 0 ] && echo "include: all checks passed"
exit $failures
