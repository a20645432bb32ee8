// Building and writing frame records.
#include "app/TraceWriter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>

#include "actors/ItemUnit.h"
#include "actors/PlayerUnit.h"
#include "ai/ComputerPlayer.h"
#include "game/MainForm.h"
#include "online/Online.h"
#include "text/Codepage.h"

namespace lr {

nlohmann::ordered_json FloatValue(float value) {
  if (!std::isfinite(value)) return nullptr;
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  *end = '\0';
  // The shortest float digits, held as the double nearest to them, print back as those
  // digits.
  return std::strtod(buffer, nullptr);
}

namespace {

constexpr const char* kSocketStateNames[] = {"wsNotStarted", "wsClosed", "wsConnected", "wsListening",
                                              "wsConnecting"};

// 8-bit texts from the game and the network, as UTF-8 JSON strings.
template <class TList>
nlohmann::ordered_json Texts(const TList& list) {
  nlohmann::ordered_json j = nlohmann::ordered_json::array();
  for (const std::string& text : list) j.push_back(Cp1252ToUtf8(text));
  return j;
}

constexpr const char* kActionWays[] = {"sent", "received", "relayed"};

nlohmann::ordered_json NetRecord(TGForm& form, TNetTrace& net) {
  const TLForm& lobby = net.Online->Lobby;
  TGmForm& room = net.Online->Room;
  nlohmann::ordered_json l;
  l["shown"] = lobby.Visible;
  l["status"] = Cp1252ToUtf8(lobby.Status);
  l["online"] = Texts(lobby.Online);
  l["games"] = nlohmann::ordered_json::array();
  for (const TLForm::TGridRow& row : lobby.Grid) l["games"].push_back(Texts(row));
  l["row"] = lobby.Row;
  l["chat"] = Texts(lobby.Chat.TakeNew(net.LobbyChatSeen));
  l["join"] = lobby.JoinEnabled;
  l["host"] = lobby.HostEnabled;
  l["refresh"] = lobby.RefreshEnabled;
  l["ask"] = lobby.Ask.Open ? nlohmann::ordered_json(Cp1252ToUtf8(lobby.Ask.Caption)) : nullptr;
  l["message"] = lobby.Message.empty() ? nullptr : nlohmann::ordered_json(Cp1252ToUtf8(lobby.Message));
  nlohmann::ordered_json r;
  r["shown"] = room.Visible;
  r["host"] = room.IsHost();
  r["players"] = Texts(room.Players);
  r["chat"] = Texts(room.Chat.TakeNew(net.RoomChatSeen));
  r["ready"] = room.ReadyBox;
  r["launch"] = room.LaunchEnabled;
  // Where a host listens (the system's choice for --room-port 0); 0 when it does not.
  r["port"] = room.UServ.LocalPort();
  nlohmann::ordered_json seats = nlohmann::ordered_json::array();
  for (int number = 1; number <= kSeatCount; ++number) {
    const TSeat& seat = *room.Seat(number);
    if (!seat.InUse) continue;
    nlohmann::ordered_json j;
    j["seat"] = number;
    j["name"] = Cp1252ToUtf8(seat.PlayerName);
    j["ready"] = seat.IsReady;
    seats.push_back(std::move(j));
  }
  nlohmann::ordered_json actions = nlohmann::ordered_json::array();
  for (const TActionNote& note : room.TakeActionNotes()) {
    nlohmann::ordered_json j;
    j["dir"] = kActionWays[static_cast<size_t>(note.Way)];
    j["seat"] = note.Action.Seat;
    j["code"] = note.Action.Code;
    // As the receiver reads them: signed.
    j["x"] = static_cast<int16_t>(note.Action.X);
    j["y"] = static_cast<int16_t>(note.Action.Y);
    actions.push_back(std::move(j));
  }
  nlohmann::ordered_json n;
  n["lobby"] = std::move(l);
  n["master"] = kSocketStateNames[lobby.LClient.SocketState()];
  n["room"] = std::move(r);
  n["seats"] = std::move(seats);
  n["LevelSeed"] = form.LevelSeed;
  n["OnlineGame"] = form.OnlineGame;
  n["actions"] = std::move(actions);
  return n;
}

}  // namespace

nlohmann::ordered_json FrameRecord(TGForm& form, int64_t frame, TNetTrace* net) {
  nlohmann::ordered_json r;
  r["frame"] = frame;
  r["GameMode"] = form.GameMode;
  r["RoundState"] = form.RoundState;
  r["RoundTimer"] = FloatValue(form.RoundTimer);
  r["RoundNumber"] = form.RoundNumber;
  r["TickCount"] = form.TickCount;
  r["TitleCounter"] = FloatValue(form.TitleCounter);
  r["BannerCounter"] = FloatValue(form.BannerCounter);
  r["ScoreFade"] = FloatValue(form.ScoreFade);
  r["ScoreCountdown"] = FloatValue(form.ScoreCountdown);
  r["PowerupCountdown"] = FloatValue(form.PowerupCountdown);
  r["LavaScroll"] = FloatValue(form.LavaScroll);
  r["HoverOption"] = form.HoverOption;
  r["RandomState"] = form.Rng.RandomState;
  std::map<std::string, int> classes;
  for (const TSprite* s : form.SE.SpriteList)
    if (!s->Dead) classes[s->ClassName()] += 1;
  r["sprites"] = nlohmann::ordered_json::object();
  for (const auto& [name, count] : classes) r["sprites"][name] = count;
  r["sounds"] = form.SoundsThisFrame;
  r["players"] = nlohmann::ordered_json::array();
  for (const TPlayer* p : form.Players) {
    nlohmann::ordered_json j;
    // Names are 8-bit text; the trace is UTF-8 JSON.
    j["Name"] = Cp1252ToUtf8(p->Name);
    j["X"] = FloatValue(p->X);
    j["Y"] = FloatValue(p->Y);
    j["VelX"] = FloatValue(p->VelX);
    j["VelY"] = FloatValue(p->VelY);
    j["State"] = PlayerStateName(p->State);
    j["PatternIndex"] = p->PatternIndex;
    j["ScaleX"] = FloatValue(p->ScaleX);
    j["Angle"] = FloatValue(p->Angle);
    j["OnGround"] = p->OnGround;
    j["OnRope"] = p->OnRope;
    j["Visible"] = p->Visible;
    j["Item"] = p->Item ? nlohmann::ordered_json(kPowerups[p->Item->Kind].KindName) : nullptr;
    j["Charges"] = p->Item ? nlohmann::ordered_json(p->Item->Charges) : nullptr;
    j["Pickups"] = p->Pickups;
    j["UseDelay"] = FloatValue(p->UseDelay);
    j["StunTime"] = FloatValue(p->StunTime);
    j["Eliminated"] = p->Eliminated;
    j["DeathCause"] = p->DeathCause;
    j["Killer"] = p->Killer ? nlohmann::ordered_json(Cp1252ToUtf8(p->Killer->Name)) : nullptr;
    j["RoundKills"] = p->RoundKills;
    j["Kills"] = p->Kills;
    j["Deaths"] = p->Deaths;
    j["Wins"] = p->Wins;
    j["Ready"] = p->Ready;
    j["NetIndex"] = p->NetIndex;
    // Only where the computer plays, so traces of people's matches stay as they were.
    for (size_t seat = 0; seat < form.Computers.size(); ++seat)
      if (form.Computers[seat] && p == (seat == 0 ? form.Player1 : form.Player2))
        j["Computer"] = std::string(NameOf(form.Computers[seat]->Level()).Word);
    r["players"].push_back(std::move(j));
  }
  if (form.LevelBuiltThisFrame) {
    form.LevelBuiltThisFrame = false;
    nlohmann::ordered_json level;
    level["seed"] = form.LastLevel.Seed;
    level["platforms"] = form.LastLevel.Platforms;
    level["ropes"] = form.LastLevel.Ropes;
    r["level"] = std::move(level);
  }
  // Only while a pad is plugged in, so traces of keyboard matches stay as they were.
  if (const TGamepads* pads = form.Machine().Pads; pads && pads->AnyPlugged()) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int place = 0; place < kMaxPads; ++place) {
      const TPadState& pad = pads->State(place);
      if (!pad.Plugged) continue;
      nlohmann::ordered_json j;
      j["pad"] = place + 1;
      j["player"] = form.GameSettings.Controls.PadPlayer[static_cast<size_t>(place)];
      j["buttons"] = PadButtonsText(pad.Buttons);
      j["axes"] = pad.Axes;
      list.push_back(std::move(j));
    }
    r["pads"] = std::move(list);
    r["padSlots"] = PadSlots(form.GameSettings.Controls, *pads, form.OnlineGame == 1);
  }
  if (net && net->Online && net->Online->LobbyOpened()) r["net"] = NetRecord(form, *net);
  return r;
}

TTraceWriter::~TTraceWriter() {
  if (File) std::fclose(File);
}

bool TTraceWriter::Open(const std::string& path, std::string& error) {
  File = std::fopen(path.c_str(), "wb");
  Path = path;
  if (!File) {
    error = "cannot write trace file '" + path + "'";
    return false;
  }
  return true;
}

void TTraceWriter::Write(const nlohmann::ordered_json& record) {
  if (!File) return;
  const std::string line = record.dump() + "\n";
  std::fwrite(line.data(), 1, line.size(), File);
}

bool TTraceWriter::Close(std::string& error) {
  if (!File) return true;
  const bool ok = std::ferror(File) == 0;
  const bool closed = std::fclose(File) == 0;
  File = nullptr;
  if (!ok || !closed) {
    error = "cannot write trace file '" + Path + "'";
    return false;
  }
  return true;
}

}  // namespace lr
