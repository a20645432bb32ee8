// The master server's connections: who may connect, reading and closing, the clock's rules
// (login time, pings, silence), and sending what each round produced. The messages
// themselves are handled in MasterMessages.cpp.
//
// [SECTION] Texts and fixed numbers
// [SECTION] Connections: accept, read, close
// [SECTION] The clock's rules
// [SECTION] Sending: outboxes flushed once a round
// [SECTION] The public face
#include <algorithm>
#include <optional>

#include "master/MasterState.h"
#include "net/WireCodec.h"
#include "text/Codepage.h"

namespace lr {

using namespace master_detail;

// [SECTION] Texts and fixed numbers

namespace {

// "{}" stands for the player's name, or for a number of the options.
constexpr std::string_view kNotices[] = {
    "The name {} is already in the lobby. Choose another in Options.",
    "A name has 1 to 15 characters. Choose another in Options.",
    "A name may not hold control characters. Choose another in Options.",
    "The lobby is full. Try again later.",
    "Too many connections come from your address.",
    "No more games can be hosted now. Try again later.",
    "That game is no longer hosted. Refresh the list.",
    "That game is full.",
    "You are chatting too fast: lines beyond {} in {} seconds are dropped.",
};

// One read per connection and round: a peer that sends without pause gets its share of the
// server and no more.
constexpr size_t kReadPiece = 4096;
// Pings remembered per player, so a late answer still counts; older ones are forgotten.
constexpr size_t kPingsKept = 64;
// An outbox keeps at most this much room after it has been sent, so a burst that once filled
// it does not stay with the connection.
constexpr size_t kOutboxKept = 16 * 1024;

std::string Fill(std::string_view text, std::initializer_list<std::string> values) {
  std::string out;
  auto value = values.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "{}") == 0 && value != values.end()) {
      out += *value++;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool IsControl(uint8_t code) {
  const char32_t character = Cp1252CodePoint(code);
  return character < 0x20 || (character >= 0x7F && character < 0xA0);
}

}  // namespace

namespace master_detail {

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return IsControl(static_cast<uint8_t>(c)); });
}

std::string Shown(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char c : text) {
    const auto code = static_cast<uint8_t>(c);
    if (IsControl(code) || c == '"' || c == '\\') {
      out += "\\x";
      out += kHex[code >> 4];
      out += kHex[code & 15];
    } else {
      out += Cp1252ToUtf8(std::string_view(&c, 1));
    }
  }
  return out + "\"";
}

std::string Seconds(std::chrono::milliseconds time) {
  const auto ms = time.count();
  if (ms % 1000 == 0) return std::to_string(ms / 1000);
  return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 + 1000).substr(1);
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace master_detail

// [SECTION] Connections: accept, read, close

void TMasterServer::TImpl::Note(const TPeer& peer, const std::string& what) { Note(peer.Id, peer.Address, what); }

void TMasterServer::TImpl::Note(uint64_t id, const std::string& address, const std::string& what) {
  if (Log) Log("#" + std::to_string(id) + " " + (address.empty() ? "?" : address) + " " + what);
}

std::string TMasterServer::TImpl::Who(const TPeer& peer) const {
  return peer.LoggedIn ? Shown(peer.Name) + " " : std::string();
}

void TMasterServer::TImpl::Bind() {
  Server.BindAddress = Options.BindAddress;
  Server.Port = std::to_string(Options.Port);
  Server.ListenBacklog = 1024;
  Server.SendQueueLimit = Options.SendQueueBytes;
  // Each round's messages to one connection already go out in one send.
  Server.NoDelay = true;
  Server.OnAccept = [this](TCustomWSocket&, int socket) { Accepted(socket); };
  Server.OnData = [this](TCustomWSocket&, int socket) { Readable(socket); };
  Server.OnClose = [this](TCustomWSocket&, int socket) { PeerClosed(socket); };
  Server.OnError = [this](TCustomWSocket&, int error, const std::string& text) { SocketError(error, text); };
}

