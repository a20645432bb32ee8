// The nine powerup kinds and the three ways of dying.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace lr {

enum TPowerupKind : uint8_t {
  pkLandmine,
  pkElectricity,
  pkSpringBoots,
  pkSwitchPlaces,
  pkDeath,
  pkDynamite,
  pkTeleport,
  pkHandgun,
  pkSpringGlove,
};
constexpr int kPowerupKindCount = 9;

enum TDeathKind : uint8_t { dkFling, dkLava, dkBlast };

struct TPowerupInfo {
  std::string_view KindName;  // as traces show it
  std::string_view DialogLabel;
  std::string_view PrintedName;  // on the final scoreboard; empty: never a favourite
  std::string_view Icon;         // sheet name, image 4 + kind
  int32_t Charges;               // -1: unlimited
};

constexpr std::array<TPowerupInfo, kPowerupKindCount> kPowerups = {{
    {"pkLandmine", "Landmine", "Landmine", "Powerup_Mine", 1},
    {"pkElectricity", "Electricity", "Electricity", "Powerup_Elec", -1},
    {"pkSpringBoots", "Spring Boots", "Spring Boots", "Powerup_Boots", -1},
    {"pkSwitchPlaces", "Switch Places", "Switch Places", "Powerup_Switch", 0},
    {"pkDeath", "Death", "", "Powerup_Death", 0},
    {"pkDynamite", "Dynamite", "", "Powerup_TNT", 0},
    {"pkTeleport", "Teleport", "Teleport", "Powerup_Tele", 1},
    {"pkHandgun", "Handgun", "Handgun", "Powerup_Gun", 5},
    {"pkSpringGlove", "Spring Glove", "Spring Glove", "Powerup_Glove", 7},
}};

}  // namespace lr
