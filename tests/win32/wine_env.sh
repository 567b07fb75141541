# Sourced by the Windows test scripts: a throw-away 32-bit Wine prefix inside a headless X server.
# Sets MORVANE_WINE_DIR and WINEPREFIX; wine_env_stop undoes everything it started.

# Wine gives files their Unix names in the locale's character set: the Japanese names the tests
# use need a UTF-8 one, whatever the caller has set or not.
export LC_ALL=C.UTF-8

# Prints what is missing to run the Windows tests, nothing when all is there.
wine_env_missing() {
  local missing=()
  local tool
  for tool in i686-w64-mingw32-g++ i686-w64-mingw32-windres i686-w64-mingw32-objdump \
    wine wineserver Xvfb python3 cmake; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  echo "${missing[*]}"
}

wine_env_start() {
  MORVANE_WINE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/morvane-wine-XXXXXX")
  export WINEPREFIX="$MORVANE_WINE_DIR/prefix"
  export WINEARCH=win32
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="

  # A display number nobody uses yet.
  local display=90
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$MORVANE_WINE_DIR/xvfb.log" 2>&1 &
  MORVANE_XVFB_PID=$!
  export DISPLAY=":$display"
  local waited=0
  while [ ! -e "/tmp/.X11-unix/X$display" ]; do
    if ! kill -0 "$MORVANE_XVFB_PID" 2>/dev/null || [ $waited -ge 100 ]; then
      echo "the X server did not start; see $MORVANE_WINE_DIR/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done

  wine wineboot -i >"$MORVANE_WINE_DIR/wineboot.log" 2>&1 || true
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
  wine regedit "$MORVANE_WINE_DIR/settings.reg" >>"$MORVANE_WINE_DIR/wineboot.log" 2>&1
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
