#!/bin/sh
# Renders the README's pictures of the three pages in a real X server (Xvfb), after the sample
# disc has been scanned, imported and browsed.
# Usage: scripts/screenshots.sh [BUILD_DIR]  -- writes docs/screenshots/*.png
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cmake --build "$build" --target tralbo_screenshots
QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" \
    "$build/tests/e2e/tralbo_screenshots" docs/screenshots
