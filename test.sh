#!/usr/bin/env bash
# Installs what is missing, builds with sanitizers and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install_packages.sh
build=build-asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWK_SANITIZE=ON -DWK_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The capture server's tests register the libBrixCap4.so just built (and run the registration
# tool) into each test's own temporary registry store; the user's store is never touched.
(cd "$build" && ctest --output-on-failure -j "$(nproc)" "$@")
# A few seconds of every fuzz target on its seeds, when clang's libFuzzer is there (the setup
# script installs it); tools/fuzz.sh runs longer campaigns.
if command -v clang++ > /dev/null && ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a > /dev/null 2>&1; then
  ./tools/fuzz.sh smoke
else
  echo "clang's libFuzzer is not installed: the fuzz smoke run is left out"
fi
