#!/usr/bin/env bash
# Plays in the real game window on a private X server at twice the size: waits for the menu,
# clicks "Start Game" through the scaled window, walks and jumps both players, takes
# screenshots, then Escape goes back to the title (the game must still run) and Escape again
# ends it. Prints one line saying what failed and exits 1; exits 0 on success.
set -u
binary=$(realpath "$1")
shots=${2:-}
source "$(dirname "$0")/private_x.sh"
# In its own folder: no settings file is read or left behind.
(cd "$work" && DISPLAY=${display:-$DISPLAY} SDL_AUDIODRIVER=dummy ASAN_OPTIONS="$game_asan" exec "$binary" --scale 2 >"$work/game.log" 2>&1) &
game=$!
window=
for _ in $(seq 200); do
  window=$(xdotool search --name '^FPS = ' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the game window did not appear (game said: $(head -c 300 "$work/game.log"))"; exit 1; }
shot() { [ -n "$shots" ] && import -window "$window" "$shots/$1.png" 2>/dev/null; }
alive() { kill -0 "$game" 2>/dev/null; }

xdotool windowfocus --sync "$window" >/dev/null 2>&1
# The entries pop in by frame 150; "Start Game" is at (195, 150) on the 640 × 480 screen.
# Frames are counted from the caption's rate, not the clock: a busy machine runs them slower.
frames=0
for _ in $(seq 60); do
  sleep 0.5
  fps=$(xdotool getwindowname "$window" 2>/dev/null | sed -n 's/^FPS = \([0-9]*\).*/\1/p')
  frames=$((frames + ${fps:-0} / 2))
  [ "$frames" -ge 200 ] && break
done
xdotool mousemove --window "$window" 640 340
sleep 0.3
shot menu
xdotool click --window "$window" 1
# The banner, then the round.
sleep 4
shot round
for key in Left Up a w; do
  xdotool keydown --window "$window" "$key"; sleep 0.4; xdotool keyup --window "$window" "$key"
done
shot play
alive || { echo "the game ended during the round"; exit 1; }
xdotool key --window "$window" Escape
sleep 1
alive || { echo "Escape in the match ended the game: the click did not start a match"; exit 1; }
shot title
xdotool key --window "$window" Escape
for _ in $(seq 50); do
  if ! alive; then
    wait "$game"; code=$?; game=
    [ "$code" -eq 0 ] || { echo "the game ended with code $code: $(tail -c 1500 "$work/game.log" | tr '\n' ' ')"; exit 1; }
    exit 0
  fi
  sleep 0.1
done
echo "Escape on the title screen did not close the game"
exit 1
