#!/bin/sh
# The hand-written pages cover what the host offers: every builtin (from the
# builtin tables in vesk/eval/builtins.cpp and lib_*.cpp) and global in
# docs/language.md as `name(`; every
# host class (from vesk --methods) with a section of its own and each of its
# rows in docs/host-classes.md; every host error number (the VE_ constants)
# in the error table of docs/language.md; every module error identifier and
# message (module/table.cpp) in docs/module.md. And every link between the
# pages reaches an existing page and, when it names one, a heading there.
# usage: coverage_test.sh VESK SOURCE_DIR
set -u
vesk=$1 top=$2
language=$top/docs/language.md
classes=$top/docs/host-classes.md
module=$top/docs/module.md
fail=0
missing() {
  echo "$1"
  fail=1
}

builtins=$(sed -n '/^const Builtin kBuiltins\[\] = {/,/^};/p' "$top/vesk/eval/builtins.cpp" |
  grep -oE '\{"[a-z0-9_]+"' | tr -d '{"')
[ -n "$builtins" ] || missing "no builtins found in vesk/eval/builtins.cpp"
libraries=$(for f in "$top"/vesk/eval/lib_*.cpp; do sed -n '/^const Builtin kRows\[\] = {/,/^};/p' "$f"; done |
  grep -oE '\{"[a-z0-9_]+"' | tr -d '{"')
[ -n "$libraries" ] || missing "no builtins found in vesk/eval/lib_*.cpp"
for name in $builtins $libraries argv pi scriptdir; do
  grep -qE "\`$name(\(|\`)" "$language" || missing "docs/language.md does not document the builtin $name"
done

rows=$("$vesk" --methods | sed -n 's/^      host  //p')
[ -n "$rows" ] || missing "vesk --methods lists no host rows"
for class in $(printf '%s\n' "$rows" | sed 's/::.*//' | sort -u); do
  grep -qE "^## \`?$class\`?( |$)" "$classes" || missing "docs/host-classes.md has no section for $class"
done
printf '%s\n' "$rows" | while IFS= read -r row; do
  grep -qF "\`$row\`" "$classes" || { echo "docs/host-classes.md does not document $row"; exit 1; }
done || fail=1

numbers=$(cat "$top/vesk/values/value.h" "$top/host/processor.h" | grep -oE '^ *VE_[A-Z_]+ = [0-9]+' | sed 's/.*= //')
[ -n "$numbers" ] || missing "no VE_ error numbers found"
for n in $numbers; do
  grep -qE "^\| $n \|" "$language" || missing "docs/language.md has no row for host error $n"
done

errors=$(grep -oE '\{OGL_[A-Z_]+, "[^"]*", "OGL_[A-Z_]+"\}' "$top/module/table.cpp")
[ -n "$errors" ] || missing "no module errors found in module/table.cpp"
printf '%s\n' "$errors" | while IFS= read -r entry; do
  message=$(printf '%s' "$entry" | cut -d'"' -f2)
  identifier=$(printf '%s' "$entry" | cut -d'"' -f4)
  grep -qF "$message" "$module" && grep -qF "$identifier" "$module" ||
    { echo "docs/module.md lacks the module error $identifier \"$message\""; exit 1; }
done || fail=1

# Headings become anchors as GitHub makes them: lower case, punctuation
# other than '-' and '_' dropped, blanks made '-'.
anchors() {
  awk '/^```/ { code = !code; next } !code' "$1" | sed -n 's/^#\{1,6\} //p' |
    tr '[:upper:]' '[:lower:]' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}
for page in "$top"/docs/*.md; do
  # Links outside code: fenced blocks and `spans` are left out first.
  awk '/^```/ { code = !code; next } !code' "$page" | sed 's/`[^`]*`//g' |
    grep -oE '\]\([a-zA-Z0-9_./-]*(#[a-z0-9_-]+)?\)' | sed 's/^](//; s/)$//' | sort -u |
    while IFS= read -r link; do
      file=${link%%#*}
      anchor=
      case $link in *'#'*) anchor=${link#*#} ;; esac
      target=$top/docs/${file:-$(basename "$page")}
      [ -z "$file" ] && target=$page
      case $file in http*) continue ;; esac
      if [ ! -f "$target" ]; then
        echo "$(basename "$page"): link to a missing page: $link"
        exit 1
      fi
      if [ -n "$anchor" ] && ! anchors "$target" | grep -qx "$anchor"; then
        echo "$(basename "$page"): link to a missing heading: $link"
        exit 1
      fi
    done || fail=1
done
exit $fail
