# Wine for the tests, sourced by the scripts under tools/. One template
# prefix per build tree (Japanese locale, dialog fonts, no window manager),
# copied for every group of tests that needs its own Windows state, and a
# shared copy whose session is started before CTest runs.
#
# Every wine call runs with wine_env; background Wine processes are started
# with their output on /dev/null, or they hold CTest's pipes open.

: "${SETUP_WINE_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine}"
SETUP_TEMPLATE="$SETUP_WINE_ROOT/template"
SETUP_SHARED="$SETUP_WINE_ROOT/shared"
SETUP_TEMPLATE_RECIPE=1   # raise when make_template changes

wine_env() {
  export WINEPREFIX="$1"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
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
    export WINEARCH=win32
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
