#!/usr/bin/env bash
# Renders the PNG icons under dist/linux/icons/ from dist/linux/tralbo.svg. The PNGs are committed,
# so the build needs no SVG renderer; run this again after changing the SVG. Needs rsvg-convert
# (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v rsvg-convert > /dev/null; then
    echo "render-icons.sh: rsvg-convert is missing; install the package librsvg2-bin" >&2
    exit 1
fi

for size in 48 256; do
    mkdir -p "dist/linux/icons/${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
        --output "dist/linux/icons/${size}x${size}/tralbo.png" dist/linux/tralbo.svg
done
