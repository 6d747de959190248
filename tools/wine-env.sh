# Wine for the tests, sourced by the scripts under tools/. One template
# prefix per build tree and engine architecture (Japanese locale, dialog
# fonts, no window manager), copied for every group of tests that needs its
# own Windows state, and a shared copy whose session is started before CTest
# runs.
#
# The engine under test is the i686 build under 32-bit Wine where this host
# runs 32-bit programs, and the x86-64 build under wine64 where it cannot
# (SETUP_ENGINE_ARCH=x86_64 forces the latter). choose_engine_arch decides
# once; the scripts export its choice to everything they start.
#
# Every wine call runs with wine_env; background Wine processes are started
# with their output on /dev/null, or they hold CTest's pipes open.

SETUP_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SETUP_TEMPLATE_RECIPE=2   # raise when make_template changes

# Sets SETUP_ENGINE_ARCH (i686 or x86_64) and SETUP_ENGINE_REASON, or says
# in one sentence what is missing and returns 1.
choose_engine_arch() {
  local wine32=/usr/lib/wine/wine wine64=/usr/lib/wine/wine64
  case "${SETUP_ENGINE_ARCH:-}" in
    x86_64)
      SETUP_ENGINE_REASON="forced by SETUP_ENGINE_ARCH"
      if ! "$wine64" --version >/dev/null 2>&1; then
        echo "The x86-64 engine needs 64-bit Wine, and $wine64 does not start: install the wine64 package." >&2
        return 1
      fi ;;
    i686)
      SETUP_ENGINE_REASON="forced by SETUP_ENGINE_ARCH"
      if ! "$wine32" --version >/dev/null 2>&1; then
        echo "The i686 engine needs 32-bit Wine, and $wine32 does not start: this host cannot run 32-bit programs, or the wine32 package is missing." >&2
        return 1
      fi ;;
    "")
      if "$wine32" --version >/dev/null 2>&1; then
        SETUP_ENGINE_ARCH=i686 SETUP_ENGINE_REASON="this host runs 32-bit programs"
      elif "$wine64" --version >/dev/null 2>&1; then
        SETUP_ENGINE_ARCH=x86_64 SETUP_ENGINE_REASON="this host cannot run 32-bit programs"
      elif [ ! -e "$wine32" ] && [ ! -e "$wine64" ]; then
        echo "Wine is not installed (neither $wine32 nor $wine64 exists): run tools/bootstrap.sh as root." >&2
        return 1
      else
        echo "Neither Wine loader starts on this host ($wine32 nor $wine64): the tests cannot run the engine." >&2
        return 1
      fi ;;
    *)
      echo "SETUP_ENGINE_ARCH must be i686 or x86_64, not '$SETUP_ENGINE_ARCH'." >&2
      return 1 ;;
  esac
  export SETUP_ENGINE_ARCH SETUP_ENGINE_REASON
}

# One line for the output of every script that runs the engine.
say_engine_arch() {
  if [ "$SETUP_ENGINE_ARCH" = x86_64 ]; then
    echo "engine under test: x86-64 under wine64 ($SETUP_ENGINE_REASON)"
  else
    echo "engine under test: i686 under 32-bit Wine ($SETUP_ENGINE_REASON)"
  fi
}

# The Windows build folder of an architecture, below a host build folder.
windows_build() {
  if [ "$2" = x86_64 ]; then echo "$1/windows-x86_64"; else echo "$1/windows"; fi
}

: "${SETUP_ENGINE_ARCH:=}"
if [ -z "$SETUP_ENGINE_ARCH" ] || [ "${SETUP_WINE_ARCH_SET:-}" != "$SETUP_ENGINE_ARCH" ]; then
  choose_engine_arch || return 1 2>/dev/null || exit 1
fi
export SETUP_WINE_ARCH_SET=$SETUP_ENGINE_ARCH

