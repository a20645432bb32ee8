// measure_online: how far apart three machines of one online match see its players. A host and
// two clients run in this process on loopback, frame by frame in step (every message a frame
// causes is delivered before the next frame), with random keys held for random lengths and
// Space at every scoreboard. It prints, over the whole match, the largest distance between
// where the machines draw each living player on each frame, how long each disagreement lasts,
// how often a player is dead on one machine and alive on another, and on how many rounds all
// machines agree on the winner.
//
//   measure_online [--seed N] [--data DIR]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "online/Online.h"
#include "platform/KeyTable.h"
#include "platform/KeyboardDevice.h"
#include "platform/Paths.h"
#include "platform/RecordingAudio.h"

namespace lr {
namespace {

constexpr const char* kNames[] = {"Ann", "Bob", "Cy"};
constexpr const char* kKeys[] = {"Left", "Right", "Up", "Down"};
constexpr int kMaxFrames = 60 * 60 * 20;  // twenty minutes of play at most

struct TMachine {
  TMachine(TNetService& net, const std::string& roomPort, uint32_t timeOfDay, const std::string& data,
           const std::string& name)
      : Clock(timeOfDay), Audio(Clock) {
    Form = std::make_unique<TGForm>(TFormServices{.Clock = &Clock,
                                                  .RoomPort = roomPort,
                                                  .Net = &net,
                                                  .DataFolder = data,
                                                  .Keyboard = &Keyboard,
                                                  .Audio = &Audio});
    Ok = Form->FormCreate();
    Form->Player1->Name = name;
    Online = std::make_unique<TOnline>(*Form);
    Online->Room.UServ.BindAddress = "127.0.0.1";
  }
  ~TMachine() {
    Online.reset();
    Form.reset();
  }
  TGmForm& Room() { return Online->Room; }
  void Key(const char* name, bool down) { Keyboard.SetKey(FindKeyByName(name)->Dik, down); }

  VirtualClock Clock;
  TRecordingAudio Audio;
  TScriptedKeyboard Keyboard;
  std::unique_ptr<TGForm> Form;
  std::unique_ptr<TOnline> Online;
  bool Ok = false;
  // The random keys: which one is held and for how many more frames.
  int Held = -1;
  int HeldFor = 0;
  int RoundSeen = 0;
};

class TMeasure {
 public:
  TMeasure(uint32_t seed, const std::string& data) : Random(seed) {
    Machines.push_back(std::make_unique<TMachine>(Net, "0", 1000, data, kNames[0]));
    Machines[0]->Room().PrepareHosting("Measure", 8);
    const std::string port = std::to_string(Machines[0]->Room().UServ.LocalPort());
    for (int i = 1; i < 3; ++i) {
      Machines.push_back(std::make_unique<TMachine>(Net, port, 1000 + 1000 * static_cast<uint32_t>(i), data, kNames[i]));
      Machines.back()->Room().PrepareJoining("127.0.0.1", static_cast<Byte>(i + 1));
      Machines.back()->Room().Show();
      Settle([&] { return Machines.back()->Room().Seated(); });
    }
    for (auto& m : Machines) {
      m->Room().ReadyBoxClick();
      Settle();
    }
    Machines[0]->Room().Button1Click();
    Settle();
  }
  bool Ready() const {
    return std::all_of(Machines.begin(), Machines.end(), [](const auto& m) { return m->Ok && m->Form->OnlineGame == 1; });
  }

  void Run() {
    for (int frame = 0; frame < kMaxFrames && !Over(); ++frame) {
      for (auto& m : Machines) Press(*m);
      Step();
      Compare();
      Winners();
    }
  }

  void Report() const {
    std::printf("frames: %lld\n", static_cast<long long>(Frames));
    std::printf("frames with players alive and shown on every machine: %lld; frames with a player dead on some "
                "machines and alive on others: %lld\n",
                static_cast<long long>(Compared), static_cast<long long>(LifeApart));
    std::vector<double> sorted = Largest;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&](double q) { return sorted.empty() ? 0.0 : sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
    const auto apart = std::count_if(sorted.begin(), sorted.end(), [](double d) { return d > 0; });
    std::printf("largest distance per frame (pixels): median %.1f, 90%% %.1f, 99%% %.1f, most %.1f; "
                "frames with any disagreement: %lld\n",
                at(0.5), at(0.9), at(0.99), sorted.empty() ? 0.0 : sorted.back(), static_cast<long long>(apart));
    std::vector<int> runs = Runs;
    std::sort(runs.begin(), runs.end());
    double sum = 0;
    for (int r : runs) sum += r;
    std::printf("disagreements (a player drawn apart on consecutive frames): %zu, lasting median %d, mean %.1f, "
                "longest %d frames\n",
                runs.size(), runs.empty() ? 0 : runs[runs.size() / 2], runs.empty() ? 0.0 : sum / static_cast<double>(runs.size()),
                runs.empty() ? 0 : runs.back());
    int agreed = 0;
    for (const auto& [round, winners] : RoundWinners) {
      const bool same = winners.size() == Machines.size() &&
                        std::all_of(winners.begin(), winners.end(), [&](const auto& w) { return w == winners.front(); });
      agreed += same ? 1 : 0;
      std::printf("round %d winners:", round);
      for (const auto& w : winners) {
        std::printf(" [");
        for (const std::string& name : w) std::printf(" %s", name.c_str());
        std::printf(" ]");
      }
      std::printf("%s\n", same ? "" : "  <- disagree");
    }
    std::printf("rounds on which all machines agree on the winner: %d of %zu\n", agreed, RoundWinners.size());
  }

