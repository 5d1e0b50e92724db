#!/bin/bash
# The host's includes run one way. From the #include lines of every host
# source this checks that no two vesk/ folders include each other, directly
# or around a longer loop; that host/ includes nothing from vesk/ and names
# none of the host's own types; and that the module's folders and vesk/
# never include each other. It prints the folder graph, one edge a line.
# usage: layering_test.sh SOURCE_DIR
set -u
. "$(dirname "$0")/../support/include_graph.sh"
cd "$1" || exit 2
fail=0
modules='context|scene|geometry|color|picking|module'
private='VLive|VRuntime|VRefCell|VBlob|VFunction|VClass|ClassRecord|HostVector|HostObject|MemberObject|FunctionRunner|ErrorEntry'

edges=$(edges_of vesk host)
[ -n "$edges" ] || { echo "no host sources under $1"; exit 2; }
echo "$edges" | sed 's/ / -> /'

one_way "$edges" || fail=1

bad=$(echo "$edges" | awk '$1 ~ /^host/ && $2 !~ /^host/')
[ -n "$bad" ] && { echo "host/ includes the host's own folders:"; echo "$bad"; fail=1; }
bad=$(grep -nwE "$private" host/*.h)
[ -n "$bad" ] && { echo "host/ names the host's own types:"; echo "$bad"; fail=1; }

bad=$(echo "$edges" | awk -v m="^($modules)(/|\$)" '$1 ~ /^vesk/ && $2 ~ m')
[ -n "$bad" ] && { echo "vesk/ includes the module's folders:"; echo "$bad"; fail=1; }
dirs=$(ls -d context scene geometry color picking module 2>/dev/null)
if [ -n "$dirs" ]; then
  bad=$(edges_of $dirs | awk '$2 ~ /^vesk/')
  [ -n "$bad" ] && { echo "module folders include vesk/:"; echo "$bad"; fail=1; }
fi

[ $fail = 0 ] && echo "layering: one way"
exit $fail