# Wine refuses a prefix that another user owns: each user but root has
# Wine folders of its own.
setup_wine_user=
[ "$(id -u)" -eq 0 ] || setup_wine_user="-$(id -un)"
if [ "$SETUP_ENGINE_ARCH" = x86_64 ]; then
  : "${SETUP_WINE_ROOT:=${SETUP_BUILD_DIR:-$SETUP_TOOLS/../build}/wine-x86_64$setup_wine_user}"
  SETUP_WINEARCH=win64
  # Debian's wine script prefers the 32-bit loader whenever wine32 is
  # installed: a wrapper first on PATH starts the 64-bit one.
  mkdir -p "$SETUP_WINE_ROOT/bin"
  if [ ! -x "$SETUP_WINE_ROOT/bin/wine" ]; then
    printf '#!/bin/sh\nWINELOADER=/usr/lib/wine/wine64 exec /usr/lib/wine/wine64 "$@"\n' > "$SETUP_WINE_ROOT/bin/wine"
    chmod +x "$SETUP_WINE_ROOT/bin/wine"
  fi
  case ":$PATH:" in *":$SETUP_WINE_ROOT/bin:"*) ;; *) export PATH="$SETUP_WINE_ROOT/bin:$PATH" ;; esac
else
  : "${SETUP_WINE_ROOT:=${SETUP_BUILD_DIR:-$SETUP_TOOLS/../build}/wine$setup_wine_user}"
  SETUP_WINEARCH=win32
fi
export SETUP_WINE_ROOT
SETUP_TEMPLATE="$SETUP_WINE_ROOT/template"
SETUP_SHARED="$SETUP_WINE_ROOT/shared"

# The locale gives the programs their code page: Shift-JIS (932) unless
# SETUP_LOCALE names another.
wine_env() {
  export WINEPREFIX="$1"
  export LANG=${SETUP_LOCALE:-ja_JP.UTF-8} LC_ALL=${SETUP_LOCALE:-ja_JP.UTF-8} WINEDEBUG=-all
  export HOME="$SETUP_WINE_ROOT/home"
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  mkdir -p "$HOME"
}

# Runs a command in the background, detached from every inherited file.
detached() {
  (
    for fd in /proc/$BASHPID/fd/*; do
      fd=${fd##*/}
      [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-"
    done
    exec setsid "$@" </dev/null >/dev/null 2>&1
  ) &
}

quiet() { "$@" </dev/null >/dev/null 2>&1; }

make_template() {
  local dir="$SETUP_TEMPLATE"
  if [ -f "$dir/.recipe" ] && [ "$(cat "$dir/.recipe")" = "$SETUP_TEMPLATE_RECIPE" ]; then
    return 0
  fi
  rm -rf "$dir"
  mkdir -p "$SETUP_WINE_ROOT"
  (
    wine_env "$dir"
    export WINEARCH=$SETUP_WINEARCH
    quiet wine wineboot -i
    local fonts='HKCU\Software\Wine\Fonts\Replacements'
    quiet wine reg add "$fonts" /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f
    quiet wine reg add "$fonts" /v 'ＭＳ ゴシック' /t REG_SZ /d IPAGothic /f
    quiet wine reg add "$fonts" /v 'ＭＳ 明朝' /t REG_SZ /d IPAMincho /f
    quiet wine reg add "$fonts" /v 'ＭＳ Ｐ明朝' /t REG_SZ /d IPAPMincho /f
    quiet wine reg add "$fonts" /v 'MS UI Gothic' /t REG_SZ /d IPAPGothic /f
    quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    quiet wine reg add 'HKCR\.txt' /ve /t REG_SZ /d txtfile /f
    quiet wineserver -w
    cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma.ttf \
       /usr/share/wine/fonts/tahomabd.ttf "$dir/drive_c/windows/Fonts/"
    # The user folders point at $HOME; tests get folders of their own.
    local link
    for link in "$dir"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm "$link"; mkdir "$link"; fi
    done
  )
  echo "$SETUP_TEMPLATE_RECIPE" > "$dir/.recipe"
}

# Starts the Wine session of a prefix: server, boot, and a hidden window
# that keeps the desktop process alive between test programs.
start_session() {
  local prefix="$1" keepalive="$2"
  (
    wine_env "$prefix"
    quiet wineserver -p
    quiet wine wineboot
    if [ -n "$keepalive" ] && [ -f "$keepalive" ]; then detached wine "$keepalive"; fi
  )
}

stop_session() {
  ( wine_env "$1"; quiet wineserver -k ) || true
}
