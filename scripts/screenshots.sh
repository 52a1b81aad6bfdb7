#!/bin/bash
# Pictures of the desktop program for the user guide: builds the picture
# program if needed, runs the real main window on examples/SANDY6.DAT under a
# virtual X display and writes the PNGs to docs/images/.
#
#   bash scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMAR_BENCH=OFF
fi
cmake --build "$build" --target kelmar-screenshots -j2
exe="$(find "$build" -name kelmar-screenshots -type f -perm -u+x | head -n 1)"
mkdir -p "$root/docs/images"
# A fixed style and font size, so the pictures do not depend on the desktop.
QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion QT_SCALE_FACTOR=1 ASAN_OPTIONS=detect_leaks=0 \
  xvfb-run -a -s "-screen 0 1280x900x24" \
  "$exe" "$root/docs/images" "$root/examples" "$root/docs"
