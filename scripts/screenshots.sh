#!/bin/sh
# Renders the README's pictures of the three pages in a real X server (Xvfb), after the sample
# disc has been scanned, imported and browsed, and the naming dialog, the warning box and the error
# report; each once at the default scale and once at 125 % (names ending in -125).
# Usage: scripts/screenshots.sh [BUILD_DIR]  -- writes docs/screenshots/*.png
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cmake --build "$build" --target tralbo_screenshots
render() {
    QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" \
        "$build/tests/e2e/tralbo_screenshots" docs/screenshots "$@"
}
render
QT_SCALE_FACTOR=1.25 render -125
