#!/usr/bin/env bash
# What a build leaves in its output folder, each row over an earlier good setup of four volumes: a build
# that fails, even once its setup is written, is refused or is killed keeps that setup byte for byte and
# leaves no partial file behind (a killed one's is removed by the next build); an output that names one
# of the build's inputs is refused and the input kept; a build that succeeds removes the earlier volumes
# it does not write and says so, as it says what trees left out.
# usage: output_test.sh MKSETUP UNINSTALLER
set -u
mksetup=$1 uninstaller=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

mkdir -p tree/.git tree/docs/old tree/sub saved
for f in keep.txt .git/HEAD keep.txt~ a.bak sub/b.BAK docs/old/x.pdf sub/SETUP.002; do echo x >"tree/$f"; done
openssl enc -aes-128-ctr -K 0 -iv 0 -nosalt </dev/zero 2>/dev/null | head -c 300000 >tree/noise.bin
printf '同意\n' >agreement.txt
truncate -s 70M large.bin && truncate -s 1G sparse.bin && truncate -s 1500M huge1.bin huge2.bin huge3.bin
product() {  # product NAME FILES [FEATURES]: writes NAME.toml
  printf '[product]\nname = "Out"\ndefault_folder = %s\nuninstaller = "%s"\n[features]\nagreement = "agreement.txt"\n%b\n%b\n' \
    "'C:\\Out'" "$uninstaller" "${3:-}" "$2" >"$1.toml"
}
product product '[[files]]\ntree = "tree"\nexclude = ["*.bak", '"'docs\\\\old'"']'
product large '[[files]]\nsource = "large.bin"' 'stored = "always"'
product sparse '[[files]]\nsource = "sparse.bin"' 'stored = "always"'
product huge '[[files]]\nsource = "huge1.bin"\n[[files]]\nsource = "huge2.bin"\n[[files]]\nsource = "huge3.bin"' 'stored = "always"'
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Out" >/dev/null 2>&1
head -c 300 /dev/zero >bad.pem
cp -r product.toml agreement.txt tree saved/
"$mksetup" build product.toml -o earlier/SETUP.EXE -q --volume-size 100000 && [ -e earlier/SETUP.004 ] ||
  fail "the earlier setup was not built with four volumes"

# build ARGUMENTS: the build; with a signal in $kill, sent it once it writes its third volume
build() {
  [ -z "$kill" ] && { "$mksetup" build "$@"; return; }
  "$mksetup" build "$@" & local pid=$!
  for _ in $(seq 400); do
    [ -e out/SETUP.003.mksetup-partial ] && break
    sleep 0.05
  done
  kill -"$kill" $pid && wait $pid
}

rows=(  # what the build does | arguments | exit status | message | the signal it gets mid-write
  "fails once its setup is written|product.toml -o out/SETUP.EXE --sign cert.pem bad.pem|1|could not sign"
  "needs more than 999 volumes|large.toml -o out/SETUP.EXE --volume-size 70000|1|more than 999 volumes"
  "needs a setup over 4 GiB|huge.toml -o out/SETUP.EXE|1|32-bit file offsets, and FAT32 .*give --span"
  "names the manifest|product.toml -o product.toml|1|product.toml is one of this build's inputs"
  "names the agreement|product.toml -o agreement.txt|1|would overwrite ./agreement.txt, which is one of this build's inputs"
  "would remove a tree file as a volume|product.toml -o tree/sub/SETUP.EXE|1|remove tree/sub/SETUP.002, which is one of"
  "is ended mid-write|sparse.toml -o out/SETUP.EXE --volume-size 100000000|143|the build was interrupted|TERM"
  "is killed mid-write|sparse.toml -o out/SETUP.EXE --volume-size 100000000|137||KILL"
  "is whole|product.toml -o out/SETUP.EXE|0|removed 3 volumes of an earlier build: out/SETUP.002 to out/SETUP.004"
  "has fewer volumes|product.toml -o out/SETUP.EXE --volume-size 300000|0|removed 2 volumes of an earlier build"
  "leaves out of trees|product.toml -o out/SETUP.EXE|0|left out of trees: 5 files and folders"
)
kill=
for row in "${rows[@]}"; do
  # After a killed build, the next one starts from what it left.
  [ -n "$kill" ] || { rm -rf out && cp -r earlier out; }
  IFS='|' read -r what arguments status message kill <<<"$row"
  # shellcheck disable=SC2086
  build $arguments >said.txt 2>&1
  got=$?
  [ "$got" = "$status" ] || fail "a build that $what exits with $got, not $status: $(cat said.txt)"
  grep -Eq -- "$message" said.txt || fail "a build that $what does not say \"$message\": $(cat said.txt)"
  if [ "$status" = 0 ]; then
    listed=$(sed -n 's/^  volume //p' said.txt) present=$(ls out/SETUP.[0-9]* 2>/dev/null)
    [ "$listed" = "$present" ] || fail "a build that $what leaves volumes ${present//$'\n'/ }, not ${listed//$'\n'/ }"
    "$mksetup" list -q out/SETUP.EXE >/dev/null 2>&1 || fail "a build that $what leaves a setup that cannot be listed"
  elif ! diff -r -x '*.mksetup-partial' earlier out >/dev/null; then
    fail "a build that $what changes the earlier setup: $(ls out)"
  fi
  [ "$kill" = KILL ] || ! ls out | grep -q partial || fail "a build that $what leaves $(ls out | grep partial)"
  diff -r saved/tree tree >/dev/null && cmp -s saved/product.toml product.toml && cmp -s saved/agreement.txt agreement.txt ||
    fail "a build that $what changes its inputs"
done
exit $failed
