#!/usr/bin/env bash
# Two game windows and our master server on a private X server: each game opens the lobby
# from its menu; the first hosts (its "Game Lobby" window opens), the second joins the listed
# game; both tick "Ready", the host clicks "Launch Game", and both game windows show the same
# level with both players. Arguments: the game, the master server, the folders the two games
# run in (with their settings files, so their players' names differ), and optionally a folder
# for screenshots. Prints one line saying what failed and exits 1; exits 0 on success.
set -u
binary=$(realpath "$1")
master_binary=$(realpath "$2")
folder_a=$3
folder_b=$4
shots=${5:-}
screen=1900x1200
source "$(dirname "$0")/private_x.sh"
master=
game_b=
trap 'kill $game $game_b $master $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "$1 (host said: $(tail -c 400 "$folder_a/game.log" | tr '\n' ' '); guest said: $(tail -c 400 "$folder_b/game.log" | tr '\n' ' '))"
  exit 1
}
shot() { [ -n "$shots" ] && import -window "$1" "$shots/$2.png" 2>/dev/null; }

"$master_binary" --bind 127.0.0.1 --port 0 >"$work/master.log" 2>&1 &
master=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/master.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the master server did not start"

# Starts a game in its folder and puts its window at $2,$3 (its dialogs open beside it).
start_game() {
  (cd "$1" && SDL_AUDIODRIVER=dummy ASAN_OPTIONS="$game_asan" exec "$binary" --scale 1 --master "127.0.0.1:$port" \
    --room-port "$4" >"$1/game.log" 2>&1) &
  started=$!
  started_window=
  for _ in $(seq 300); do
    for id in $(xdotool search --name '^FPS = ' 2>/dev/null); do
      [ "$id" != "${window:-}" ] && started_window=$id && break 2
    done
    sleep 0.1
  done
  [ -n "$started_window" ] || fail "a game window did not appear"
  xdotool windowmove --sync "$started_window" "$2" "$3" >/dev/null 2>&1
}
# The visible window of this name that is not one of the others given.
find_new() {
  local name=$1
  shift
  for id in $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null); do
    local known=
    for other in "$@"; do [ "$id" = "$other" ] && known=1; done
    [ -z "$known" ] && echo "$id" && return
  done
}
at() {
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.1
  xdotool click 1
  sleep 0.3
}
# "Online" is at (195, 210) of the menu; the entries pop in by frame 150, later on a busy
# machine. Prints the lobby window that opened.
open_lobby() {
  local game_window=$1
  shift
  for _ in $(seq 30); do
    xdotool windowfocus --sync "$game_window" >/dev/null 2>&1
    xdotool mousemove --window "$game_window" 620 470 sleep 0.1 mousemove --window "$game_window" 300 235 sleep 0.2 click 1
    for _ in $(seq 10); do
      local lobby
      lobby=$(find_new 'Lava Lobby' "$@")
      [ -n "$lobby" ] && echo "$lobby" && return
      sleep 0.1
    done
  done
}

# The host's room listens where the system chooses; the guest is told that port.
start_game "$folder_a" 0 0 0
window=$started_window
game=$started
lobby_a=$(open_lobby "$window")
[ -n "$lobby_a" ] || fail "the host's lobby did not open"
sleep 1
at "$lobby_a" 440 138  # "Host Game"; the two questions keep their defaults
xdotool key --window "$lobby_a" Return
sleep 0.5
xdotool key --window "$lobby_a" Return
room_a=
for _ in $(seq 50); do
  room_a=$(find_new 'Game Lobby')
  [ -n "$room_a" ] && break
  sleep 0.1
done
[ -n "$room_a" ] || fail "hosting did not open the \"Game Lobby\" window"
room_port=$(ss -Hltnp 2>/dev/null | grep "pid=$game," | awk '{print $4}' | sed 's/.*://' | head -n 1)
[ -n "$room_port" ] || fail "the host's room is not listening"

start_game "$folder_b" 0 560 "$room_port"
window_b=$started_window
game_b=$started
lobby_b=$(open_lobby "$window_b" "$lobby_a")
[ -n "$lobby_b" ] || fail "the guest's lobby did not open"
sleep 1.5
at "$lobby_b" 440 88  # "Join Game" for the first row
room_b=
for _ in $(seq 50); do
  room_b=$(find_new 'Game Lobby' "$room_a")
  [ -n "$room_b" ] && break
  sleep 0.1
done
[ -n "$room_b" ] || fail "joining did not open the guest's \"Game Lobby\" window"
sleep 1
at "$room_b" 14 304  # "Ready"
at "$room_a" 14 304
sleep 0.5
shot "$room_a" room-host
shot "$room_b" room-guest
at "$room_a" 349 230  # "Launch Game"
wait_gone 'Game Lobby' || fail "the rooms did not hide at the launch"
# The banner, then the arena's fade from black.
sleep 9
import -window "$window" "$work/a.png" 2>/dev/null || fail "no screenshot of the host's window"
import -window "$window_b" "$work/b.png" 2>/dev/null || fail "no screenshot of the guest's window"
[ -n "$shots" ] && cp "$work/a.png" "$shots/match-host.png" && cp "$work/b.png" "$shots/match-guest.png"
# The arena above the lava is the same on both: the level, the background and both players.
convert "$work/a.png" -crop 640x400+0+0 +repage "$work/a-top.png"
convert "$work/b.png" -crop 640x400+0+0 +repage "$work/b-top.png"
differ=$(compare -metric AE "$work/a-top.png" "$work/b-top.png" null: 2>&1 | cut -d' ' -f1)
[ "${differ%.*}" -lt 2560 ] 2>/dev/null || fail "the two windows show different arenas ($differ pixels differ)"
kill -0 "$game" 2>/dev/null || fail "the host ended"
kill -0 "$game_b" 2>/dev/null || fail "the guest ended"
exit 0
