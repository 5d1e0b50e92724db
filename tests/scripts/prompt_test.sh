#!/bin/sh
# The prompt, driven through a pseudo-terminal (script(1)): vesk alone on a
# terminal gives it; it shows the value of an expression statement (kept in
# _), reads more lines while a bracket is open, reports an error and goes
# on, recalls a line with the up arrow, and after `vesk -i SCRIPT` sees the
# script's globals. Ctrl-D (the end of the input) ends it with exit code 0.
# usage: prompt_test.sh VESK
. "$(dirname "$0")/common.sh"
# session INPUT COMMAND: runs COMMAND on a terminal fed INPUT; the output,
# without carriage returns and the echo of the input, goes to the file out.
session() {
    printf "$1" | script -qec "$2; echo \"exit \$?\"" /dev/null | tr -d '\r' | sed -n '/^vesk> /,$p' > raw
    grep -v '^\(vesk>\|\.\.\.\.\.\) ' raw > out || true
    sed -n 's/^\(vesk>\|\.\.\.\.\.\) //p' raw > prompts
}
check() {
    if [ "$(cat out)" != "$2" ]; then
        echo "FAILED: $1"; echo "--- got"; cat raw; echo "--- wanted"; echo "$2"
        failures=$((failures + 1))
    fi
}

session 'x = 2;\nx * 21\n\033[A\n_ + 1\n[1,\n 2]\nundefined_thing\nprint("still here")\n' "\"$vesk\""
check "values, continued lines, errors and history" "42
42
43
[1, 2]
stdin:1: error 3: name 'undefined_thing' is not defined
still here
exit 0"
grep -q '^ 2\]$' prompts || { echo "FAILED: no continuation prompt"; cat raw; failures=$((failures + 1)); }

printf 'base = 40;\nfunction more(n) { return base + n; }\n' > lib.vsk
session 'more(2)\n' "\"$vesk\" -i lib.vsk"
check "-i runs the script first" "42
exit 0"

[ $failures = 0 ] && echo "prompt: all checks passed"
exit $failures
