#!/usr/bin/env bash
# Installs what is missing, builds and starts the program on a demo heat.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install_packages.sh
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWK_BUILD_TESTS=OFF -DWK_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
# The program creates the capture server through the registry store: register the one just built.
"$build/tools/wakeline_regsvr" "$PWD/$build/capture_server/libBrixCap4.so"
data="${WAKELINE_HOME:-$HOME}/Wakeline_Data"
demo="$data/DemoHeat1.qs2"
if [ ! -f "$demo" ]; then
  mkdir -p "$data"
  "$build/tools/make_demo_heat" "$demo"
fi
exec "$build/app/Wakeline3_0" "$demo" "$@"
