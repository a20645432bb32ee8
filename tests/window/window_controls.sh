#!/usr/bin/env bash
# The "Controls" window in real windows on a private X server: the options dialog's
# "Controls..." opens it; player 1's left is clicked, D (player 2's right) is refused, J is
# bound and applied into lavarumble.ini; after a restart a match is played with it: the left
# arrow no longer walks Red Man, J does (told by the pixels around him). Prints one line saying
# what failed and exits 1; exits 0 on success. Screenshots go to the second argument's folder
# when given.
set -u
binary=$(realpath "$1")
shots=${2:-}
source "$(dirname "$0")/private_x.sh"
mkdir "$work/run"
fail() { echo "$1 (game said: $(tail -c 600 "$work/game.log" | tr '\n' ' '))"; exit 1; }
shot() { [ -n "$shots" ] && import -window "$1" "$shots/$2.png" 2>/dev/null; }

# Starts the game in the run folder without powerup bubbles and waits for its window.
start_game() {
  (cd "$work/run" && SDL_AUDIODRIVER=dummy ASAN_OPTIONS="$game_asan" exec "$binary" --scale 2 --powerups none \
    >"$work/game.log" 2>&1) &
  game=$!
  window=
  for _ in $(seq 600); do
    window=$(xdotool search --name '^FPS = ' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the game window did not appear"
  xdotool windowfocus --sync "$window" >/dev/null 2>&1
}

# Waits until `frames` frames have run, counted from the caption's rate, not the clock: a busy
# machine runs them slower.
wait_frames() {
  local frames=0
  for _ in $(seq 240); do
    sleep 0.5
    fps=$(xdotool getwindowname "$window" 2>/dev/null | sed -n 's/^FPS = \([0-9]*\).*/\1/p')
    frames=$((frames + ${fps:-0} / 2))
    [ "$frames" -ge "$1" ] && return 0
  done
}

# Clicks the menu's "Options" until the dialog comes (the entries pop in by frame 150).
open_options() {
  options=$(open_from_menu 700 570 'Game Options' 700 700)
  [ -n "$options" ] || fail "\"Options\" in the menu did not open a \"Game Options\" window"
  sleep 0.3
}

# A click at (x, y) in a dialog.
at() {
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.1
  xdotool click 1
  sleep 0.2
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

# How many pixels around Red Man's start on the lower right ledge differ between two shots.
red_area() { import -window "$window" -crop 360x190+840+580 +repage "$work/$1.png" 2>/dev/null; }
changed() { compare -metric AE -fuzz 5% "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1; }

start_game
open_options
at "$options" 339 558  # "Controls..."
controls=
for _ in $(seq 50); do
  controls=$(xdotool search --onlyvisible --name '^Controls$' 2>/dev/null | head -n 1)
  [ -n "$controls" ] && break
  sleep 0.1
done
[ -n "$controls" ] || fail "\"Controls...\" did not open a \"Controls\" window"
sleep 0.3
shot "$controls" controls-first
at "$controls" 60 96   # the row "Player 1 left"
xdotool windowfocus --sync "$controls" >/dev/null 2>&1
xdotool key d          # player 2's right: refused
sleep 0.3
shot "$controls" controls-refused
xdotool key j
sleep 0.3
shot "$controls" controls-bound
shot root controls-beside-game
at "$controls" 355 444  # "Apply"
wait_gone Controls || fail "\"Apply\" did not close the Controls window"
# The run folder has no Options.dat, so the game keeps its settings in the user's folder.
ini="$XDG_CONFIG_HOME/lavarumble/lavarumble.ini"
grep -q '^Player1Left = J$' "$ini" 2>/dev/null ||
  fail "$ini has no 'Player1Left = J': $(tr '\n' ' ' <"$ini" 2>/dev/null)"
grep -q '^Player2Right = D$' "$ini" || fail "the refused D was bound after all"
[ ! -e "$work/run/lavarumble.ini" ] || fail "lavarumble.ini was written into the working folder"
quit_game

# After a restart the key is still bound: a match, played with it.
start_game
wait_frames 200
xdotool mousemove --window "$window" 640 340
sleep 0.3
xdotool click --window "$window" 1
# The banner, then the round fades in.
wait_frames 450
# Keys typed on the X server (not sent to the window): the game reads the keyboard's state.
xdotool windowfocus --sync "$window" >/dev/null 2>&1
red_area before
xdotool keydown Left; sleep 0.6; xdotool keyup Left
sleep 0.3
red_area after-arrow
xdotool keydown j; sleep 0.6; xdotool keyup j
sleep 0.3
red_area after-j
shot "$window" controls-played
[ -n "$shots" ] && cp "$work/before.png" "$work/after-arrow.png" "$work/after-j.png" "$shots/" 2>/dev/null
arrow=$(changed before after-arrow)
walked=$(changed after-arrow after-j)
[ "${arrow:-1}" -lt 50 ] 2>/dev/null || fail "the left arrow, no longer bound, changed $arrow pixels around Red Man"
[ "${walked:-0}" -gt 500 ] 2>/dev/null || fail "J, bound to player 1's left, changed only $walked pixels around Red Man"
kill -0 "$game" 2>/dev/null || fail "the game ended during the round"
xdotool key --window "$window" Escape
sleep 1
quit_game
exit 0
