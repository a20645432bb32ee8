// Fuzz target: the lobby client's receive routine and HandleData, fed the master server's
// stream cut into reads anywhere, between the player's clicks, the clock and the connection's
// own events (closed, failed, opened again).
#include "FuzzGame.h"

namespace {

using namespace lr;
using namespace lr::fuzz;

// The most steps one input runs: a run stays short whatever the input's length.
constexpr int kMaxSteps = 2000;
constexpr int kCheckEvery = 16;

void Click(TLForm& lobby, TFuzzBytes& in) {
  switch (in.Byte() % 10) {
    case 0: lobby.Button1Click(); break;
    case 1: lobby.Button2Click(); break;
    case 2: lobby.Button3Click(); break;
    case 3: lobby.Button4Click(); break;
    case 4:
      lobby.Ask.Text = in.Take(in.Byte() % 40);
      lobby.AskAnswered(true);
      break;
    case 5: lobby.AskAnswered(false); break;
    case 6: lobby.MessageClosed(); break;
    case 7:
      lobby.Input = in.Take(in.Byte() % 300);
      lobby.InputKeyDown(TLForm::kVirtualKeyReturn);
      break;
    // The grid selects its header or a row it shows.
    case 8: lobby.Row = static_cast<Integer>(in.Byte() % (lobby.Grid.size() + 1)); break;
    default: lobby.Show(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzBytes in(data, size);
  TFuzzGame game("Fuzz Lobby");
  // The master server's connection speaks the lobby's protocol; any other is a room the player
  // joined from the lobby.
  TSentChecker sent(kRoomProtocol);
  TLForm& lobby = game.Lobby();
  game.Form->ShowLobby();
  if (TMemoryConnection* master = game.NewestClient()) game.Memory.Answer(*master);
  CheckLobby(lobby);
  for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
    // The master server's connection is the lobby client's newest one.
    TMemoryConnection* master = nullptr;
    for (auto it = game.Memory.Clients.rbegin(); it != game.Memory.Clients.rend() && !master; ++it)
      if ((*it)->Owner && (*it)->TargetPort == 8888) master = it->get();
    const uint8_t op = in.Byte();
    switch (op % 8) {
      case 0:
      case 1:
      case 2:
        if (master) game.Memory.Arrive(*master, in.Piece());
        break;
      case 3: game.Wait(in.Byte() * 10); break;
      case 4: Click(lobby, in); break;
      case 5: game.Memory.Round(); break;
      case 6:
        if (!master) break;
        if (op & 0x80)
          game.Memory.Fail(*master, 10054);
        else
          game.Memory.PeerCloses(*master);
        break;
      default:
        // The menu's online entry again; a new attempt is answered, or refused.
        game.Form->ShowLobby();
        if (TMemoryConnection* newest = game.NewestClient(); newest && newest->Connecting)
          game.Memory.Answer(*newest, (op & 0x80) ? 10061 : 0);
        break;
    }
    sent.TakeAll(game.Memory);
    // The whole check walks every list the model holds (up to a thousand rows): every few
    // steps, and after the last.
    if (step % kCheckEvery == 0) CheckLobby(lobby);
  }
  CheckLobby(lobby);
  return 0;
}
