#!/usr/bin/env bash
# Builds Morvane and runs every test: the suite plain and under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded fuzz run of every converter, the Windows program under
# Wine, and the GBA example in an emulator. Parts whose tools are missing say so and are skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== test suite"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DMORVANE_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize -j"$jobs" --output-on-failure

echo "== fuzzing"
bash tests/fuzz.sh

echo "== Windows program under Wine"
bash tests/win32/run.sh

echo "== GBA example in mGBA"
bash tests/gba/run.sh
