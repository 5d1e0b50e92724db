#!/bin/bash
# The module's includes run one way: the parts, then the context, then the
# handlers. From the #include lines of every module source this checks that
# no two folders include each other, directly or around a longer loop; that
# no part includes context/ and no module folder includes vesk/; that only
# context/ calls the platform; and that module/rules alone words the host
# errors 8, 40, 43, 73 and 77. It prints the folder graph, one edge a line.
# usage: layering_test.sh SOURCE_DIR
set -u
. "$(dirname "$0")/../support/include_graph.sh"
cd "$1" || exit 2
fail=0
files=$(find context scene geometry color picking module -name '*.cpp' -o -name '*.h' | sort)
[ -n "$files" ] || { echo "no module sources under $1"; exit 2; }

edges=$(edges_of context scene geometry color picking module)
echo "$edges" | sed 's/ / -> /'

one_way "$edges" || fail=1

bad=$(echo "$edges" | awk '$2 ~ /^vesk/ {print}')
[ -n "$bad" ] && { echo "module folders include vesk/:"; echo "$bad"; fail=1; }
bad=$(echo "$edges" | awk '$1 !~ /(^context|\/script)$/ && $2 ~ /^context/ {print}')
[ -n "$bad" ] && { echo "parts include the context:"; echo "$bad"; fail=1; }

bad=$(grep -nE 'platform::[A-Z][A-Za-z]*\(' $(echo "$files" | grep -vE '^context/[^/]*$'))
[ -n "$bad" ] && { echo "calls of the platform outside context/:"; echo "$bad"; fail=1; }

bad=$(grep -nE 'VE_(SIZES|NOT_OBJECT|NO_NATIVE|NOT_BOOLEAN|NOT_INDEXABLE)|VeskError\([[:space:]]*(8|40|43|73|77)[^0-9]' \
        $(echo "$files" | grep -v '^module/rules\.'))
[ -n "$bad" ] && { echo "host errors 8, 40, 43, 73 or 77 raised outside module/rules:"; echo "$bad"; fail=1; }

[ $fail = 0 ] && echo "layering: one way"
exit $fail
