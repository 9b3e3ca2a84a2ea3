#!/usr/bin/env bash
# Renders Tessly's icon, resources/linux/icons/app.tessly.Tessly.svg, into the PNG sizes of the icon theme that
# are installed beside it (resources/linux/icons/<size>/app.tessly.Tessly.png). Run it after changing the SVG;
# it needs rsvg-convert (Debian's librsvg2-bin), which the build does not.
set -euo pipefail
cd "$(dirname "$0")/../linux/icons"
for size in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "$size"
    rsvg-convert --width "$size" --height "$size" app.tessly.Tessly.svg --output "$size/app.tessly.Tessly.png"
done
