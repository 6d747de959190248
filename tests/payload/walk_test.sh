#!/usr/bin/env bash
# A product with every kind of record under each flag set that changes the layout: the
# builder's listing of it must equal the engine's walk under Wine (Z: is the host's /),
# and the walk must end exactly at the end of the data.
#   walk_test.sh MKSETUP PAYLOAD_WALK_EXE UNINSTALLER_EXE SOURCE_DIR
set -u
mksetup=$1 walker=$2 uninstaller=$3 source=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/docs" "$work/tree/空のフォルダ"
printf 'hello\r\n' > "$work/tree/readme.txt"
head -c 5000 /dev/zero | tr '\0' 'a' > "$work/tree/docs/runs.txt"
head -c 20000 /dev/urandom > "$work/tree/docs/noise.bin"
printf '表示の説明\r\n' | iconv -t CP932 > "$work/tree/docs/表.txt"
cp "$source/resources/setup.ico" "$work/icon.ico"
cp "$uninstaller" "$work/shared.dll"
printf '使用許諾\n同意してください。\n' > "$work/license.txt"

# manifest NAME FEATURES SHORTCUTS: writes $work/NAME.toml
manifest() {
  local name=$1 features=$2 shortcuts=$3
  {
    printf '[product]\nname = "歩く %s"\ndefault_folder = %s\n' "$name" "'\$(SYSDRV):\\Walk'"
    printf '[features]\n%s\n' "$features"
    printf '[screen]\npanel = "%s"\nfooter = "フッター"\n' "$source/examples/sample/panel.bmp"
    printf '[[files]]\ntree = "tree"\n[[files]]\nsource = "license.txt"\ntarget = %s\nattributes = ["readonly", "hidden"]\n' "'docs\\deep\\license.txt'"
    printf '%s\n' "$shortcuts"
    printf '[[shared]]\npath = %s\nsource = "shared.dll"\n' "'\$(SYSDIR)\\walkshared.dll'"
    printf '[[shared]]\npath = %s\nsource = "license.txt"\nversion = "1.2.3.4"\n' "'\$(WINDIR)\\walk.txt'"
    printf '[[registry]]\nkey = %s\n' "'HKEY_CURRENT_USER\\Software\\Walk'"
    printf '[[registry]]\nkey = %s\nvalue = "Count"\ntype = "dword"\ndata = 258\n' "'HKEY_CURRENT_USER\\Software\\Walk'"
    printf '[[registry]]\nkey = %s\nvalue = ""\ntype = "sz"\ndata = "既定"\n' "'HKEY_LOCAL_MACHINE\\Software\\Walk'"
    printf '[[registry]]\nkey = %s\nvalue = "Bytes"\ntype = "binary"\ndata = [0, 255, 92]\n' "'HKEY_CURRENT_USER\\Software\\Walk'"
    printf '[[file_types]]\nextension = "wlk"\ndescription = "歩くファイル"\nicon = { embed = "icon.ico" }\nicon_index = 2\nopen = { program = "readme.txt", arguments = %s }\n' "'\"%1\"'"
    printf '[[file_types]]\nextension = "wl2"\ndescription = "two"\nicon = "readme.txt"\nprint = { program = { embed = "shared.dll" }, arguments = "/p" }\n'
    printf '[launch]\nprogram = { embed = "shared.dll" }\narguments = "/start"\n'
  } > "$work/$name.toml"
}

