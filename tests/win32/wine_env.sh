# Sourced by the Windows test scripts: the choice of the Windows build to run, and a throw-away
# Wine prefix of its kind inside a headless X server. wine_env_start sets MORVANE_WINE_DIR and
# WINEPREFIX; wine_env_stop undoes everything it started.

# Wine gives files their Unix names in the locale's character set: the Japanese names the tests
# use need a UTF-8 one, whatever the caller has set or not.
export LC_ALL=C.UTF-8

# Prints what is missing to run the Windows tests, nothing when all is there.
wine_env_missing() {
  local missing=()
  local tool
  for tool in i686-w64-mingw32-g++ i686-w64-mingw32-windres i686-w64-mingw32-objdump \
    x86_64-w64-mingw32-g++ x86_64-w64-mingw32-windres x86_64-w64-mingw32-objdump \
    wine wineserver Xvfb python3 cmake; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  [ -x /usr/lib/wine/wine64 ] || missing+=("wine64")
  echo "${missing[*]}"
}

# Chooses the Windows build the tests run. The 32-bit build, the one users run, where the 32-bit
# Wine starts here (found by starting it: a kernel without IA-32 emulation cannot); otherwise,
# or when MORVANE_WINE_BITS=64 asks for it, the 64-bit build of the same code under wine64. Sets
# MORVANE_WINE_BITS (32 or 64: the preset is win32 or win64), MORVANE_WINE_BUILD (a line that
# names the build and why) and MORVANE_WINE (the command that runs a program under its Wine, an
# array).
wine_choose_build() {
  local started
  if [ "${MORVANE_WINE_BITS:-}" = 64 ]; then
    MORVANE_WINE_BUILD="64-bit build under wine64, as MORVANE_WINE_BITS=64 asks"
    MORVANE_WINE_BITS=64
  elif [ ! -e /usr/lib/wine/wine ]; then
    MORVANE_WINE_BUILD="64-bit build under wine64, as the 32-bit Wine (wine32:i386) is not installed"
    MORVANE_WINE_BITS=64
  elif started=$(/usr/lib/wine/wine --version 2>&1); then
    MORVANE_WINE_BUILD="32-bit build under the 32-bit Wine ($started)"
    MORVANE_WINE_BITS=32
  else
    MORVANE_WINE_BUILD="64-bit build under wine64, as the 32-bit Wine cannot start here (${started##*: })"
    MORVANE_WINE_BITS=64
  fi
  MORVANE_WINE=(wine)
  [ "$MORVANE_WINE_BITS" = 32 ] ||
    MORVANE_WINE=(env WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64)
}

wine_run() { "${MORVANE_WINE[@]}" "$@"; }

# Prints what is wrong with the form of the 32-bit program $1, a $2 (GUI or console) program:
# a PE32 file of that subsystem, needing system DLLs only, without a symbol table, with its icon
# group, version and manifest. Nothing when all is right; it needs no Wine.
program_form_problems() {
  local program=$1 subsystem=$2 headers dll resources
  headers=$(i686-w64-mingw32-objdump -p "$program" 2>&1)
  grep -q '^Magic.*(PE32)' <<<"$headers" || echo "$program is not a PE32 file"
  case $subsystem in
  GUI) grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || echo "$program is not a GUI program" ;;
  console) grep -q '^Subsystem.*(Windows CUI)' <<<"$headers" || echo "$program is not a console program" ;;
  esac
  for dll in $(awk '/DLL Name/ {print tolower($3)}' <<<"$headers"); do
    case $dll in
    advapi32.dll | gdi32.dll | kernel32.dll | msvcrt.dll | shell32.dll | user32.dll) ;;
    *) echo "$program needs $dll" ;;
    esac
  done
  i686-w64-mingw32-objdump -t "$program" | grep -qx "no symbols" || echo "$program has a symbol table"
  resources=$(i686-w64-mingw32-windres -J coff -O rc -i "$program" 2>&1)
  grep -q '^101 14 ' <<<"$resources" || echo "$program has no icon group 101"
  grep -q '^1 VERSIONINFO' <<<"$resources" || echo "$program has no version resource"
  grep -q '^1 24 ' <<<"$resources" || echo "$program has no manifest"
}

# True when the 32-bit program $1, a $2 program, has the right form; else prints what is wrong.
form_is_right() {
  local problems
  problems=$(program_form_problems "$1" "$2")
  [ -z "$problems" ] || { echo "$problems"; return 1; }
}

wine_env_start() {
  MORVANE_WINE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/morvane-wine-XXXXXX")
  export WINEPREFIX="$MORVANE_WINE_DIR/prefix"
  export WINEARCH=win$MORVANE_WINE_BITS
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="

  # The X server takes a display nobody uses (one held only by an abstract socket too, as from
  # another root on the machine) and writes its number once it accepts connections.
  local display_file="$MORVANE_WINE_DIR/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
    >"$MORVANE_WINE_DIR/xvfb.log" 2>&1 &
  MORVANE_XVFB_PID=$!
  local waited=0
  while [ ! -s "$display_file" ]; do
    if ! kill -0 "$MORVANE_XVFB_PID" 2>/dev/null || [ $waited -ge 100 ]; then
      echo "the X server did not start:" >&2
      cat "$MORVANE_WINE_DIR/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(head -n 1 "$display_file")"

  wine_run wineboot -i >"$MORVANE_WINE_DIR/wineboot.log" 2>&1 || true
  wineserver -w
  # Wine's virtual desktop gives the windows their title bars and lets programs end sooner;
  # Tahoma, the message box font, is drawn with a Japanese font so the texts are readable.
  cat >"$MORVANE_WINE_DIR/settings.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="800x600"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Tahoma"="IPAGothic"
"MS Shell Dlg"="IPAGothic"
"MS Shell Dlg 2"="IPAGothic"
EOF
  wine_run regedit "$MORVANE_WINE_DIR/settings.reg" >>"$MORVANE_WINE_DIR/wineboot.log" 2>&1
  wineserver -w
}

wine_env_stop() {
  # Wine must finish before its X server goes away.
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  if [ -n "${MORVANE_XVFB_PID:-}" ]; then
    kill "$MORVANE_XVFB_PID" 2>/dev/null || true
    wait "$MORVANE_XVFB_PID" 2>/dev/null || true
  fi
  if [ -n "${MORVANE_WINE_DIR:-}" ]; then
    rm -rf "$MORVANE_WINE_DIR"
  fi
}
