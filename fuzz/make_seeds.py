#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (fuzz/corpus/TARGET/): real messages of each protocol,
laid out as in net/WireTable.h, wrapped in each target's steps. Run it again after changing a
target's step format or a message's layout."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def text(s, capacity):
    b = s.encode("cp1252")[:capacity]
    return bytes([len(b)]) + b + bytes(capacity - len(b))


# [SECTION] Lobby, master server to game.
def player_online(name, quiet=0): return bytes([1, quiet]) + text(name, 15)
def player_gone(name): return bytes([2, 0]) + text(name, 15)
def chat_line(s): return bytes([3, 0]) + text(s, 255)
def game_entry(gid, name, count, most, ping):
    m = bytes([5, 0]) + struct.pack("<H", gid) + text(name, 30) + bytes([count, most, 0]) + struct.pack("<H", ping)
    return m + bytes(80 - len(m))
def join_answer(seat, host): return bytes([7, 0, seat, 0]) + text(host, 15)
def list_cleared(): return bytes([10])
def ping(a, b, c): return bytes([12, a, b, c])

# [SECTION] Lobby, game to master server.
def login(name): return bytes([1, 0]) + text(name, 15)
def say(s): return bytes([3, 0]) + text(s, 255)
def host_game(name, most): return bytes([4]) + text(name, 30) + bytes([most])
def join_request(gid): return bytes([6, 0]) + struct.pack("<H", gid)
def game_closed(name): return bytes([9, 0]) + text(name, 15)
def refresh(): return bytes([10])
def game_status(count, closed): return bytes([11, count, closed])
def pong(a, b, c): return bytes([12, a, b, c])

# [SECTION] Game room.
def seat(n, name, r=200, g=50, b=50, ready=0): return bytes([1, n]) + text(name, 15) + bytes([r, g, b, ready])
def seat_freed(n): return bytes([2, n])
def room_chat(s): return bytes([3]) + text(s, 128)
def ready(n): return bytes([4, n])
def launch(level): return bytes([5, 0]) + struct.pack("<H", level)
def action(n, code, x, y): return bytes([6, n, code, 0]) + struct.pack("<HH", x, y)
def round_ready(n): return bytes([7, n])


def pieces(op, data, cut=255):
    """`data` as reads of at most `cut` bytes, each one step `op` (op, length, bytes)."""
    out = b""
    for at in range(0, len(data), cut):
        chunk = data[at:at + cut]
        out += bytes([op, len(chunk)]) + chunk
    return out


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# Lobby client: 0 a read, 3 the clock (x 10 ms), 4 a click, 5 a round, 6 a close, 7 reopen.
welcome = player_online("Alice", 1) + player_online("Bob") + chat_line("Alice> hello")
games = list_cleared() + game_entry(1, "Rumble", 2, 4, 35) + game_entry(2, "Lava Pit", 8, 8, 120)
write("lobby_client", "welcome", pieces(0, welcome))
write("lobby_client", "games", pieces(0, games, 7) + bytes([3, 100, 3, 100, 3, 100]))
write("lobby_client", "join", pieces(0, games) + bytes([3, 200, 4, 8, 9, 4, 0]) + pieces(0, join_answer(2, "127.0.0.1")))
write("lobby_client", "host", bytes([4, 1, 4, 4, 10]) + b"Lava Night" + bytes([4, 4, 1]) + b"5" + pieces(0, ping(1, 2, 3)))
write("lobby_client", "chat", bytes([4, 7, 12]) + b"hello there!" + pieces(0, chat_line("x" * 255) + player_gone("Bob")))
write("lobby_client", "close", pieces(0, welcome) + bytes([6, 7]) + pieces(0, welcome) + bytes([0x86, 0x87]))
write("lobby_client", "unknown", pieces(0, bytes([99]) + welcome) + pieces(0, welcome, 1))

# Room host: first byte picks the size; op%8 0 accepts, 1 a read on connection op/8, 4 its
# close, 5 a host control, 6 frames, 7 a stalled reader.
def on(k, op): return 8 * k + op
two = (bytes([6, on(0, 0)]) + pieces(on(0, 1), seat(0, "Alice")) + bytes([on(1, 0)]) + pieces(on(1, 1), seat(0, "Bob")))
write("room_host", "seats", two + pieces(on(0, 1), room_chat("Alice> hi all")) + bytes([on(1, 4)]))
write("room_host", "match", two + pieces(on(0, 1), ready(2)) + pieces(on(1, 1), ready(3)) + bytes([5, 0, 5, 1, 6, 7]) +
      pieces(on(0, 1), action(2, 1, 300, 200) + action(2, 14, 310, 200)) + bytes([6, 7]) +
      pieces(on(1, 1), action(3, 4, 100, 300) + round_ready(3)) + bytes([6, 7, on(0, 4)]))
