// Fuzz target: the room client's receive routine, fed the host's stream cut into reads
// anywhere: seats, chat, ready toggles, the launch and, once the match runs, actions and round
// readiness for any seat, between frames of the match, the player's keys and clicks.
#include "FuzzGame.h"

namespace {

using namespace lr;
using namespace lr::fuzz;

constexpr int kMaxSteps = 2000;
constexpr int kCheckEvery = 16;
constexpr int kMostFramesAStep = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzBytes in(data, size);
  TFuzzGame game("Fuzz Guest");
  TSentChecker sent(kRoomProtocol);
  TGmForm& room = game.Room();
  // The master server's join answer names the seat: any byte may come.
  room.PrepareJoining("127.0.0.1", in.Byte());
  room.Show();
  TMemoryConnection* host = game.NewestClient();
  LR_FUZZ_CHECK(host && host->TargetPort == 8889);
  game.Memory.Answer(*host);
  CheckRoom(room, *game.Form);
  for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
    const uint8_t op = in.Byte();
    switch (op % 8) {
      case 0:
      case 1:
      case 2:
      case 3:
        game.Memory.Arrive(*host, in.Piece());
        break;
      case 4: game.Frames(in.Byte() % kMostFramesAStep + 1); break;
      case 5:
        switch (in.Byte() % 5) {
          case 0: room.ReadyBoxClick(); break;
          case 1:
            room.Input = in.Take(in.Byte() % 200);
            room.InputKeyDown(TGmForm::kVirtualKeyReturn);
            break;
          case 2: game.Keyboard.SetKey(in.Byte(), (in.Byte() & 1) != 0); break;
          case 3: game.Memory.Round(); break;
          default:
            if (in.Byte() == 0xA5) room.Button2Click();
            break;
        }
        break;
      case 6:
        if (in.Byte() == 0xA5) {
          if (op & 0x80)
            game.Memory.Fail(*host, 10054);
          else
            game.Memory.PeerCloses(*host);
        }
        break;
      default: game.Memory.Round(); break;
    }
    sent.TakeAll(game.Memory);
    // The whole check walks every list the model holds (up to a thousand rows): every few
    // steps, and after the last.
    if (step % kCheckEvery == 0) CheckRoom(room, *game.Form);
  }
  CheckRoom(room, *game.Form);
  return 0;
}
