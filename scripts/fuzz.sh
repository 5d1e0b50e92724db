#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers on) and runs each for SECONDS (default 60) on a copy of its seed
# corpus. Exits non-zero when a fuzzer finds something; the input that
# triggered it is left in build-fuzz/findings/.
set -euo pipefail
seconds=${1:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build=${BUILD_DIR:-$top/build-fuzz}
mkdir -p "$build" && build=$(cd "$build" && pwd)
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DVESK_FUZZ=ON -DVESK_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j2 --target module_fuzzer script_fuzzer
mkdir -p "$build/findings"
# Inputs may save pictures under any name: they land in a scratch folder,
# not in the checkout.
scratch="$build/scratch"
rm -rf "$scratch" && mkdir -p "$scratch"
cd "$scratch"
status=0
for fuzzer in module script; do
  work="$build/corpus-$fuzzer"
  rm -rf "$work" && mkdir -p "$work" && cp -r "$top/fuzz/corpus/$fuzzer/." "$work/"
  extra=()
  [ -f "$top/fuzz/$fuzzer.dict" ] && extra+=("-dict=$top/fuzz/$fuzzer.dict")
  echo "fuzzing the $fuzzer for $seconds s"
  # Mesa keeps a block for each context that drew in selection mode.
  if ! VESK_HEADLESS=1 LSAN_OPTIONS="suppressions=$top/tests/support/mesa.supp:print_suppressions=0" \
       "$build/bin/${fuzzer}_fuzzer" -max_total_time="$seconds" -timeout=20 \
       -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/findings/$fuzzer-" \
       "${extra[@]}" "$work" > "$build/$fuzzer.log" 2>&1; then
    echo "the $fuzzer fuzzer found something; see $build/$fuzzer.log and $build/findings/"
    tail -40 "$build/$fuzzer.log"
    status=1
  fi
  grep -E "^#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec" "$build/$fuzzer.log" || true
done
exit $status