write("room_host", "refusals", bytes([0, on(0, 0)]) + pieces(on(0, 1), seat(0, "Alice")) + bytes([on(1, 0)]) +
      pieces(on(1, 1), seat(0, "Alice")) + bytes([on(2, 0)]) + pieces(on(2, 1), seat(0, "Carol")) +
      bytes([on(3, 0)]) + pieces(on(3, 1), seat(0, "Fuzz Host")))
write("room_host", "unknown", two + pieces(on(0, 1), bytes([99]) + ready(2)) + pieces(on(1, 1), ready(2) + action(2, 1, 0, 0)) +
      pieces(on(0, 1), seat(0, "Alice")[:9]) + pieces(on(0, 1), seat(0, "Alice")[9:]))
write("room_host", "stalled", two + bytes([on(0, 7)]) + pieces(on(1, 1), room_chat("z" * 128) * 30) + bytes([on(0, 7)]))

# Room client: first byte is the seat the master gave; 0 a read, 4 frames, 5 a control,
# 6 the host's close (0xA5), 7 a round.
host_seats = seat(1, "Host") + seat(2, "Fuzz Guest")
write("room_client", "seated", bytes([2]) + pieces(0, host_seats + room_chat("Host> welcome") + seat(3, "Carol")))
started = bytes([2]) + pieces(0, host_seats) + bytes([5, 0]) + pieces(0, ready(2) + ready(1) + launch(1234))
write("room_client", "match", started + bytes([4, 15]) + pieces(0, action(1, 1, 320, 200) + action(1, 14, 330, 210)) +
      bytes([4, 15, 5, 2, 79, 1]) + pieces(0, round_ready(1) + action(9, 1, 0, 0) + seat_freed(3)) + bytes([4, 15]))
write("room_client", "refused", bytes([2]) + pieces(0, room_chat("This game is full.")) + bytes([6, 0xA5]))
write("room_client", "host_leaves", started + bytes([4, 3]) + pieces(0, seat_freed(1)) + bytes([4, 3]))
write("room_client", "odd_seats", bytes([200]) + pieces(0, seat(0, "X") + seat(9, "Y") + seat(2, "Fuzz Guest") + ready(0) +
                                                  launch(0) + launch(6000) + bytes([99, 1, 2])))

# Master server: 0 accepts (address by op), 1 a read on connection op/8, 4 its close, 5 the
# clock (word x 4 ms), 6 a stalled reader, 7 a round.
session = (bytes([on(0, 0)]) + pieces(on(0, 1), login("Alice")) + bytes([on(1, 0)]) + pieces(on(1, 1), login("Bob")) +
           pieces(on(0, 1), say("Alice> hi") + host_game("Alice's game", 4)) +
           pieces(on(1, 1), refresh() + join_request(1)) + pieces(on(0, 1), game_status(2, 0)) +
           bytes([5, 0xD0, 0x07]) + pieces(on(1, 1), pong(0, 0, 1)) + pieces(on(0, 1), game_closed("Alice")))
write("master_server", "session", session)
write("master_server", "limits", bytes([on(0, 0)] * 12) + pieces(on(0, 1), login("Alice") + say("x") * 8) +
      pieces(on(1, 1), login("Alice")) + pieces(on(2, 1), login("")) + bytes([5, 0xFF, 0xFF, 5, 0xFF, 0xFF]))
write("master_server", "split", bytes([on(0, 0)]) + pieces(on(0, 1), login("Dora") + host_game("G", 9) + join_request(7), 5) +
      bytes([on(0, 6)]) + pieces(on(0, 1), refresh() * 200) + bytes([on(0, 7), 7]))
write("master_server", "unknown", bytes([on(0, 0)]) + pieces(on(0, 1), bytes([99]) + login("Eve")) + bytes([on(1, 0)]) +
      pieces(on(1, 1), say("before login")))

# Settings: first byte is Options.dat's length, the rest lavarumble.ini.
whole = bytearray(102)
write("settings", "empty", bytes([0]))
write("settings", "zeros", bytes([102]) + bytes(whole) + b"[Player1]\nPlayedBy = Hard\n\n[Player2]\nPlayedBy = Easy\n")
whole[0:4] = struct.pack("<i", 80)
write("settings", "short", bytes([30]) + bytes(whole[:30]) + b"; a comment\n[Keys]\nJump = Up\n[Player1]\nPlayedBy=Normal\n")
write("settings", "odd_ini", bytes([102]) + bytes([0xFF]) * 102 + b"[Player2\nPlayedBy\n= x\n[Player1]\nPlayedBy = Robot\n")

# The input script.
write("input_script", "keys", b"# a comment\n1 key Left down\n20 key Left up\n30 mouse 320 240\n31 click\n")
write("input_script", "lobby", b"10 lobby chat hello # there\n20 lobby host 4 My Game\n30 lobby join 1\n40 lobby refresh\n50 lobby exit\n")
write("input_script", "room", b"5 room chat hi all\n6 room ready\n7 room launch\n8 room leave\n")
write("input_script", "bad", b"1 key Up sideways\n")
