// The runner's sandbox: bubbles of a chosen kind and players put at chosen places on chosen
// frames of every round, and the kinds the random bubbles may carry, from the command line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "actors/PowerupKinds.h"

namespace lr {

class TGForm;

// The kind named by its number (0 to 8) or its dialog label in lower case with dashes for
// spaces ("spring-glove"); false when there is no such kind.
bool ParsePowerupKind(const std::string& text, TPowerupKind& kind);

class TSandbox {
 public:
  // --bubble TICK:KIND:X:Y[:VX:VY]; false with a message in error.
  bool AddBubble(const std::string& text, std::string& error);
  // --place TICK:PLAYER:X:Y, PLAYER 1 (Red Man, the arrow keys) or 2 (Green Man).
  bool AddPlacement(const std::string& text, std::string& error);
  // --powerups none|KIND[,KIND...]: the kinds the random bubbles may carry.
  bool SetPowerups(const std::string& text, std::string& error);

  // After the form's creation: the powerup switches.
  void Apply(TGForm& form) const;
  // Before each frame: counts the frames of play of the round (from 1 on the first frame a
  // round is in play) and puts down what is due on this one. Placements go first.
  void BeforeFrame(TGForm& form);

 private:
  struct TEvent {
    int64_t Tick = 0;
    bool IsBubble = false;
    int Subject = 0;  // a kind, or a player 1 or 2
    float X = 0, Y = 0, VelX = 0, VelY = 0;
  };
  std::vector<TEvent> Events;
  bool PowerupsGiven = false;
  std::array<bool, kPowerupKindCount> Enabled{};
  int64_t PlayTick = 0;
};

}  // namespace lr
