// Fuzz target: the master server's per-connection decoder and its state, a whole session of
// bytes from a few clients at once (logins, chat, hosting, joining, status, pongs, unknown
// codes), cut into reads anywhere, with connections closing, not reading, and the clock
// running its pings and time limits.
#include <set>

#include "FuzzSupport.h"
#include "master/MasterServer.h"
#include "master/MasterState.h"

namespace {

using namespace lr;
using namespace lr::fuzz;

constexpr int kMaxSteps = 4000;
constexpr size_t kMaxConnections = 10;

// Every table of the server against the others, after a delivery round and its Tick.
void CheckMaster(const TMasterServer& server) {
  const TMasterServer::TImpl& impl = server.Internals();
  const TMasterStats stats = server.Stats();
  LR_FUZZ_CHECK(stats.Connections == impl.Peers.size());
  LR_FUZZ_CHECK(impl.DoomedPeers.empty());
  size_t loggedIn = 0;
  std::map<std::string, int> perAddress;
  for (const auto& [socket, peer] : impl.Peers) {
    LR_FUZZ_CHECK(peer->Socket == socket);
    LR_FUZZ_CHECK(!peer->Doomed);
    LR_FUZZ_CHECK(peer->Outbox.size() <= impl.Options.SendQueueBytes);
    LR_FUZZ_CHECK(peer->Framer.Buffered() < kLongestWireMessage);
    ++perAddress[peer->Address];
    if (!peer->LoggedIn) {
      LR_FUZZ_CHECK(peer->GameId == 0);
      continue;
    }
    ++loggedIn;
    LR_FUZZ_CHECK(!peer->Name.empty() && peer->Name.size() <= kNameCapacity);
    const auto named = impl.Names.find(peer->Name);
    LR_FUZZ_CHECK(named != impl.Names.end() && named->second == peer.get());
    const auto ordered = impl.Players.find(peer->LoginOrder);
    LR_FUZZ_CHECK(ordered != impl.Players.end() && ordered->second == peer.get());
  }
  LR_FUZZ_CHECK(loggedIn == impl.Players.size() && loggedIn == impl.Names.size());
  LR_FUZZ_CHECK(stats.Players == loggedIn);
  for (const auto& [address, count] : impl.PerAddress)
    if (count != 0) LR_FUZZ_CHECK(perAddress[address] == count);
  for (const auto& [address, count] : perAddress) {
    const auto it = impl.PerAddress.find(address);
    LR_FUZZ_CHECK(it != impl.PerAddress.end() && it->second == count);
    LR_FUZZ_CHECK(count <= impl.Options.MaxPerAddress);
  }
  // Each game has one host online that names it, and every host's game exists.
  std::set<uint16_t> ids;
  LR_FUZZ_CHECK(stats.Games == impl.Games.size());
  LR_FUZZ_CHECK(impl.Games.size() <= static_cast<size_t>(impl.Options.MaxGames));
  for (const auto& game : impl.Games) {
    LR_FUZZ_CHECK(game.GameId != 0 && ids.insert(game.GameId).second);
    LR_FUZZ_CHECK(game.Host != nullptr && game.Host->GameId == game.GameId && game.Host->LoggedIn);
    LR_FUZZ_CHECK(impl.Peers.count(game.Host->Socket) == 1 && impl.Peers.at(game.Host->Socket).get() == game.Host);
    LR_FUZZ_CHECK(game.MaxPlayers >= master_detail::kMinPlayers && game.MaxPlayers <= master_detail::kMaxPlayers);
    // A room has eight seats whatever the game's maximum: the host's count is taken up to that.
    LR_FUZZ_CHECK(game.PlayerCount >= 1 && game.PlayerCount <= master_detail::kMaxPlayers);
    LR_FUZZ_CHECK(game.GameName.size() <= kGameNameCapacity);
  }
  for (const auto& [socket, peer] : impl.Peers)
    if (peer->GameId != 0) LR_FUZZ_CHECK(ids.count(peer->GameId) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzBytes in(data, size);
  TNetService net;
  TMemoryNet memory(net);
  TMasterTime now{};
  TMasterOptions options;
  options.Port = 0;
  // Small limits, so the fuzzer meets each of them within a short input.
  options.MaxConnections = 8;
  options.MaxPerAddress = 4;
  options.MaxGames = 4;
  options.SendQueueBytes = 4096;
  TMasterServer server(net, options, {}, [&now] { return now; });
  std::string error;
  LR_FUZZ_CHECK(server.Start(error));
  TSentChecker sent(kMasterToGame);
  std::vector<std::shared_ptr<TMemoryConnection>> peers;
  std::map<int, bool> stalled;
  for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
    const uint8_t op = in.Byte();
    TMemoryConnection* peer = peers.empty() ? nullptr : peers[op / 8 % peers.size()].get();
    switch (op % 8) {
      case 0:
        if (peers.size() < kMaxConnections)
          if (auto accepted = memory.Accept("127.0.0." + std::to_string(1 + (op >> 3) % 3)))
            peers.push_back(accepted);
        break;
      case 1:
      case 2:
      case 3:
        if (peer) memory.Arrive(*peer, in.Piece());
        break;
      case 4:
        if (peer) memory.PeerCloses(*peer);
        break;
      case 5: now += std::chrono::milliseconds(in.Word() * 4); break;
      case 6:
        if (peer) stalled[peer->Number] = !stalled[peer->Number];
        break;
      default: memory.Round(); break;
    }
    server.Tick();
    sent.TakeAll(memory, stalled);
    CheckMaster(server);
  }
  return 0;
}
