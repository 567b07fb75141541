#!/usr/bin/env bash
# Takes the README's pictures of the Windows program under Wine in a headless X server:
# docs/window.png (the window waiting for a drop) and docs/message.png (the box after a drop).
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/win32/wine_env.sh
source tests/support.sh

missing=$(wine_env_missing)
[ -z "$missing" ] || skip "the pictures need $missing"
wine_choose_build
build=build-win$MORVANE_WINE_BITS
build_preset "win$MORVANE_WINE_BITS" >/dev/null

trap wine_env_stop EXIT
wine_env_start
mkdir -p "$MORVANE_WINE_DIR/work" "$MORVANE_WINE_DIR/pictures" docs
timeout 120 "${MORVANE_WINE[@]}" "$build/tests/win32/morvane_win32_test.exe" pictures \
  "$(windows_path "$PWD/$build/morvane.exe")" \
  "$(windows_path "$MORVANE_WINE_DIR/work")" "$(windows_path "$MORVANE_WINE_DIR/pictures")"
for picture in window message; do
  python3 tests/win32/bmp_to_png.py "$MORVANE_WINE_DIR/pictures/$picture.bmp" "docs/$picture.png"
  echo "docs/$picture.png"
done
