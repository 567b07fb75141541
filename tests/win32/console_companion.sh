# Sourced by run.sh once the driver has run: tests of morvane-cli.exe, the console companion, run
# from the shell under Wine as a build runs it. Uses run.sh's check, MORVANE_WINE, $cli, $expected
# (the shared sources and the command-line program's outputs) and $work (the driver's folders).

companion="$MORVANE_WINE_DIR/companion"
linux_morvane=$PWD/build/morvane
mkdir -p "$companion"
success=": 成功: ファイルの変換に成功しました！"

# Runs the companion in folder $1 with the remaining arguments; its standard output and error go
# to $companion/out and $companion/err, its exit status to $companion/status.
run_companion() {
  local folder=$1
  shift
  (cd "$folder" && timeout 120 "${MORVANE_WINE[@]}" "$cli" "$@" >"$companion/out" 2>"$companion/err")
  echo $? >"$companion/status"
}

# Prints what the companion printed and says why, for a check that failed.
printed_instead() {
  echo "$1; it printed:"
  cat "$companion/out" "$companion/err"
  return 1
}

converts_the_sources_in_turn() {
  local dir="$companion/sources" name status=0
  mkdir -p "$dir"
  cp "$expected"/pal.col "$expected"/tiles.bmp "$expected"/sheet.cgx "$expected"/scene.scr "$dir"
  run_companion "$dir" pal.col tiles.bmp sheet.cgx scene.scr
  [ "$(cat "$companion/status")" = 0 ] &&
    [ "$(cat "$companion/out")" = "$(printf "%s$success\n" pal.col tiles.bmp sheet.cgx scene.scr)" ] &&
    [ ! -s "$companion/err" ] || printed_instead "not the four success lines" || return 1
  for name in pal tiles sheet scene; do
    cmp "$expected/$name.c" "$dir/$name.c" || status=1
  done
  return $status
}

