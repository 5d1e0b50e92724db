#!/bin/sh
# Installs the build into a scratch prefix, moves the installed tree to
# another prefix (another depth, the build tree out of its reach) and runs it
# from an empty folder there: `vesk --version` with the project's version and
# the module found in the moved tree, the tour and an example that reads its
# texture from beside itself, the quick start's scene from the docs, the man
# page through man, and the module lookup's fallbacks (--module, and
# VESK_MODULE_PATH when the installed module is gone).
# usage: install_test.sh CMAKE BUILD_DIR VERSION
set -u
cmake=$1 build=$2 version=$3
pixels=$(cd "$(dirname "$0")" && pwd)/tools/pixels.vsk
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $1"
    [ -f "$work/out" ] && sed 's/^/  | /' "$work/out"
    failures=$((failures + 1))
}

"$cmake" --install "$build" --prefix "$work/first" > "$work/out" 2>&1 || { fail "cmake --install"; exit 1; }
for f in bin/vesk lib/cvopengl/libvesk.so lib/cvopengl/libvplatform.so lib/cvopengl/cVOpenGL.so \
         share/man/man1/vesk.1.gz share/doc/cvopengl/README.md share/doc/cvopengl/docs/language.md \
         share/doc/cvopengl/docs/examples/first_scene.vsk share/doc/cvopengl/examples/tour.vsk \
         share/doc/cvopengl/examples/assets/bricks.png share/doc/cvopengl/examples/data/stations.csv; do
    [ -s "$work/first/$f" ] || fail "the installed tree lacks $f"
done

mkdir -p "$work/other/place" "$work/empty"
mv "$work/first" "$work/other/place/prefix"
p=$work/other/place/prefix
vesk=$p/bin/vesk
docs=$p/share/doc/cvopengl
cd "$work/empty" || exit 2
unset VESK_MODULE_PATH LD_LIBRARY_PATH

"$vesk" --version > "$work/out" 2>&1 || fail "vesk --version in the moved tree"
head -n 1 "$work/out" | grep -qx "vesk $version, the Vesk host of cVOpenGL for Linux" ||
    fail "vesk --version does not give the project's version $version"
grep -q "^$p/lib/cvopengl/cVOpenGL.so: " "$work/out" || fail "the module is not the moved tree's"
ldd "$vesk" > "$work/out" 2>&1
grep -q "libvesk.so => $p/bin/../lib/cvopengl/libvesk.so" "$work/out" || fail "libvesk.so is not the moved tree's"

# Each example writes into the empty folder, where it is started.
for script in "$docs/examples/tour.vsk" "$docs/examples/bitmap.vsk" "$docs/docs/examples/first_scene.vsk"; do
    name=$(basename "$script" .vsk)
    "$vesk" --headless "$script" > "$work/out" 2>&1 || fail "$name in the moved tree"
    "$vesk" "$pixels" "$name.png" varied > "$work/out" 2>&1
    grep -qx ok "$work/out" || fail "$name did not write a picture $name.png in the current folder"
done

if command -v man > /dev/null; then
    MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$p/share/man/man1/vesk.1.gz" > "$work/page" 2> "$work/out"
    [ -s "$work/out" ] && fail "man warns about the page"
    for want in '^NAME' '^ *vesk - run Vesk scripts' '^SYNOPSIS' '^ *vesk \[options\] -e CODE' '^ *--headless' \
                '^ *--memory-limit SIZE' 'VESK_MODULE_PATH' '^ *Exit  *codes:  *0 when' '^EXAMPLES' \
                '^ *vesk --headless examples/tour.vsk' "cVOpenGL $version"; do
        grep -q -- "$want" "$work/page" || { cp "$work/page" "$work/out"; fail "the man page has no line matching: $want"; }
    done
    # Markdown that was not turned into roff.
    if grep -n '`\|\*\*\|](\|^|' "$work/page" > "$work/out"; then fail "the man page shows raw markdown"; fi
else
    fail "man is not installed (scripts/deps.sh installs man-db)"
fi

# --module loads a module by path; with the installed module gone, the
# runner says so, and VESK_MODULE_PATH points it at the module elsewhere.
"$vesk" --no-default-module --module "$p/lib/cvopengl/cVOpenGL.so" -e 'c = new OglColor(); print("ok");' \
    > "$work/out" 2>&1
grep -qx ok "$work/out" || fail "--module with the installed module"
mkdir "$work/kept"
mv "$p/lib/cvopengl/cVOpenGL.so" "$work/kept/"
"$vesk" -e 'print(1);' > "$work/out" 2>&1
[ $? = 2 ] && grep -q 'cannot load the module' "$work/out" || fail "a missing module is a load error"
VESK_MODULE_PATH=$work/kept "$vesk" -e 'c = new OglColor(); print("ok");' > "$work/out" 2>&1
grep -qx ok "$work/out" || fail "VESK_MODULE_PATH when the installed module is gone"

[ "$failures" = 0 ]
