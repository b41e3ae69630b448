# Sourced: the Wine environment of the tests. The prefix lives in the build tree.
here_env=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${CORVANE_WINEPREFIX:-$here_env/../../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
# Wine takes the Unix encoding of file names from the locale: without a UTF-8 one it cannot make
# names outside ASCII. A test that wants another code page sets a UTF-8 locale of its own.
case ${LC_ALL:-} in
  *.UTF-8 | *.utf8) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac

# Creates the prefix once (under a lock, since tests may start together) with the settings the
# tests rely on: Wine draws its own window frames (no window manager under Xvfb).
corvane_wine_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
      wineboot -i </dev/null >/dev/null 2>&1 || true
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.corvane-ready"
    fi
    # Wine draws the title bar's close box with Marlett; Debian ships it apart (fonts-wine).
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
  ) 9>"$WINEPREFIX.lock"
}
