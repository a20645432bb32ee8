#!/usr/bin/env bash
# The "Lava Lobby" window on a private X server: the menu's "Online" opens it beside the game,
# it connects to the master server the caller runs on loopback port $2, a chat line is typed
# and sent with Enter, the second game of the list is selected and joined, the menu ignores
# the mouse while the lobby has the focus, and "Exit" hides the window while the game runs
# on. The caller checks what its master server heard. Prints one line saying what failed and
# exits 1; exits 0 on success. Screenshots go to the third argument's folder when given.
set -u
binary=$(realpath "$1")
port=$2
shots=${3:-}
# Wide enough for the lobby beside the game window.
screen=1900x1200
source "$(dirname "$0")/private_x.sh"
fail() { echo "$1 (game said: $(tail -c 600 "$work/game.log" | tr '\n' ' '))"; exit 1; }
shot() { [ -n "$shots" ] && import -window "$1" "$shots/$2.png" 2>/dev/null; }

# In its own folder: no settings file is read or left behind, so player 1 is "Red Man".
(cd "$work" && SDL_AUDIODRIVER=dummy ASAN_OPTIONS="$game_asan" exec "$binary" --scale 1 --master "127.0.0.1:$port" >"$work/game.log" 2>&1) &
game=$!
window=
for _ in $(seq 300); do
  window=$(xdotool search --name '^FPS = ' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the game window did not appear"
xdotool windowfocus --sync "$window" >/dev/null 2>&1

# "Online" is at (195, 210) on the screen; the entries pop in by frame 150, later on a busy
# machine, and the menu reacts to moves onto an entry.
lobby=$(open_from_menu 300 235 'Lava Lobby' 620 470)
[ -n "$lobby" ] || fail "\"Online\" in the menu did not open a \"Lava Lobby\" window"
# The second game comes 750 ms after the first.
sleep 1.5

at() {
  xdotool mousemove --window "$lobby" "$1" "$2"
  sleep 0.1
  xdotool click 1
  sleep 0.2
}
at 100 488  # the chat input
xdotool windowfocus --sync "$lobby" >/dev/null 2>&1
xdotool type --delay 40 "hello lobby"
xdotool key Return
sleep 0.3
at 100 118  # the grid's second row
shot "$lobby" lobby
shot root lobby-beside-game
at 440 88   # "Join Game"
sleep 0.3
# While the lobby has the keyboard focus the menu ignores the mouse: a move onto "Quit" (at
# (265, 330)) and a click there leave the game running.
xdotool windowfocus --sync "$lobby" >/dev/null 2>&1
xdotool mousemove --window "$window" 300 350 sleep 0.3 click 1
sleep 0.5
kill -0 "$game" 2>/dev/null || fail "a click on \"Quit\" while the lobby had the focus ended the game"
at 440 238  # "Exit"
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^Lava Lobby$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Lava Lobby$' >/dev/null 2>&1 && fail "\"Exit\" did not close the lobby"
kill -0 "$game" 2>/dev/null || fail "the game ended with the lobby"

xdotool windowfocus --sync "$window" >/dev/null 2>&1
xdotool key Escape
for _ in $(seq 150); do
  if ! kill -0 "$game" 2>/dev/null; then
    wait "$game"; code=$?; game=
    [ "$code" -eq 0 ] || fail "the game ended with code $code"
    exit 0
  fi
  sleep 0.1
done
fail "Escape on the title screen did not close the game"
