// Fuzz target: the room host's receive routine fed by several client connections at once
// (seats, chat, ready toggles, actions, round readiness, unknown codes and the relays), with
// connections arriving, closing and not reading, the host's own clicks, launches and frames
// of the match.
#include "FuzzGame.h"

namespace {

using namespace lr;
using namespace lr::fuzz;

constexpr int kMaxSteps = 2000;
constexpr int kCheckEvery = 16;
// More than the eight seats, so full rooms and refusals come up.
constexpr size_t kMaxConnections = 12;
constexpr int kMostFramesAStep = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzBytes in(data, size);
  TFuzzGame game("Fuzz Host");
  TSentChecker sent(kRoomProtocol);
  TGmForm& room = game.Room();
  // Hosting as the lobby does it, with the master server's connection made.
  game.Form->ShowLobby();
  if (TMemoryConnection* master = game.NewestClient()) game.Memory.Answer(*master);
  TLForm& lobby = game.Lobby();
  lobby.Button2Click();
  lobby.Ask.Text = "Fuzz Game";
  lobby.AskAnswered(true);
  lobby.Ask.Text = std::to_string(2 + in.Byte() % 7);
  lobby.AskAnswered(true);
  LR_FUZZ_CHECK(room.IsHost());

  std::vector<std::shared_ptr<TMemoryConnection>> peers;
  std::map<int, bool> stalled;
  for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
    const uint8_t op = in.Byte();
    TMemoryConnection* peer = peers.empty() ? nullptr : peers[op / 8 % peers.size()].get();
    switch (op % 8) {
      case 0:
        if (peers.size() < kMaxConnections)
          if (auto accepted = game.Memory.Accept("127.0.0." + std::to_string(peers.size() + 2)))
            peers.push_back(accepted);
        break;
      case 1:
      case 2:
      case 3:
        if (peer) game.Memory.Arrive(*peer, in.Piece());
        break;
      case 4:
        if (peer) game.Memory.PeerCloses(*peer);
        break;
      case 5:
        switch (in.Byte() % 6) {
          case 0: room.ReadyBoxClick(); break;
          case 1: room.Button1Click(); break;
          case 2:
            room.Input = in.Take(in.Byte() % 200);
            room.InputKeyDown(TGmForm::kVirtualKeyReturn);
            break;
          case 3: game.Memory.Round(); break;
          case 4: game.Keyboard.SetKey(in.Byte(), (in.Byte() & 1) != 0); break;
          default:
            // Leaving is rare: most inputs keep the room open.
            if (in.Byte() == 0xA5) room.Button2Click();
            break;
        }
        break;
      case 6: game.Frames(in.Byte() % kMostFramesAStep + 1); break;
      default:
        // A peer that stops reading, or reads again.
        if (peer) stalled[peer->Number] = !stalled[peer->Number];
        break;
    }
    sent.TakeAll(game.Memory, stalled);
    // The whole check walks every list the model holds (up to a thousand rows): every few
    // steps, and after the last.
    if (step % kCheckEvery == 0) CheckRoom(room, *game.Form);
  }
  CheckRoom(room, *game.Form);
  return 0;
}
