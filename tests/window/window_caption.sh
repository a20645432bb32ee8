#!/usr/bin/env bash
# Opens the real game window on a private X server, waits for the caption "FPS = 60",
# presses Escape on the title screen and expects the program to end with code 0.
# Prints one line saying what failed, exit 1; exit 0 on success.
set -u
binary=$(realpath "$1")
shot=${2:-}
# A sanitizer build draws too slowly for a steady 60; it only has to count its frames.
caption=${LR_CAPTION:-^FPS = 60\$}
screen=1280x1024
source "$(dirname "$0")/private_x.sh"
display=$DISPLAY
# In its own folder: no settings file is read or left behind.
(cd "$work" && DISPLAY=${display:-$DISPLAY} SDL_AUDIODRIVER=dummy ASAN_OPTIONS="$game_asan" exec "$binary" --scale 1 >"$work/game.log" 2>&1) &
game=$!
window=
for _ in $(seq 200); do
  window=$(DISPLAY=$display xdotool search --name "$caption" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  titles=$(DISPLAY=$display xdotool search --name '.' getwindowname %@ 2>/dev/null | tr '\n' '|')
  echo "no window captioned '$caption' within 20 s (captions seen: $titles; game said: $(head -c 300 "$work/game.log" | tr '\n' ' '))"
  exit 1
fi
[ -n "$shot" ] && DISPLAY=$display import -window root "$shot" 2>/dev/null
# The frame loop must sleep between frames rather than spin: measure the process's CPU time
# over two seconds of the idle title screen.
ticks() { awk '{print $14 + $15}' "/proc/$game/stat"; }
before=$(ticks); sleep 2; after=$(ticks)
echo "cpu: $(( (after - before) * 100 / $(getconf CLK_TCK) / 2 ))% of one core over 2 s" >&2
DISPLAY=$display xdotool windowfocus --sync "$window" >/dev/null 2>&1
DISPLAY=$display xdotool key --window "$window" Escape
for _ in $(seq 50); do
  if ! kill -0 "$game" 2>/dev/null; then
    wait "$game"; code=$?
    game=
    [ "$code" -eq 0 ] || { echo "the game ended with code $code: $(tail -c 1500 "$work/game.log" | tr '\n' ' ')"; exit 1; }
    exit 0
  fi
  sleep 0.1
done
echo "Escape on the title screen did not close the game within 5 s"
exit 1