 private:
  // Delivers socket events until every room message sent has been taken, or `done`.
  void Settle(const std::function<bool()>& done = nullptr) {
    for (int i = 0; i < 5000; ++i) {
      uint64_t sent = 0, taken = 0;
      for (auto& m : Machines) {
        sent += m->Room().MessagesSent();
        taken += m->Room().MessagesReceived();
      }
      if (sent == taken && (!done || done())) return;
      Net.Wait(1);
    }
  }
  void Step() {
    ++Frames;
    for (auto& m : Machines) m->Clock.Advance(m->Form->Timer.TicksPerFrame());
    for (auto& m : Machines) {
      m->Online->Idle();
      m->Form->Timer1.Poll();
      Settle();
    }
    for (auto& m : Machines) {
      m->Form->Timer.Tick();
      Settle();
    }
  }
  // A key held for a random time (a quarter to two seconds), or none; Space at a scoreboard.
  void Press(TMachine& m) {
    if (--m.HeldFor <= 0) {
      if (m.Held >= 0) m.Key(kKeys[m.Held], false);
      std::uniform_int_distribution<int> key(-1, 3), frames(15, 120);
      m.Held = key(Random);
      m.HeldFor = frames(Random);
      if (m.Held >= 0) m.Key(kKeys[m.Held], true);
    }
    m.Key("Space", m.Form->RoundState == 1);
  }
  bool Over() const {
    return std::all_of(Machines.begin(), Machines.end(), [](const auto& m) {
      return m->Form->RoundState == 2 || m->Form->GameMode == 0;
    });
  }
  // Where each machine draws each player of the host's list who is visible and alive on all of
  // them; and the players dead on some machines but alive on others.
  void Compare() {
    std::set<std::string> apart;
    double largest = 0;
    bool any = false;
    bool lifeApart = false;
    for (const TPlayer* reference : Machines[0]->Form->Players) {
      std::vector<const TPlayer*> seen;
      size_t dead = 0;
      for (auto& m : Machines)
        for (const TPlayer* p : m->Form->Players)
          if (p->Name == reference->Name) {
            dead += p->Eliminated ? 1 : 0;
            if (p->Visible && !p->Eliminated) seen.push_back(p);
          }
      if (dead > 0 && dead < Machines.size()) lifeApart = true;
      if (seen.size() != Machines.size()) continue;
      any = true;
      double most = 0;
      for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j)
          most = std::max(most, std::hypot(RoundPixel(seen[i]->X) - RoundPixel(seen[j]->X),
                                           RoundPixel(seen[i]->Y) - RoundPixel(seen[j]->Y)));
      largest = std::max(largest, most);
      if (most > 0) apart.insert(reference->Name);
    }
    if (any) {
      ++Compared;
      Largest.push_back(largest);
    }
    if (lifeApart) ++LifeApart;
    // A disagreement runs while the same player stays drawn apart.
    for (auto it = Open.begin(); it != Open.end();) {
      if (apart.contains(it->first)) {
        ++it->second;
        ++it;
      } else {
        Runs.push_back(it->second);
        it = Open.erase(it);
      }
    }
    for (const std::string& name : apart) Open.try_emplace(name, 1);
  }
  // Who is still alive on each machine when its round ends.
  void Winners() {
    for (auto& m : Machines) {
      TGForm& form = *m->Form;
      if (form.RoundState == 0 || m->RoundSeen == form.RoundNumber) continue;
      m->RoundSeen = form.RoundNumber;
      std::vector<std::string> alive;
      for (const TPlayer* p : form.Players)
        if (!p->Eliminated) alive.push_back(p->Name);
      std::sort(alive.begin(), alive.end());
      RoundWinners[form.RoundNumber].push_back(alive);
    }
  }

  TNetService Net;
  std::vector<std::unique_ptr<TMachine>> Machines;
  std::mt19937 Random;
  int64_t Frames = 0, Compared = 0, LifeApart = 0;
  std::vector<double> Largest;
  std::map<std::string, int> Open;
  std::vector<int> Runs;
  std::map<int, std::vector<std::vector<std::string>>> RoundWinners;
};

}  // namespace
}  // namespace lr

int main(int argc, char** argv) {
  uint32_t seed = 1;
  std::string data = lr::GameDataDirectory() + "/data";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--seed")
      seed = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    else if (option == "--data")
      data = argv[i + 1];
  }
  lr::TMeasure measure(seed, data);
  if (!measure.Ready()) {
    std::fprintf(stderr, "measure_online: the match did not start\n");
    return 1;
  }
  measure.Run();
  measure.Report();
  return 0;
}
