#!/usr/bin/env bash
# Installs Morvane the ways users get it and runs what was installed: `cmake --install` into a
# temporary prefix, the .deb unpacked with dpkg -x, and the Windows .zip unpacked, its
# morvane.exe run under Wine (the 64-bit build's where the 32-bit Wine cannot start; the 32-bit
# program's form is checked all the same, see wine_choose_build). Each converts the shipped
# samples exactly as the built program does, and man -l renders the installed manual page. Ends with "N passed, N failed"; without the
# tools it prints "skipped: ..." and exits 0.
set -uo pipefail
cd "$(dirname "$0")/../.."
source tests/win32/wine_env.sh
source tests/support.sh
# The CMake package and the make fragment build a project's graphics from the prefix and the .deb.
source tests/package/integration_checks.sh

missing=$(wine_env_missing)
for tool in g++ make cpack dpkg-deb dpkg-shlibdeps file man unzip; do
  command -v "$tool" >/dev/null 2>&1 || missing+=" $tool"
done
[ -z "${missing// /}" ] ||
  skip "the package tests need the Debian packages cmake g++ make dpkg-dev file man-db unzip" \
    "g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine wine32:i386 wine64 xvfb xauth" \
    "python3 (wine32 from the i386 architecture); missing:$missing"
wine_choose_build
echo "Windows build under test: $MORVANE_WINE_BUILD"

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
log="$work/build.log"

# Builds the .zip of the $1-bit Windows program in build-win$1.
windows_package() {
  build_preset "win$1" >>"$log" && (cd "build-win$1" && rm -f ./*.zip && cpack -G ZIP) >>"$log" 2>&1
}

echo "-- building and packaging"
if ! { cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$log" 2>&1 &&
       cmake --build build-package -j2 >>"$log" 2>&1 &&
       (cd build-package && rm -f ./*.deb && cpack -G DEB) >>"$log" 2>&1 &&
       windows_package 32 && { [ "$MORVANE_WINE_BITS" = 32 ] || windows_package 64; }; }; then
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
# And the build form's files, in $work/expected-build.
mkdir -p "$work/expected-build"
build-package/morvane --build "$work/expected-build" "${samples[@]}"

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
check "cmake --install gives the CMake package, the make fragment, the licence and the changelog" \
  test -f "$prefix/lib/cmake/morvane/morvaneConfig.cmake" \
  -a -f "$prefix/lib/cmake/morvane/morvaneConfigVersion.cmake" \
  -a -f "$prefix/share/morvane/morvane.mk" -a -f "$prefix/share/doc/morvane/copyright" \
  -a -f "$prefix/share/doc/morvane/CHANGELOG.md"
check "the installed CMake package builds a project's graphics and refuses title.bmp with title.col" \
  cmake_package_works "$prefix" "$work/cmake-package"
check "the installed make fragment builds a project's graphics and refuses title.bmp with title.col" \
  make_fragment_works "$prefix" "$work/make-fragment"
check "the installed package and fragment give morvane 200 paths a run at most" \
  runs_fit_a_command_line "$prefix" "$work/many-sources"

# The README's Makefile rule with the installed morvane on the PATH: it renews a bitmap's output,
# and a refused bitmap fails make and leaves the earlier output as it was.
makefile_rule_works() {
  local dir="$work/make"
  mkdir -p "$dir/gfx"
  readme_makefile "$dir/Makefile"
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
deb_holds_its_docs() {
  cmp LICENSE "$root/usr/share/doc/morvane/copyright" && test -f "$root/usr/share/doc/morvane/CHANGELOG.md"
}
check "the .deb holds /usr/share/doc/morvane/copyright (the licence) and the changelog" \
  deb_holds_its_docs
check "the .deb's CMake package builds a project's graphics" \
  cmake_package_works "$root/usr" "$work/deb-cmake-package"

echo "-- the .zip"
# The .zip users get holds the 32-bit program; where it cannot run here, the 64-bit build's .zip
# is run in its stead.
zip=(build-win32/morvane-*-win32.zip)
unzip -q "${zip[0]}" -d "$work/zip"
exe=("$work"/zip/*/morvane.exe)
zip_holds_its_files() {
  local dir=$1 file
  for file in morvane.exe morvane-cli.exe README.txt LICENSE.txt CHANGELOG.md morvane.mk \
              cmake/morvaneConfig.cmake cmake/morvaneConfigVersion.cmake cmake/morvane_add_graphics.cmake; do
    [ -f "$dir/$file" ] || { echo "no $file"; return 1; }
  done
  for file in "${samples[@]}"; do
    cmp "$file" "$dir/samples/$(basename "$file")" || return 1
  done
}
check "the .zip holds morvane.exe, morvane-cli.exe, its read-me, the licence, the changelog, the five samples, morvane.mk and the CMake package" \
  zip_holds_its_files "$(dirname "${exe[0]}")"
zip_package_runs_the_companion() {
  local dir=$1
  grep -q 'IMPORTED_LOCATION ".*/morvane-cli\.exe"' "$dir/cmake/morvaneConfig.cmake" &&
    grep -qF 'MORVANE ?= morvane-cli' "$dir/morvane.mk"
}
check "the .zip's CMake package runs morvane-cli.exe, and its make fragment morvane-cli under OS=Windows_NT" \
  zip_package_runs_the_companion "$(dirname "${exe[0]}")"
check "the .zip's morvane.exe is a stripped PE32 GUI program with its resources, needing only system DLLs" \
  form_is_right "${exe[0]}" GUI
check "the .zip's morvane-cli.exe is a stripped PE32 console program with its resources, needing only system DLLs" \
  form_is_right "$(dirname "${exe[0]}")/morvane-cli.exe" console
if [ "$MORVANE_WINE_BITS" = 64 ]; then
  zip=(build-win64/morvane-*-win64.zip)
  unzip -q "${zip[0]}" -d "$work/zip64"
  exe=("$work"/zip64/*/morvane.exe)
fi

# The program converts, then shows its message box; the output is complete before the box, so
# this waits for the output and then ends Wine.
exe_converts() {
  local source=$1 output="${1%.*}.c" waited=0 program
  wine_run "${exe[0]}" "$(windows_path "$source")" >/dev/null 2>&1 &
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
    check "the $MORVANE_WINE_BITS-bit .zip's morvane.exe converts $(basename "$source") under Wine" \
      exe_converts "$work/wine/$(basename "$source")"
  done
  # The console companion, as a build runs it: the Wine that runs it and the program as one
  # command.
  companion="$work/morvane-cli"
  printf '#!/bin/sh\nexec %s "%s" "$@"\n' "${MORVANE_WINE[*]}" \
    "$(dirname "${exe[0]}")/morvane-cli.exe" >"$companion"
  chmod +x "$companion"
  check "the $MORVANE_WINE_BITS-bit .zip's morvane-cli.exe converts the samples under Wine" \
    converts_samples "$companion" "$work/wine-cli"
  check "the .zip's morvane.mk with its morvane-cli.exe under Wine builds the project as on Linux, byte for byte" \
    eval 'fragment_builds_alike "$prefix/share/morvane/morvane.mk" "$prefix/bin/morvane" "$work/linux-fragment" &&
          fragment_builds_alike "$(dirname "${exe[0]}")/morvane.mk" "$companion" "$work/wine-fragment" \
            "$work/linux-fragment"'
else
  echo "FAIL starting Wine"
  failed=$((failed + 1))
fi
finish
