# Sourced by the Wine helpers: the prefix inside the build tree and the fixed Wine settings.
kv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${WINEPREFIX:=$kv_root/build/test/wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
# No Mono or Gecko prompts. No desktop-menu helper either: the shell would start one for
# every shortcut the tests make, writing menu entries into the user's home outside the
# prefix, and those for shortcuts without an icon wait for the desktop to end.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# wine64 runs the x86_64 test build here; the test VM sets WINEARCH=win32 and runs the
# i686 one under Wine's 32-bit loader.
: "${WINEARCH:=win64}"
export WINEARCH
if [ "$WINEARCH" = win32 ]; then
  KV_WINE=$(command -v wine || echo /usr/lib/wine/wine)
else
  KV_WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
  [ -x "$KV_WINE" ] || KV_WINE=/usr/lib/wine/wine64
fi
KV_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$KV_WINESERVER" ] || KV_WINESERVER=/usr/lib/wine/wineserver

# Creates the prefix once; later runs reuse it. Call it before the prefix's server runs.
# Its windows are left to Wine itself (the X11 driver's Managed=N): with no window manager
# on the display, Wine otherwise waits about two seconds at every top-level window that
# closes, every page of the wizard among them. KV_WINE_MANAGED=1 keeps them managed, for a
# prefix a person looks at on a desktop of their own.
kv_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX" >&2
    mkdir -p "$WINEPREFIX"
    "$KV_WINE" wineboot -i >/dev/null 2>&1 || true
    "$KV_WINESERVER" -w
  fi
  if [ -z "${KV_WINE_MANAGED:-}" ] && ! grep -qs '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
    "$KV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 || true
    "$KV_WINESERVER" -w
  fi
}
