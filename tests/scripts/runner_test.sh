#!/bin/sh
# The runner's commands, options and exit codes: 0 success, 1 script error,
# 2 usage or load error.
# usage: runner_test.sh VESK
. "$(dirname "$0")/common.sh"

# expect CODE PATTERN COMMAND...: the exit code, and a line of the output
# (standard output and error together) matching the pattern.
expect() {
    code=$1 pattern=$2
    shift 2
    "$@" > out 2>&1 < /dev/null
    got=$?
    if [ "$got" != "$code" ] || ! grep -q -- "$pattern" out; then
        echo "FAILED: $* (exit $got, wanted $code and a line matching: $pattern)"
        sed 's/^/  | /' out
        failures=$((failures + 1))
    fi
}

expect 0 '^usage: vesk' "$vesk" --help
expect 2 'no script given' "$vesk"
expect 2 'unknown option --bogus' "$vesk" --bogus x.vsk
expect 2 '^vesk: cannot read missing.vsk' "$vesk" missing.vsk
expect 2 'cannot load the module /nonexistent/m.so' "$vesk" --module /nonexistent/m.so -e 'print(1);'
expect 2 'unexpected argument extra' "$vesk" --version extra
expect 0 '^\[a, b c\] 2$' "$vesk" -e 'print(argv, len(argv));' a 'b c'
expect 1 '^-e:1: error 3: name .nothing. is not defined$' "$vesk" -e 'x = nothing;'
expect 1 '^-e:2:1: error 2: ' "$vesk" -e 'x = (1
;'
printf 'print("from stdin", argv[0]);\n' > stdin.vsk
expect 0 '^from stdin z$' sh -c "\"$vesk\" - z < stdin.vsk"
# Output into a full device, or a pipe whose reader has gone, ends the script
# with error 14 at a print instead of running on into nothing.
for into in full pipe; do
    if [ $into = full ]; then
        timeout 20 "$vesk" -e 'while (true) print("line");' > /dev/full 2> err
    else
        timeout 20 sh -c "\"$vesk\" -e 'while (true) print(\"line\");' 2> err | head -n 1 > /dev/null"
    fi
    grep -q '^-e:1: error 14: print(): the script.s output cannot be written' err ||
        { echo "FAILED: a script printing into a $into output"; cat err; failures=$((failures + 1)); }
done
expect 0 '^vesk 1\.0' "$vesk" --version
expect 0 'cVOpenGL.so: .*VESK' "$vesk" --version
expect 0 '^   1  handler 1  VOpenGL::VOpenGL(void)$' "$vesk" --methods
expect 0 'handler [0-9]*  OglColor::\*=(number)$' "$vesk" --methods
expect 0 'host  Matrix::Inverse(void)$' "$vesk" --methods
expect 0 '^GL renderer: ' env -u DISPLAY "$vesk" --info
expect 0 '^trace: -e:2: OglColor::\* [0-9.]* ms$' "$vesk" --trace -e 'c = new OglColor();
d = c * 2;'
expect 1 "^-e:3: error 17: there is no class 'VOpenGL'$" "$vesk" --no-default-module -e 'x = 1;
function f() { return 1; }
y = new VOpenGL();'
# The memory limit: an option, else the environment, else 2 GiB.
expect 2 '^vesk: --memory-limit 12X: not a size' "$vesk" --memory-limit 12X -e 'print(1);'
expect 2 '^vesk: VESK_MEMORY_LIMIT=lots: not a size' env VESK_MEMORY_LIMIT=lots "$vesk" -e 'print(1);'
expect 1 '^-e:1: error 12: not enough memory for a picture: it needs 192000000 bytes (183.1 MiB), and .* of the limit of 104857600 bytes (100 MiB) is in use (raise the limit with vesk --memory-limit SIZE' \
    "$vesk" --memory-limit 100M -e 'b = new MBmp(8000, 8000);'
expect 1 'of the limit of 52428800 bytes (50 MiB)' env VESK_MEMORY_LIMIT=50m "$vesk" -e 'b = new MBmp(8000, 8000);'
expect 0 '^ok$' env VESK_MEMORY_LIMIT=50m "$vesk" --memory-limit 300M -e 'b = new MBmp(8000, 8000); print("ok");'
[ "$failures" = 0 ]
