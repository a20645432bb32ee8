#!/usr/bin/env bash
# The "Game Options" dialog in real windows on a private X server: the menu's "Options" opens
# it beside the game at twice the size; "Defaults", a typed round count, a dragged colour bar
# and a typed name are applied into Options.dat in the user's settings folder
# ($XDG_CONFIG_HOME/lavarumble, made by that first save; nothing lands in the working folder);
# a second run started from another folder shows them again (applying unchanged rewrites the
# same bytes, colours clamped into the bars' range). A third run from a folder holding its own
# Options.dat reads and writes that one and leaves the settings folder alone. Prints one line
# saying what failed and exits 1; exits 0 on success. Screenshots go to the second argument's folder when given.
set -u
binary=$(realpath "$1")
shots=${2:-}
source "$(dirname "$0")/private_x.sh"
mkdir "$work/run" "$work/run2" "$work/run3"
settings="$XDG_CONFIG_HOME/lavarumble/Options.dat"
fail() { echo "$1 (game said: $(tail -c 600 "$work/game.log" | tr '\n' ' '))"; exit 1; }
shot() { [ -n "$shots" ] && import -window "$1" "$shots/$2.png" 2>/dev/null; }

# Starts the game in the given folder and waits for its window.
start_game() {
  (cd "$1" && SDL_AUDIODRIVER=dummy ASAN_OPTIONS="$game_asan" exec "$binary" --scale 2 >"$work/game.log" 2>&1) &
  game=$!
  window=
  for _ in $(seq 300); do
    window=$(xdotool search --name '^FPS = ' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the game window did not appear"
  xdotool windowfocus --sync "$window" >/dev/null 2>&1
}

# Clicks the menu's "Options" (at (230, 270) on the 640 × 480 screen) until the dialog comes:
# the entries pop in by frame 150, later on a busy machine.
open_options() {
  dialog=$(open_from_menu 700 570 'Game Options' 700 700)
  [ -n "$dialog" ] || fail "\"Options\" in the menu did not open a \"Game Options\" window"
  sleep 0.3
}

# A click at (x, y) in the dialog.
at() {
  xdotool mousemove --window "$dialog" "$1" "$2"
  sleep 0.1
  xdotool click 1
  sleep 0.15
}

# Types into the field at (x, y), replacing its text, then leaves it by clicking elsewhere.
type_into() {
  at "$1" "$2"
  xdotool windowfocus --sync "$dialog" >/dev/null 2>&1
  xdotool key ctrl+a
  xdotool type --delay 40 "$3"
  sleep 0.1
  at 100 474
}

apply_and_wait() {
  at 339 250
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Game Options$' >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "\"Apply\" did not close the dialog"
}

quit_game() {
  xdotool windowfocus --sync "$window" >/dev/null 2>&1
  xdotool key Escape
  for _ in $(seq 150); do
    if ! kill -0 "$game" 2>/dev/null; then
      wait "$game"; local code=$?; game=
      [ "$code" -eq 0 ] || fail "the game ended with code $code"
      return 0
    fi
    sleep 0.1
  done
  fail "Escape on the title screen did not close the game"
}

# Byte at an offset of the settings file, as a number.
byte_at() { od -An -tu1 -j "$1" -N 1 "$settings" | tr -d ' '; }

start_game "$work/run"
open_options
shot "$dialog" options-first
kill -0 "$game" 2>/dev/null || fail "the game ended when the dialog opened"
at 205 250                      # "Defaults"
type_into 180 174 7             # "# of Rounds"
type_into 100 332 "Lava Tester" # "Player 1 Name"
# Player 1's green bar, dragged past its right end.
xdotool mousemove --window "$dialog" 100 412 mousedown 1
sleep 0.2
xdotool mousemove --window "$dialog" 170 412
sleep 0.2
xdotool mousemove --window "$dialog" 230 412
sleep 0.2
xdotool mouseup 1
sleep 0.3
shot "$dialog" options-changed
shot root options-beside-game
apply_and_wait
[ -f "$settings" ] || fail "\"Apply\" wrote no $settings"
[ -z "$(ls -A "$work/run")" ] || fail "\"Apply\" left files in the working folder: $(ls -A "$work/run")"
size=$(stat -c %s "$settings")
[ "$size" -eq 102 ] || fail "Options.dat has $size bytes, not 102"
[ "$(byte_at 37)" = 7 ] || fail "the rounds stored are $(byte_at 37), not the 7 typed"
[ "$(byte_at 33)" = 6 ] || fail "the powerup delay stored is $(byte_at 33), not 6 after \"Defaults\""
[ "$(byte_at 66)" = 255 ] || fail "player 1's green stored is $(byte_at 66), not 255 from the bar"
name=$(dd if="$settings" bs=1 skip=47 count=11 2>/dev/null)
[ "$(byte_at 46)" = 11 ] && [ "$name" = "Lava Tester" ] || fail "player 1's name stored is '$name'"
cp "$settings" "$work/first.dat"
quit_game

# The second run reads the file; the dialog shows what was applied, so applying it unchanged
# writes the same bytes, but for the blues: both players kept their start blue of 50, and a
# bar cannot go below 64, so the bars bring them back as 64.
for offset in 70 98; do printf '\100' | dd of="$work/first.dat" bs=1 seek=$offset conv=notrunc 2>/dev/null; done
start_game "$work/run2"
open_options
shot "$dialog" options-second-run
apply_and_wait
cmp -s "$work/first.dat" "$settings" ||
  fail "applying the reloaded dialog changed Options.dat (offset, old, new in octal): $(cmp -l "$work/first.dat" "$settings" | head -3 | tr '\n' ' ')"
quit_game
exit 0

# A working folder's own Options.dat (here with 3 rounds) wins over the settings folder.
cp "$work/first.dat" "$work/run3/Options.dat"
printf '\003' | dd of="$work/run3/Options.dat" bs=1 seek=37 conv=notrunc 2>/dev/null
start_game "$work/run3"
open_options
apply_and_wait
quit_game
[ -f "$work/run3/lavarumble.ini" ] || fail "\"Apply\" in a folder with its own Options.dat wrote no lavarumble.ini beside it"
[ "$(od -An -tu1 -j 37 -N 1 "$work/run3/Options.dat" | tr -d ' ')" = 3 ] ||
  fail "the working folder's Options.dat was not the one read and written"
cmp -s "$work/first.dat" "$settings" || fail "a run with its own Options.dat changed the settings folder's"