void TMasterServer::TImpl::Accepted(int socket) {
  const uint64_t id = ++NextPeerId;
  const std::string address = Server.PeerAddress(socket);
  ++Counts.Accepted;
  if (static_cast<int>(Peers.size()) >= Options.MaxConnections) {
    TurnAway(socket, id, address, ntLobbyFull,
             "limit hit: " + std::to_string(Options.MaxConnections) + " connections; closed");
    return;
  }
  auto [count, fresh] = PerAddress.try_emplace(address, 0);
  if (count->second >= Options.MaxPerAddress) {
    TurnAway(socket, id, address, ntAddressFull,
             "limit hit: " + std::to_string(Options.MaxPerAddress) + " connections from this address; closed");
    if (fresh) PerAddress.erase(count);
    return;
  }
  ++count->second;
  auto peer = std::make_unique<TPeer>();
  peer->Socket = socket;
  peer->Id = id;
  peer->Address = address;
  peer->ConnectedAt = peer->RateWindow = Clock();
  Note(*peer, "connect");
  Reschedule(*peer);
  Peers[socket] = std::move(peer);
}

void TMasterServer::TImpl::TurnAway(int socket, uint64_t id, const std::string& address, TNotice notice,
                                    const std::string& why) {
  ++Counts.Refused;
  Note(id, address, why);
  const std::vector<uint8_t> line = Encode(TLobbyChatLine{.Text = Notice(notice)});
  InSend = true;
  Server.Send(socket, line.data(), static_cast<int>(line.size()));
  InSend = false;
  Server.Disconnect(socket);
}

void TMasterServer::TImpl::Readable(int socket) {
  uint8_t buffer[kReadPiece];
  const auto it = Peers.find(socket);
  if (it == Peers.end() || it->second->Doomed) {
    Server.Receive(socket, buffer, sizeof buffer);  // on its way out: what it sends is not read
    return;
  }
  TPeer& peer = *it->second;
  const int count = Server.Receive(socket, buffer, sizeof buffer);
  if (count > 0) {
    peer.Framer.Append(buffer, static_cast<size_t>(count));
    while (!peer.Doomed) {
      const std::optional<uint8_t> code = peer.Framer.PeekCode();
      std::optional<TWireFrame> frame = peer.Framer.Next();
      if (frame) {
        Dispatch(peer, *frame);
      } else {
        if (code && !kGameToMaster.Find(*code)) {
          ++Counts.ProtocolErrors;
          Doom(peer, "closed: unknown code " + std::to_string(*code));
        }
        break;
      }
    }
  }
  Reap();
}

void TMasterServer::TImpl::PeerClosed(int socket) {
  const auto it = Peers.find(socket);
  if (it != Peers.end()) Doom(*it->second, "closed by the peer");
  Reap();
}

void TMasterServer::TImpl::SocketError(int error, const std::string& text) {
  // A failed send is told with the connection it closes; the rest (a failed accept when
  // the system has no descriptor left, say) at most once a second.
  if (InSend) return;
  const TMasterTime now = Clock();
  if (LastErrorLog != TMasterTime{} && now - LastErrorLog < std::chrono::seconds(1)) return;
  LastErrorLog = now;
  if (Log) Log("socket error " + std::to_string(error) + ": " + text);
}

void TMasterServer::TImpl::Doom(TPeer& peer, std::string why, bool flushFirst) {
  if (peer.Doomed) return;
  peer.Doomed = true;
  peer.FlushFirst = flushFirst;
  peer.Why = std::move(why);
  DoomedPeers.push_back(&peer);
}

