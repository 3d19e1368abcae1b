#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install_packages.sh
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWK_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)"
exec "$build/app/Wakeline3_0" "$@"
