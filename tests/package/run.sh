#!/usr/bin/env bash
# Installs Morvane the ways users get it and runs what was installed: `cmake --install` into a
# temporary prefix, the .deb unpacked with dpkg -x, and the Windows .zip unpacked, its
# morvane.exe run under Wine. Each converts the shipped samples exactly as the built program
# does, and man -l renders the installed manual page. Ends with "N passed, N failed"; without the
# tools it prints "skipped: ..." and exits 0.
set -uo pipefail
cd "$(dirname "$0")/../.."
source tests/win32/wine_env.sh

missing=$(wine_env_missing)
for tool in g++ make cpack dpkg-deb dpkg-shlibdeps file man unzip; do
  command -v "$tool" >/dev/null 2>&1 || missing+=" $tool"
done
if [ -n "${missing// /}" ] || { [ ! -e /usr/lib/wine/wine ] && ! command -v wine32 >/dev/null 2>&1; }; then
  echo "skipped: the package tests need the Debian packages cmake g++ make dpkg-dev file man-db unzip" \
    "g++-mingw-w64-i686-win32 wine wine32:i386 wine64 xvfb xauth python3" \
    "(wine32 from the i386 architecture)"
  exit 0
fi

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok $what"
    passed=$((passed + 1))
  else
    echo "FAIL $what"
    failed=$((failed + 1))
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
log="$work/build.log"