void TMasterServer::TImpl::Reap() {
  while (!DoomedPeers.empty()) {
    TPeer* peer = DoomedPeers.back();
    DoomedPeers.pop_back();
    if (peer->FlushFirst) Send(*peer);
    Note(*peer, Who(*peer) + (peer->LoggedIn ? "leaves; " : "") + peer->Why);
    if (auto count = PerAddress.find(peer->Address); count != PerAddress.end() && --count->second <= 0)
      PerAddress.erase(count);
    if (peer->GameId != 0) RemoveGame(*peer);
    if (peer->LoggedIn) {
      Players.erase(peer->LoginOrder);
      Names.erase(peer->Name);
      Broadcast(Encode(TLobbyPlayerGone{.WireCode = 2, .PlayerName = peer->Name}), nullptr);
    }
    const int socket = peer->Socket;
    Peers.erase(socket);
    Server.Disconnect(socket);
  }
}

std::string TMasterServer::TImpl::Notice(TNotice notice, const std::string& value) const {
  if (notice == ntChatTooFast)
    return Fill(kNotices[notice], {std::to_string(Options.ChatLines), Seconds(Options.ChatWindow)});
  return Fill(kNotices[notice], {value});
}

void TMasterServer::TImpl::Tell(TPeer& peer, TNotice notice, const std::string& value) {
  Queue(peer, Encode(TLobbyChatLine{.Text = Notice(notice, value)}));
}

// [SECTION] The clock's rules

TMasterTime TMasterServer::TImpl::DueOf(const TPeer& peer) const {
  if (!peer.LoggedIn) return peer.ConnectedAt + Options.LoginTime;
  return std::min(peer.NextPing, peer.LastAnswer + Options.PingTimeout);
}

void TMasterServer::TImpl::Reschedule(TPeer& peer) {
  const TMasterTime due = DueOf(peer);
  if (due == peer.Due) return;
  peer.Due = due;
  Deadlines.push({due, peer.Socket, peer.Id});
}

void TMasterServer::TImpl::RunDeadlines(TMasterTime now) {
  std::vector<TPeer*> again;
  while (!Deadlines.empty() && Deadlines.top().At <= now) {
    const TDeadline deadline = Deadlines.top();
    Deadlines.pop();
    const auto it = Peers.find(deadline.Socket);
    if (it == Peers.end() || it->second->Id != deadline.Id) continue;
    TPeer& peer = *it->second;
    if (peer.Doomed || peer.Due != deadline.At) continue;
    if (!peer.LoggedIn) {
      ++Counts.TimedOut;
      Doom(peer, "closed: no login within " + Seconds(Options.LoginTime) + " s");
      continue;
    }
    if (now - peer.LastAnswer >= Options.PingTimeout) {
      ++Counts.TimedOut;
      Doom(peer, "closed: no answer to pings for " + Seconds(Options.PingTimeout) + " s");
      continue;
    }
    if (now >= peer.NextPing) SendPing(peer, now);
    peer.Due = {};  // this entry is spent: the next one goes in whatever its moment
    again.push_back(&peer);
  }
  for (TPeer* peer : again) Reschedule(*peer);
}

void TMasterServer::TImpl::SendPing(TPeer& peer, TMasterTime now) {
  const uint32_t seq = peer.NextPingSeq;
  peer.NextPingSeq = (seq + 1) & 0xFFFFFF;
  if (peer.NextPingSeq == 0) peer.NextPingSeq = 1;
  if (peer.Pings.size() >= kPingsKept) peer.Pings.pop_front();
  peer.Pings.emplace_back(seq, now);
  peer.NextPing = now + Options.PingInterval;
  Queue(peer, Encode(TLobbyPing{.Opaque = {static_cast<uint8_t>(seq), static_cast<uint8_t>(seq >> 8),
                                           static_cast<uint8_t>(seq >> 16)}}));
}

void TMasterServer::TImpl::Tick() {
  const TMasterTime now = Clock();
  RunDeadlines(now);
  Reap();
  if (ListChanged) {
    // Every change to the list of one round goes out as one list to every lobby.
    ListChanged = false;
    Broadcast(ListBytes(), nullptr);
  }
  Flush();
  Reap();
}

