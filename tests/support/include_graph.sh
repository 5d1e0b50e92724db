# The folder graph of #include lines, for the layering tests (sourced, from
# the source folder). edges_of FOLDERS... prints "from to" for every include
# of a file in those folders that names a file in another folder;
# one_way EDGES fails (prints the loop, returns 1) when folders include each
# other, directly or around a longer loop.
edges_of() {
  for f in $(find "$@" -name '*.cpp' -o -name '*.h' | sort); do
    from=$(dirname "$f")
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$f" |
      while read -r inc; do
        to=$(dirname "$inc")
        [ "$to" = . ] && to=$from
        [ "$to" != "$from" ] && echo "$from $to"
      done
  done | sort -u
}

one_way() {
  local loop
  if ! loop=$(echo "$1" | tsort 2>&1 > /dev/null); then
    echo "folders include each other:"; echo "$loop"
    return 1
  fi
}
