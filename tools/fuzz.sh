#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on its seeds.
#   tools/fuzz.sh [smoke | SECONDS_PER_TARGET] [TARGET...]
# "smoke" (the default, what ./test.sh runs) is a fixed, repeatable run of 300 inputs from a fixed
# random seed; a campaign is, for example,
#   tools/fuzz.sh 600
# Corpora grow in build-fuzz/corpus/<target>; a crash leaves its input in build-fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-smoke}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(recording avi_parser xml_header dv_packs ini sdv_conversion registry marathon_file results_xml journal_settle start_list)
build=build-fuzz
mkdir -p "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWK_FUZZ=ON \
  -DWK_BUILD_TESTS=OFF -DWK_BUILD_BENCH=OFF > "$build/configure.log"
cmake --build "$build" --target make_fuzz_seeds $(printf 'fuzz_%s ' "${targets[@]}")
rm -rf "$build/seeds"
QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/make_fuzz_seeds" "$build/seeds"
mkdir -p "$build/crashes"
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
# The targets write their files in a private temporary folder; in memory where there is one, as
# a file system on disk makes the file-writing targets some thirty times slower.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR="$(mktemp -d /dev/shm/wk_fuzz.XXXXXX)"
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  if [ "$mode" = smoke ]; then
    run=(-runs=300 -seed=1)
    corpus=()
  else
    run=(-max_total_time="$mode")
    corpus=("$build/corpus/$t")
  fi
  echo "== fuzz_$t ${run[*]}"
  if ! "$build/tests/fuzz/fuzz_$t" "${corpus[@]}" "$build/seeds/$t" "${run[@]}" \
      -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$build/crashes/$t-" -print_final_stats=1 2>&1 |
      tail -n 25; then
    status=1
  fi
done
exit $status
