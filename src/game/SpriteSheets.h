// The game's sprite sheets, in their stored order: the bubble draws its icon as sheet
// 4 + powerup kind, so the position of each entry matters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Types.h"

namespace lr {

class TOmegaImageList;

struct TSheetInfo {
  std::string_view Name;
  std::string_view File;  // below the data folder; empty: no stored picture
  Integer TileWidth;
  Integer TileHeight;
  uint32_t TransparentColor;
  bool Transparent;
};

constexpr uint32_t clFuchsia = 0xFF00FF;
constexpr uint32_t clBlack = 0x000000;

constexpr std::array<TSheetInfo, 25> kSpriteSheets = {{
    {"Sticky", "Sticky.bmp", 32, 64, clFuchsia, true},
    {"Platform", "Platform.bmp", 32, 32, clFuchsia, true},
    {"Rope", "Rope.bmp", 32, 32, clFuchsia, true},
    {"Bubble", "Bubble.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Mine", "Powerup_Mine.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Elec", "Powerup_Elec.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Boots", "Powerup_Boots.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Switch", "Powerup_Switch.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Death", "Powerup_Death.bmp", 32, 32, clFuchsia, true},
    {"Powerup_TNT", "Powerup_TNT.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Tele", "Powerup_Tele.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Gun", "Powerup_Gun.bmp", 32, 32, clFuchsia, true},
    {"Powerup_Glove", "Powerup_Glove.bmp", 32, 32, clFuchsia, true},
    {"PElec", "PElec.bmp", 8, 8, clFuchsia, true},
    {"PSmoke", "PSmoke.png", 32, 32, clBlack, true},
    {"Title", "Title.bmp", 400, 200, clBlack, true},
    {"O_Start", "O_Start.bmp", 251, 48, clBlack, true},
    {"O_Options", "O_Options.bmp", 178, 40, clBlack, true},
    {"O_Online", "O_Online.bmp", 245, 51, clBlack, true},
    {"O_Quit", "O_Quit.bmp", 106, 39, clBlack, true},
    {"Coil", "Coil.bmp", 500, 16, clFuchsia, true},
    {"Lava", "Lava.bmp", 640, 60, clBlack, false},
    {"BG", "", 1, 1, clBlack, false},
    {"L_PRR", "L_PRR.bmp", 450, 80, clBlack, true},
    {"L_PGR", "L_PGR.bmp", 450, 80, clBlack, true},
}};

// Fills the list from the table, reading each picture from dataFolder. Returns a message per
// picture that could not be read (those sheets stay without a picture).
std::vector<std::string> LoadSpriteSheets(TOmegaImageList& list, const std::string& dataFolder);

}  // namespace lr
