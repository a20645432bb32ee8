# Sourced by the window scripts: a private X server of size $screen (default 1600x1200) and a
# scratch folder $work (the games' XDG_CONFIG_HOME is $work/config), both gone when the script exits, and $game_asan for the game's
# sanitizer options. The script puts the game's process id into $game.
# In a sanitizer build the window's system libraries (D-Bus, software GL) keep allocations
# past exit that the leak checker cannot attribute; leaks are checked by the headless tests,
# which run the same game code.
game_asan="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
# The X server picks a free display itself and writes its number to us.
Xvfb -displayfd 3 -screen 0 "${screen:-1600x1200}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
game=
trap 'kill $game $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
# The games' settings folder is the scratch folder's, never the user's.
export XDG_CONFIG_HOME="$work/config"
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

# Clicks the menu entry at (X, Y) of the game window $window until a visible window titled
# TITLE shows, and prints its id (nothing if none came). The entries pop in by frame 150, later
# on a busy machine, and the menu reacts to moves onto an entry, so each try comes from (AWAY_X,
# AWAY_Y), off every entry.
open_from_menu() {  # X Y TITLE AWAY_X AWAY_Y
  local found
  for _ in $(seq 30); do
    xdotool mousemove --window "$window" "$4" "$5" sleep 0.1 mousemove --window "$window" "$1" "$2" sleep 0.2 click 1
    for _ in $(seq 10); do
      found=$(xdotool search --onlyvisible --name "^$3\$" 2>/dev/null | head -n 1)
      [ -n "$found" ] && { echo "$found"; return 0; }
      sleep 0.1
    done
  done
}

# Waits up to five seconds until no visible window is titled TITLE; false if one stays.
wait_gone() {  # TITLE
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