// [SECTION] Sending: outboxes flushed once a round

void TMasterServer::TImpl::Queue(TPeer& peer, const std::vector<uint8_t>& bytes) {
  if (peer.Doomed) return;
  if (Server.QueuedBytes(peer.Socket) + peer.Outbox.size() + bytes.size() > Options.SendQueueBytes) {
    ++Counts.SlowReaders;
    Doom(peer, "limit hit: more than " + std::to_string(Options.SendQueueBytes) + " bytes unread; closed");
    return;
  }
  Append(peer.Outbox, bytes);
  if (!peer.InDirtyList) {
    peer.InDirtyList = true;
    Dirty.emplace_back(peer.Socket, peer.Id);
  }
}

void TMasterServer::TImpl::Broadcast(const std::vector<uint8_t>& bytes, const TPeer* except) {
  for (const auto& [order, player] : Players)
    if (player != except) Queue(*player, bytes);
}

void TMasterServer::TImpl::Send(TPeer& peer) {
  peer.InDirtyList = false;
  if (peer.Outbox.empty()) return;
  InSend = true;
  const int sent = Server.Send(peer.Socket, peer.Outbox.data(), static_cast<int>(peer.Outbox.size()));
  InSend = false;
  if (sent == 0) Doom(peer, "closed: sending failed: " + TCustomWSocket::ErrorText(Server.LastError()));
  peer.Outbox.clear();
  if (peer.Outbox.capacity() > kOutboxKept) std::vector<uint8_t>().swap(peer.Outbox);
}

void TMasterServer::TImpl::Flush() {
  std::vector<std::pair<int, uint64_t>> dirty;
  dirty.swap(Dirty);
  for (const auto& [socket, id] : dirty) {
    const auto it = Peers.find(socket);
    if (it != Peers.end() && it->second->Id == id && !it->second->Doomed) Send(*it->second);
  }
}

TMasterStats TMasterServer::TImpl::Stats() const {
  TMasterStats stats = Counts;
  stats.Connections = Peers.size();
  stats.Players = Players.size();
  stats.Games = Games.size();
  return stats;
}

// [SECTION] The public face

TMasterServer::TMasterServer(TNetService& net, TMasterOptions options, TMasterLog log, TMasterClock clock)
    : Impl(std::make_unique<TImpl>(net, std::move(options), std::move(log), std::move(clock))) {
  Impl->Bind();
}

TMasterServer::~TMasterServer() { Stop(); }

bool TMasterServer::Start(std::string& error) {
  TImpl& impl = *Impl;
  int failure = 0;
  const TCustomWSocket::TOnError report = impl.Server.OnError;
  impl.Server.OnError = [&failure](TCustomWSocket&, int code, const std::string&) { failure = code; };
  impl.Server.Open();
  impl.Server.OnError = report;
  if (impl.Server.SocketState() != wsListening) {
    error = "cannot listen on " + impl.Options.BindAddress + ":" + std::to_string(impl.Options.Port) + ": " +
            TCustomWSocket::ErrorText(failure);
    return false;
  }
  return true;
}

void TMasterServer::Stop() {
  TImpl& impl = *Impl;
  impl.Server.Close();
  impl.Peers.clear();
  impl.Players.clear();
  impl.Names.clear();
  impl.PerAddress.clear();
  impl.Games.clear();
  impl.Dirty.clear();
  impl.DoomedPeers.clear();
  impl.Deadlines = {};
  impl.ListChanged = false;
}

void TMasterServer::Step(int waitMs) {
  Impl->Net.Wait(waitMs);
  Impl->Tick();
}

void TMasterServer::Tick() { Impl->Tick(); }

uint16_t TMasterServer::Port() const { return Impl->Server.LocalPort(); }

const TMasterOptions& TMasterServer::Options() const { return Impl->Options; }

TMasterStats TMasterServer::Stats() const { return Impl->Stats(); }

}  // namespace lr
