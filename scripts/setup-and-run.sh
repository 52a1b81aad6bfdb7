#!/usr/bin/env bash
# Installs what is needed, builds Kelmar and runs the bundled example scenario.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kelmar_install_deps
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
./build/src/cli/kelmar run examples/SANDY6.DAT
