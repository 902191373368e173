#!/usr/bin/env bash
# Renders the icon from vornix.svg beside this script: the hicolor theme's
# sizes under icons/ (installed into share/icons) and vornix.png, the 128-pixel
# copy compiled into the program for its window and tray icon, so that the
# menu, the window and the tray show one picture. Every run writes the same
# bytes: rsvg-convert stamps no time into a PNG.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

if ! command -v rsvg-convert >/dev/null; then
  as_root=()
  [[ $(id -u) -eq 0 ]] || as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends librsvg2-bin >/dev/null
fi

render() { # SIZE OUT
  mkdir -p "$(dirname "$2")"
  rsvg-convert --width "$1" --height "$1" --format png --output "$2" "$here/vornix.svg"
}

for size in 16 24 32 48 64 128 256; do
  render "$size" "$here/icons/hicolor/${size}x${size}/apps/vornix.png"
done
cp "$here/icons/hicolor/128x128/apps/vornix.png" "$here/vornix.png"
