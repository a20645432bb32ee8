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
