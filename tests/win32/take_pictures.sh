#!/usr/bin/env bash
# Takes the README's pictures of the Windows program under Wine in a headless X server:
# docs/window.png (the window waiting for a drop) and docs/message.png (the box after a drop).
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/win32/wine_env.sh

missing=$(wine_env_missing)
if [ -n "$missing" ]; then
  echo "skipped: the pictures need $missing"
  exit 0
fi

cmake -S . -B build-win32-tests -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DMORVANE_WIN32_TESTS=ON >/dev/null
cmake --build build-win32-tests -j2 >/dev/null

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

trap wine_env_stop EXIT
wine_env_start
mkdir -p "$MORVANE_WINE_DIR/work" "$MORVANE_WINE_DIR/pictures" docs
timeout 120 wine build-win32-tests/tests/win32/morvane_win32_test.exe pictures \
  "$(windows_path "$PWD/build-win32-tests/morvane.exe")" \
  "$(windows_path "$MORVANE_WINE_DIR/work")" "$(windows_path "$MORVANE_WINE_DIR/pictures")"
for picture in window message; do
  python3 tests/win32/bmp_to_png.py "$MORVANE_WINE_DIR/pictures/$picture.bmp" "docs/$picture.png"
  echo "docs/$picture.png"
done