echo "-- building and packaging"
if ! { cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$log" 2>&1 &&
       cmake --build build-package -j2 >>"$log" 2>&1 &&
       (cd build-package && rm -f ./*.deb && cpack -G DEB) >>"$log" 2>&1 &&
       cmake -S . -B build-package-win32 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" \
         -DCMAKE_BUILD_TYPE=Release >>"$log" 2>&1 &&
       cmake --build build-package-win32 -j2 >>"$log" 2>&1 &&
       (cd build-package-win32 && rm -f ./*.zip && cpack -G ZIP) >>"$log" 2>&1; }; then
  cat "$log"
  echo "FAIL building the packages"
  failed=1
  finish
fi

samples=(samples/*.bmp samples/*.cgx samples/*.scr samples/*.col)
# The outputs the built program writes for the samples, in $work/expected.
mkdir -p "$work/expected"
cp "${samples[@]}" "$work/expected"
for source in "$work"/expected/*.*; do
  build-package/morvane "$source" >/dev/null
done

# Converts copies of the samples in directory $2 with the program $1 and compares every output
# with the built program's; prints what differs.
converts_samples() {
  local program=$1 dir=$2 source path line status=0
  mkdir -p "$dir"
  cp "${samples[@]}" "$dir"
  for source in "${samples[@]}"; do
    path="$dir/$(basename "$source")"
    line=$("$program" "$path" 2>&1)
    [ "$line" = "$path: 成功: ファイルの変換に成功しました！" ] || { echo "$source: $line"; status=1; }
  done
  for source in "${samples[@]}"; do
    source=$(basename "${source%.*}").c
    cmp "$work/expected/$source" "$dir/$source" || status=1
  done
  return $status
}

echo "-- cmake --install"
prefix="$work/prefix"
cmake --install build-package --prefix "$prefix" >/dev/null
check "cmake --install gives bin/morvane and share/man/man1/morvane.1" \
  test -x "$prefix/bin/morvane" -a -f "$prefix/share/man/man1/morvane.1"
installed_converts() { PATH="$prefix/bin:$PATH" converts_samples morvane "$work/installed"; }
check "the installed morvane, found on the PATH, converts the samples" installed_converts

# The README's Makefile rule with the installed morvane on the PATH: it renews a bitmap's output,
# and a refused bitmap fails make and leaves the earlier output as it was.
makefile_rule_works() {
  local dir="$work/make"
  mkdir -p "$dir/gfx"
  sed -n '/^```make$/,/^```$/{/^```/d;p}' README.md >"$dir/Makefile"
  # The source is copied just before make runs, as in a build that copies or generates its
  # sources: the output can then carry the source's own time stamp, and the rule must still pass.
  cp samples/ship16.bmp "$dir/gfx"
  head -c 100 samples/ship16.bmp >"$dir/gfx/cut.bmp"
  echo earlier >"$dir/gfx/cut.c"
  touch -d '1 hour ago' "$dir/gfx/cut.c"
  PATH="$prefix/bin:$PATH" make -s -C "$dir" gfx/ship16.c >/dev/null &&
    cmp "$work/expected/ship16.c" "$dir/gfx/ship16.c" &&
    ! PATH="$prefix/bin:$PATH" make -s -C "$dir" gfx/cut.c >/dev/null 2>&1 &&
    [ "$(cat "$dir/gfx/cut.c")" = earlier ]
}
check "the README's Makefile rule runs the installed morvane and fails on a refused bitmap" \
  makefile_rule_works

# The page in UTF-8, as a Japanese user would read it: the messages need the page's encoding.
page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/morvane.1" 2>"$work/man.err")
cat "$work/man.err"
check "man -l renders the manual page without a warning" test ! -s "$work/man.err"
page_has_its_texts() {
  local heading version
  for heading in NAME SYNOPSIS DESCRIPTION OPTIONS OUTPUT MESSAGES "EXIT STATUS" EXAMPLES; do
    grep -qx "$heading" <<<"$page" || { echo "no section $heading"; return 1; }
  done
  version=$(build-package/morvane --version)
  grep -qF "$version" <<<"$page" || { echo "no \"$version\""; return 1; }
  grep -qF "成功: ファイルの変換に成功しました！" <<<"$page" &&
    grep -qF "画像の幅と高さが８の倍数ではありません！" <<<"$page" &&
    grep -qF "gfx/%.c: gfx/%.bmp" <<<"$page"
}
check "the manual page has its sections, the version, the messages and the Makefile rule" \
  page_has_its_texts

echo "-- the .deb"
deb=(build-package/morvane_*.deb)
root="$work/deb-root"
dpkg -x "${deb[0]}" "$root"
check "the .deb holds usr/bin/morvane and its manual page" \
  test -x "$root/usr/bin/morvane" -a -f "$root/usr/share/man/man1/morvane.1"
check "the .deb's morvane converts the samples" converts_samples "$root/usr/bin/morvane" "$work/deb"
check "the .deb's morvane --version names the project's version" \
  test "$("$root/usr/bin/morvane" --version)" = "$(build-package/morvane --version)"

echo "-- the .zip"
zip=(build-package-win32/morvane-*-win32.zip)
unzip -q "${zip[0]}" -d "$work/zip"
exe=("$work"/zip/*/morvane.exe)
check "the .zip holds morvane.exe and README.md" \
  test -f "${exe[0]}" -a -f "$(dirname "${exe[0]}")/README.md"
check "the .zip's morvane.exe is stripped" \
  bash -c 'i686-w64-mingw32-objdump -t "$1" | grep -qx "no symbols"' _ "${exe[0]}"

# A Windows path for a Unix one: Wine's drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The program converts, then shows its message box; the output is complete before the box, so
# this waits for the output and then ends Wine.
exe_converts() {
  local source=$1 output="${1%.*}.c" waited=0 program
  wine "${exe[0]}" "$(windows_path "$source")" >/dev/null 2>&1 &
  program=$!
  while [ ! -f "$output" ] && [ $waited -lt 600 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  wineserver -k 2>/dev/null
  wait "$program"
  cmp "$work/expected/$(basename "$output")" "$output"
}
trap 'wine_env_stop; rm -rf "$work"' EXIT
if wine_env_start; then
  mkdir -p "$work/wine"
  cp "${samples[@]}" "$work/wine"
  for source in "${samples[@]}"; do
    check "the .zip's morvane.exe converts $(basename "$source") under Wine" \
      exe_converts "$work/wine/$(basename "$source")"
  done
else
  echo "FAIL starting Wine"
  failed=$((failed + 1))
fi
finish
