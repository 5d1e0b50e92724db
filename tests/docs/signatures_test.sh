#!/bin/sh
# The signature page and the module reference keep up with the method table.
# Regenerates docs/signatures.md into a temporary file and compares it with
# the committed page; checks that each of the module's 161 signatures, as
# the page lists them, is documented in docs/module.md (written in
# backquotes), and that every module signature module.md names exists.
# usage: signatures_test.sh VESK SOURCE_DIR
set -u
vesk=$1 top=$2
page=$top/docs/module.md
fail=0
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT

if ! sh "$top/docs/gen-signatures.sh" "$vesk" "$tmp/signatures.md"; then
  echo "docs/gen-signatures.sh failed"
  exit 1
fi
if ! diff -u "$top/docs/signatures.md" "$tmp/signatures.md"; then
  echo "docs/signatures.md differs from what the built vesk reports: run docs/gen-signatures.sh"
  fail=1
fi
known=$tmp/signatures
sed -n 's/^| [0-9][0-9]* | [0-9][0-9]* | `\(.*\)` |$/\1/p' "$tmp/signatures.md" > "$known"

count=$(grep -c . "$known")
if [ "$count" -ne 161 ]; then
  echo "expected 161 module signatures on the page, found $count"
  fail=1
fi
while IFS= read -r signature; do
  if ! grep -qF "\`$signature\`" "$page"; then
    echo "docs/module.md does not document $signature"
    fail=1
  fi
done < "$known"

# A signature written in backquotes that the table does not have is a stale
# or mistyped entry.
grep -oE '`(VOpenGL|OglColor|OglMaterial)::[^`(]*\([^`]*\)`' "$page" | tr -d '`' | sort -u > "$tmp/named"
sort -u "$known" > "$tmp/known"
comm -23 "$tmp/named" "$tmp/known" > "$tmp/unknown"
if [ -s "$tmp/unknown" ]; then
  echo "docs/module.md names signatures the module does not have:"
  cat "$tmp/unknown"
  fail=1
fi
exit $fail