fail() { echo "FAIL $*"; failures=$((failures + 1)); }
failures=0
# check NAME FEATURES SHORTCUTS [mksetup build options...]: prints ok, or FAIL and the failed step
check() {
  local name=$1 out="$work/out-$1/SETUP.EXE" size=${*: -1} volumes spanned=
  [[ " $* " == *" --span "* ]] || spanned=no
  manifest "$1" "$2" "$3"
  shift 3
  "$mksetup" build "$work/$name.toml" -o "$out" --uninstaller "$uninstaller" -q "$@" 2>"$work/err" ||
    { fail "$name: build: $(cat "$work/err")"; return; }
  volumes=$(ls "$work/out-$name" | wc -l)
  [ -n "$spanned" ] || [ "$volumes" -ge 3 ] || { fail "$name: a spanned build made only $volumes volume(s)"; return; }
  [ -n "$spanned" ] || ! find "$work/out-$name" -size +"$size"c | grep . || { fail "$name: volumes over $size bytes"; return; }
  "$mksetup" list "$out" > "$work/$name.host" 2>"$work/err" || { fail "$name: list: $(cat "$work/err")"; return; }
  "$source/tools/wine-run" "$walker" "Z:${out//\//\\}" "$volumes" 2>"$work/err" | iconv -f CP932 -t UTF-8 > "$work/$name.wine"
  [ "${PIPESTATUS[0]}" -eq 0 ] || { fail "$name: engine walk: $(cat "$work/err")"; return; }
  diff -u "$work/$name.host" "$work/$name.wine" || { fail "$name: the engine's walk differs from the lister's"; return; }
  echo "ok   $name ($volumes volume(s), $(wc -l < "$work/$name.host") records)"
}

both=$'[shortcuts.desktop]\nname = "デスクトップ"\ntarget = { embed = "shared.dll" }\narguments = "-d"\n[shortcuts.start_menu]\ntarget = "readme.txt"'
# Volumes leave a fixed room for payload beside the engine's image, whatever its size.
engine=$(stat -c %s "$(dirname "$walker")/setup.exe")
check compressed 'agreement = "license.txt"' "$both"
check stored $'agreement = "license.txt"\nstored = "always"' "$both"
check spanned 'agreement = "license.txt"' "$both" --span --volume-size $((engine + 30000))
check spanned-stored $'agreement = "license.txt"\nstored = "always"' $'[shortcuts.desktop]\ntarget = "readme.txt"' \
  --span --volume-size $((engine + 20000))
# Signed: the engine reads the setup only up to its signature table.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 -subj "/CN=Walk" \
  >/dev/null 2>&1 || fail "openssl could not make a test certificate"
check signed 'agreement = "license.txt"' "$both" --sign "$work/cert.pem" "$work/key.pem"
check simple $'agreement = "license.txt"\nsimple_mode = true' ""
check plain 'user_page = true' $'[shortcuts.start_menu]\nname = "開始"\ntarget = "readme.txt"'
# Bodies are stored where the manifest says so, or where compression would only make them grow.
stored() { (( 0x$(sed -n '1s/.* flags \([0-9a-f]*\) .*/\1/p' "$1") & 0x200 )); }
for choice in auto never; do
  printf '[product]\nname = "n"\ndefault_folder = %s\n[features]\nstored = "%s"\n[[files]]\nsource = "tree/docs/noise.bin"\ntarget = "n.bin"\n' "'C:\\N'" "$choice" > "$work/$choice.toml"
  "$mksetup" build "$work/$choice.toml" -o "$work/$choice/SETUP.EXE" --uninstaller "$uninstaller" -q && "$mksetup" list "$work/$choice/SETUP.EXE" > "$work/$choice.host"
done
stored "$work/stored.host" && stored "$work/auto.host" && ! stored "$work/compressed.host" && ! stored "$work/never.host" ||
  fail "bodies stored or compressed against the manifest's choice"
# A volume size that leaves no room for payload beside the engine is refused.
"$mksetup" build "$work/plain.toml" -o "$work/refused/SETUP.EXE" --engine "$(dirname "$walker")/setup.exe" -q --span \
  --volume-size "$engine" --uninstaller "$uninstaller" 2>&1 | grep -q "does not leave room" ||
  fail "a volume without room for payload was not refused"
# A setup whose volumes cannot all be written leaves none of its files behind.
mkdir -p "$work/blocked/SETUP.003"
"$mksetup" build "$work/spanned.toml" -o "$work/blocked/SETUP.EXE" -q --span --volume-size $((engine + 30000)) \
  --uninstaller "$uninstaller" 2>&1 | grep -q "cannot write .*SETUP.003" || fail "an unwritable volume was not reported"
[ "$(ls "$work/blocked")" = SETUP.003 ] || fail "a setup that could not be written whole was left behind: $(ls "$work/blocked")"
[ "$failures" -eq 0 ] || { echo "$failures payload walk(s) failed"; exit 1; }
