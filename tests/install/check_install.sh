#!/usr/bin/env bash
# The install: `cmake --install` into a temporary prefix puts every file where a Linux desktop
# looks for it; the installed game, started from another folder, finds its pictures and sounds
# (and still does once the whole tree is moved), --version says the project's version, the man
# pages list every option --help has, and the headless runner reads its settings from the
# working folder or --config-dir, never from the user's settings folder.
#   check_install.sh CMAKE BUILD_DIR VERSION
# Prints one line saying what failed and exits 1; exits 0 on success.
set -u
cmake=$1 build=$(realpath "$2") version=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
prefix=$tmp/prefix

"$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
  fail "cmake --install: $(tail -n 5 "$tmp/install.log" | tr '\n' ' ')"

# [Files] Where each belongs, and all of the generated data.
for f in bin/lavarumble bin/lavarumble-master share/applications/lavarumble.desktop \
  share/man/man6/lavarumble.6 share/man/man6/lavarumble-master.6 lib/systemd/system/lavarumble-master.service; do
  [ -s "$prefix/$f" ] || fail "the install has no $f"
done
[ -x "$prefix/bin/lavarumble" ] && [ -x "$prefix/bin/lavarumble-master" ] || fail "the programs are not executable"
for folder in data Sounds; do
  diff <(cd "$build/$folder" && ls) <(cd "$prefix/share/lavarumble/$folder" && ls) >"$tmp/diff" ||
    fail "share/lavarumble/$folder differs from the build's: $(tr '\n' ' ' <"$tmp/diff")"
done
for size in 64 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/lavarumble.png
  [ "$(identify -format '%w %h' "$icon" 2>&1)" = "$size $size" ] || fail "$icon is not a ${size}x${size} picture"
done
desktop=$prefix/share/applications/lavarumble.desktop
for line in "Type=Application" "Exec=lavarumble" "Icon=lavarumble" "Categories=Game;ActionGame;"; do
  grep -qx "$line" "$desktop" || fail "the desktop entry has no line $line"
done
unit=$prefix/lib/systemd/system/lavarumble-master.service
grep -qx "ExecStart=$prefix/bin/lavarumble-master --port 8888" "$unit" ||
  fail "the unit does not start the installed master: $(grep ExecStart "$unit")"
grep -qx "DynamicUser=yes" "$unit" || fail "the unit does not run the master as a user of its own"

# [Version and manual] The version of project(); every option of --help in the man page.
for program in lavarumble lavarumble-master; do
  said=$("$prefix/bin/$program" --version 2>&1) || fail "$program --version failed: $said"
  [ "$said" = "$program $version" ] || fail "$program --version says '$said', not '$program $version'"
  page=$prefix/share/man/man6/$program.6
  grep -q "^\.TH .* \"lavarumble $version\"" "$page" || fail "$program.6 does not carry version $version"
  options=$("$prefix/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
  [ "$(echo "$options" | wc -l)" -ge 5 ] || fail "$program --help lists too few options: $options"
  for option in $options; do
    sed 's/\\-/-/g' "$page" | grep -q -- "$option\b" || fail "$program.6 does not describe $option"
  done
done

# [Data] Run from another folder: every sheet and sound is found, the title shows in colour.
run() {  # run FOLDER PREFIX ARGS...: the installed game headless, its stderr in $tmp/err
  local folder=$1 root=$2
  shift 2
  (cd "$folder" && XDG_CONFIG_HOME=$tmp/xdg "$root/bin/lavarumble" --headless "$@") >"$tmp/out" 2>"$tmp/err"
}
mkdir "$tmp/elsewhere" "$tmp/xdg"
check_data() {  # check_data PREFIX
  rm -f "$tmp/shot.png"
  run "$tmp/elsewhere" "$1" --frames 340 --sound-check --trace "$tmp/t.jsonl" --screenshot "200:$tmp/shot.png" ||
    fail "the game installed in $1 failed: $(head -c 400 "$tmp/err")"
  # The lines naming the stand-ins for the game's fonts are notes; anything else is a problem.
  grep -v '^font: ' "$tmp/err" >"$tmp/problems"
  [ ! -s "$tmp/problems" ] || fail "the game installed in $1 complained: $(head -c 400 "$tmp/problems" | tr '\n' ' ')"
  # The title picture, the menu entries and the lava in many colours; without the sheets the
  # screen holds a handful.
  local colours
  colours=$(identify -format '%k' "$tmp/shot.png" 2>&1)
  [ "$colours" -gt 500 ] 2>/dev/null || fail "the title screen of the game in $1 has $colours colours: its pictures are missing"
  [ "$(grep -o '"sounds":\["[A-Za-z0-9]*"' "$tmp/t.jsonl" | sort -u | wc -l)" -eq 11 ] || fail "the sound check did not play 11 sounds"
}
check_data "$prefix"
[ -z "$(ls -A "$tmp/elsewhere")" ] || fail "a headless run left files in its working folder: $(ls -A "$tmp/elsewhere")"
mv "$prefix" "$tmp/moved"
check_data "$tmp/moved"
prefix=$tmp/moved

# [Settings] A settings file naming player 1, written the way the game does (102 bytes).
settings() {  # settings FOLDER NAME
  mkdir -p "$1"
  head -c 102 /dev/zero >"$1/Options.dat"
  printf "\\$(printf %03o ${#2})%s" "$2" | dd of="$1/Options.dat" bs=1 seek=46 conv=notrunc 2>/dev/null
}
first_name() { head -n 1 "$tmp/t.jsonl" | grep -o '"Name":"[^"]*"' | head -n 1; }
settings "$tmp/xdg/lavarumble" "Xdg Reader"
run "$tmp/elsewhere" "$prefix" --frames 2 --trace "$tmp/t.jsonl" || fail "a headless run failed: $(cat "$tmp/err")"
[ "$(first_name)" = '"Name":"Red Man"' ] || fail "headless, with no settings of its own, read $(first_name)"
settings "$tmp/here" "Here Reader"
run "$tmp/here" "$prefix" --frames 2 --trace "$tmp/t.jsonl" || fail "a headless run failed: $(cat "$tmp/err")"
[ "$(first_name)" = '"Name":"Here Reader"' ] || fail "headless read $(first_name), not the working folder's"
settings "$tmp/there" "There Reader"
run "$tmp/here" "$prefix" --frames 2 --trace "$tmp/t.jsonl" --config-dir "$tmp/there" ||
  fail "a headless run failed: $(cat "$tmp/err")"
[ "$(first_name)" = '"Name":"There Reader"' ] || fail "with --config-dir, headless read $(first_name)"
run "$tmp/here" "$prefix" --frames 2 --config-dir "" && fail "--config-dir with no folder was taken"
echo "install checks passed"
