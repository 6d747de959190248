#!/usr/bin/env bash
# Under SOURCE_DATE_EPOCH, copies of a product whose files bear other times build the same bytes. Signed
# setups: the signature verifies, covers the payload (a changed byte fails it), the lister still reads
# the payload to its end, and a spanned setup, whose volumes no signature would cover, is refused.
# usage: sign_test.sh MKSETUP MANIFEST UNINSTALLER SEARCH_PATH
set -u
mksetup=$1 manifest=$2 uninstaller=$3 search=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for copy in 1 2; do
  cp -r "$(dirname "$manifest")" "$work/copy$copy" && find "$work/copy$copy" -exec touch -d "@$((1800000000 + copy))" {} +
  SOURCE_DATE_EPOCH=1700000000 "$mksetup" build "$work/copy$copy/$(basename "$manifest")" -o "$work/copy$copy.exe" -q \
    --uninstaller "$uninstaller" -I "$search" || fail "copy $copy: mksetup failed"
done
cmp -s "$work/copy1.exe" "$work/copy2.exe" && "$mksetup" list "$work/copy1.exe" | grep -q 'written 01da1747c66d0000' ||
  fail "file times later than SOURCE_DATE_EPOCH (2023-11-14 22:13:20 UTC) are not recorded as it"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Setup Test" >/dev/null 2>&1 || fail "openssl could not make a test certificate"
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.txt" 2>&1; }

out="$work/whole/SETUP.EXE"
"$mksetup" build "$manifest" -o "$out" -q --uninstaller "$uninstaller" -I "$search" \
  --sign "$work/cert.pem" "$work/key.pem" || fail "mksetup could not sign"
verify "$out" || { cat "$work/verify.txt"; fail "the signature does not verify"; }
"$mksetup" list "$out" >/dev/null || fail "the signed payload cannot be listed to its end"
! "$mksetup" build "$manifest" -o "$work/spanned/SETUP.EXE" -q --uninstaller "$uninstaller" -I "$search" --span \
  --sign "$work/cert.pem" "$work/key.pem" 2>"$work/spanned.txt" && grep -q 'cannot be signed' "$work/spanned.txt" &&
  [ ! -e "$work/spanned/SETUP.EXE" ] || fail "a spanned setup was signed, or refused without its reason"

# One byte of the payload changed: the signature no longer holds.
offset=$(od -An -t u4 -j 48 -N 4 "$out" | tr -d ' ')
printf '\x5a' | dd of="$out" bs=1 seek=$((offset + 200)) conv=notrunc status=none
! verify "$out" || fail "a changed payload byte still verifies"