failures_name_their_files() {
  local dir="$companion/failures"
  mkdir -p "$dir"
  echo notes >"$dir/notes.txt"
  run_companion "$dir" missing.col notes.txt
  local err
  err=$(cat "$companion/err")
  [ "$(cat "$companion/status")" = 0 ] && [ ! -s "$companion/out" ] &&
    [[ "$err" == "morvane: missing.col: ファイルの読み込みに失敗しました！ (cannot open: "?*")
morvane: notes.txt: このファイル形式には対応していません！ (the extension \"txt\" is not known)" ]] ||
    printed_instead "not the two failure lines on standard error"
}

options_and_usage() {
  run_companion "$companion" --version
  [ "$(cat "$companion/out")" = "morvane $(build/morvane --version | cut -d' ' -f2)" ] ||
    printed_instead "--version" || return 1
  run_companion "$companion" --help
  grep -q '^usage: morvane FILE.bmp|FILE.scr|FILE.cgx|FILE.col \.\.\.$' "$companion/out" ||
    printed_instead "--help" || return 1
  run_companion "$companion"
  [ "$(cat "$companion/status")" = 2 ] && [ ! -s "$companion/out" ] &&
    grep -q '^usage: ' "$companion/err" || printed_instead "no path"
}

# The sources the driver converted in folders named beyond code page 932 (and カード), converted
# again by the companion from a relative path: the same outputs, the paths named as given.
names_beyond_code_page_932() {
  local from="$work/paths_beyond_code_page_932" folder name output source count=0 status=0
  for folder in "$from"/*/; do
    folder=${folder%/}
    name=$(basename "$folder")
    mkdir -p "$companion/$name"
    for output in "$folder"/*.c; do
      source=$(find "$folder" -name "$(basename "$output" .c).*" ! -name '*.c')
      cp "$source" "$companion/$name/"
      run_companion "$companion" "$name/$(basename "$source")"
      [ "$(cat "$companion/out")" = "$name/$(basename "$source")$success" ] ||
        printed_instead "$name/$(basename "$source")" || status=1
      cmp "$output" "$companion/$name/$(basename "$output")" || status=1
      count=$((count + 1))
    done
  done
  [ "$count" -ge 5 ] || { echo "only $count sources found in $from"; status=1; }
  return $status
}

# The build form, as a build under MSYS2 asks for it: the same files as the command-line
# program's, the names in them in UTF-8 (a name beyond code page 932 with its '_' in the array
# names, its own characters in the file's), nothing printed but failures, which make the exit
# status 1.
build_form_as_on_linux() {
  local dir="$companion/build" names="$work/paths_beyond_code_page_932" file status=0
  mkdir -p "$dir/windows" "$dir/linux"
  cp "$expected"/pal.col "$expected"/tiles.bmp "$expected"/sheet.cgx "$expected"/scene.scr \
    "$names/カード/カード.cgx" "$names/José/José.col" "$dir"
  run_companion "$dir" --build windows pal.col tiles.bmp sheet.cgx scene.scr カード.cgx José.col
  [ "$(cat "$companion/status")" = 0 ] && [ ! -s "$companion/out" ] && [ ! -s "$companion/err" ] ||
    printed_instead "not a silent success" || return 1
  (cd "$dir" && "$linux_morvane" --build linux pal.col tiles.bmp sheet.cgx scene.scr カード.cgx \
    José.col) || return 1
  for file in "$dir"/linux/*; do
    case $(basename "$file") in José.h | José.s) continue ;; esac
    cmp "$file" "$dir/windows/$(basename "$file")" || status=1
  done
  [ "$(ls "$dir/windows" | wc -l)" = 18 ] || { echo "not the 18 files"; status=1; }
  grep -qx 'extern const unsigned short Jos__pal\[256\] __attribute__((aligned(4)));' \
      "$dir/windows/José.h" &&
    grep -q '^// The arrays morvane made from José.col,' "$dir/windows/José.h" &&
    grep -qx '	.incbin "José.bin", 0, 512' "$dir/windows/José.s" ||
    { echo "José's build form is not named right"; status=1; }
  run_companion "$dir" --build windows missing.col pal.col
  [ "$(cat "$companion/status")" = 1 ] && [ ! -s "$companion/out" ] &&
    [[ "$(cat "$companion/err")" == "morvane: missing.col: ファイルの読み込みに失敗しました！ (cannot open: "?*")" ]] ||
    printed_instead "not one failure line and the exit status 1" || status=1
  return $status
}

# The README's Makefile rule with MORVANE naming the companion, as a Windows build under MSYS2
# would: it converts, and a refused bitmap fails make and leaves no output.
readme_rule_runs_the_companion() {
  local dir="$companion/make"
  mkdir -p "$dir/gfx"
  readme_makefile "$dir/Makefile"
  cp "$expected/tiles.bmp" "$expected/pal.col" "$dir/gfx"
  printf 'BM' >"$dir/gfx/cut.bmp"
  make -s -C "$dir" MORVANE="${MORVANE_WINE[*]} $cli" gfx/tiles.c gfx/pal.c >/dev/null &&
    cmp "$expected/tiles.c" "$dir/gfx/tiles.c" && cmp "$expected/pal.c" "$dir/gfx/pal.c" &&
    ! make -s -C "$dir" MORVANE="${MORVANE_WINE[*]} $cli" gfx/cut.c >/dev/null 2>&1 &&
    [ ! -e "$dir/gfx/cut.c" ]
}

# --picture draws the very PNG bytes the command-line program draws, from paths beyond code page
# 932 too, and refuses as it does, leaving the earlier picture.
picture_as_on_linux() {
  local dir="$companion/picture" refusal
  mkdir -p "$dir"
  cp "$expected"/scene.c "$expected"/sheet.c "$expected"/pal.c "$expected"/tiles.c "$dir"
  (cd "$dir" && "$linux_morvane" --picture linux-screen.png scene.c sheet.c pal.c &&
    "$linux_morvane" --picture linux-bitmap.png tiles.c) >/dev/null || return 1
  run_companion "$dir" --picture screen.png scene.c sheet.c pal.c
  [ "$(cat "$companion/status")" = 0 ] &&
    [ "$(cat "$companion/out")" = "screen.png: drawn, 256 x 256 pixels" ] ||
    printed_instead "not the success line" || return 1
  run_companion "$dir" --picture bitmap.png tiles.c
  cmp "$dir/screen.png" "$dir/linux-screen.png" && cmp "$dir/bitmap.png" "$dir/linux-bitmap.png" ||
    return 1
  # Paths beyond code page 932, the picture's own name among them, draw as plain ones do.
  mkdir -p "$dir/José"
  cp "$expected/pal.c" "$dir/José/né.c"
  (cd "$dir" && "$linux_morvane" --picture linux-palette.png pal.c) >/dev/null || return 1
  run_companion "$dir" --picture José/ñu.png José/né.c
  [ "$(cat "$companion/out")" = "José/ñu.png: drawn, 128 x 128 pixels" ] ||
    printed_instead "not the success line for José/ñu.png" || return 1
  cmp "$dir/José/ñu.png" "$dir/linux-palette.png" || return 1
  refusal="morvane: scene.c: a screen map is drawn with a character sheet and a palette; no file given is a character sheet"
  run_companion "$dir" --picture bitmap.png scene.c pal.c
  [ "$(cat "$companion/status")" = 1 ] && [ ! -s "$companion/out" ] &&
    [ "$(cat "$companion/err")" = "$refusal" ] || printed_instead "not the refusal" || return 1
  cmp "$dir/bitmap.png" "$dir/linux-bitmap.png"
}

check "morvane-cli.exe converts several sources in turn, a success line each on standard output" \
  converts_the_sources_in_turn
check "morvane-cli.exe names each failing file on standard error, with its reason" \
  failures_name_their_files
check "morvane-cli.exe: --version, --help, and the usage line without a path" options_and_usage
check "morvane-cli.exe --picture draws the same PNG bytes as morvane, and refuses as it does" \
  picture_as_on_linux
check "morvane-cli.exe converts sources named beyond code page 932 as morvane.exe does" \
  names_beyond_code_page_932
check "morvane-cli.exe --build writes the build form as morvane does" build_form_as_on_linux
check "the README's Makefile rule runs with MORVANE naming morvane-cli.exe" \
  readme_rule_runs_the_companion
