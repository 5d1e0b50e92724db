#!/bin/sh
# The editor files: the TextMate grammar (and the VS Code files beside it)
# are valid JSON, the grammar's patterns all compile, the Vim syntax file
# loads without an error, and both colour the sample script as
# tests/editors/expected.txt says and know every keyword of the lexer,
# every builtin and every class name.
# usage: editors_test.sh SOURCE_DIR
set -u
top=$1
here=$(cd "$(dirname "$0")" && pwd)
grammar=$top/editors/textmate/vesk.tmLanguage.json
sample=$top/editors/sample.vsk
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
failures=0

command -v python3 > /dev/null || { echo "FAILED: python3 is not installed (scripts/deps.sh installs it)"; exit 1; }

# The words each highlighter must know, one "KIND WORD" a line: the
# lexer's keyword table, the builtin rows, the globals every script has and
# the classes of the module and the host.
{
  grep -o '{"[a-z]*", Tok::' "$top/vesk/syntax/lexer.cpp" | sed 's/{"\([a-z]*\)".*/keyword \1/'
  for f in "$top"/vesk/eval/builtins.cpp "$top"/vesk/eval/lib_*.cpp; do
    sed -n '/^const Builtin k[A-Za-z]*\[\] = {/,/^};/p' "$f"
  done | grep -oE '\{"[a-z0-9_]+"' | sed 's/{"/builtin /; s/"//'
  for w in argv pi scriptdir; do echo "global $w"; done
  for w in VOpenGL OglColor OglMaterial POINT3 Matrix ColorRef String RECT MDC MBmp Vector Animation; do echo "class $w"; done
} > "$tmp/words"
grep -q '^keyword global$' "$tmp/words" && grep -q '^builtin print$' "$tmp/words" ||
  { echo "FAILED: the keywords or builtins could not be read from the sources"; exit 1; }

for json in "$top"/editors/textmate/*.json; do
  python3 -m json.tool "$json" > /dev/null || { echo "FAILED: $json is not valid JSON"; exit 1; }
done
python3 "$here/textmate_check.py" "$grammar" "$sample" "$here/expected.txt" "$tmp/words" || failures=$((failures + 1))

if ! command -v vim > /dev/null || ! vim --version | grep -q '+syntax'; then
  echo "SKIPPED: the Vim checks need vim with +syntax (scripts/deps.sh installs it)"
  [ "$failures" = 0 ] && exit 77
  exit 1
fi
# Loading the syntax file alone: vim -es ends with 1 on any error.
# Silent vim shows no message, so the last one is written out.
if ! vim -es -u NONE -N -i NONE -c 'syntax on' -c "source $top/editors/vim/syntax/vesk.vim" \
     -c "call writefile([v:errmsg], '$tmp/load')" -c 'if v:errmsg != "" | cquit | endif' -c 'qa!'; then
  echo "FAILED: vim reports an error loading editors/vim/syntax/vesk.vim: $(cat "$tmp/load")"
  failures=$((failures + 1))
fi
# The sample opened as a user would: the folder on the runtime path, the
# file type found by ftdetect, the syntax file loaded from there.
vim -es -u NONE -N -i NONE --cmd "set rtp^=$top/editors/vim" \
    --cmd "let g:table = '$here/expected.txt' | let g:words = '$tmp/words' | let g:out = '$tmp/vim-out'" \
    -c 'filetype on' -c 'syntax on' -c "edit $sample" -c "source $here/syngroups.vim" -c 'qa!' > "$tmp/said" 2>&1
if [ ! -f "$tmp/vim-out" ]; then
  echo "FAILED: vim did not finish the checks:"
  cat "$tmp/said"
  failures=$((failures + 1))
elif [ -s "$tmp/vim-out" ]; then
  cat "$tmp/vim-out"
  failures=$((failures + 1))
fi
[ "$failures" = 0 ] && echo "editors: TextMate grammar and Vim syntax agree with the sample"
[ "$failures" = 0 ]
