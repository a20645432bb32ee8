#include "Sheets.h"

namespace assets {

std::vector<OutputFile> MakeSheets() {
  static const char* const kIconNames[9] = {"Mine", "Elec", "Boots", "Switch", "Death", "TNT", "Tele", "Gun", "Glove"};
  std::vector<OutputFile> out;
  out.push_back({"Sticky.bmp", EncodeBmp8(MakeSticky())});
  out.push_back({"Platform.bmp", EncodeBmp24(MakePlatform())});
  out.push_back({"Rope.bmp", EncodeBmp24(MakeRope())});
  out.push_back({"Bubble.bmp", EncodeBmp24(MakeBubble())});
  for (int k = 0; k < 9; ++k)
    out.push_back({std::string("Powerup_") + kIconNames[k] + ".bmp", EncodeBmp24(MakePowerupIcon(k))});
  out.push_back({"PElec.bmp", EncodeBmp24(MakeSparks())});
  out.push_back({"PSmoke.png", EncodePngIndexed(MakeSmoke())});
  out.push_back({"Title.bmp", EncodeBmp24(MakeTitle())});
  out.push_back({"O_Start.bmp", EncodeBmp32(MakeLabel("Start Game", 251, 48))});
  out.push_back({"O_Options.bmp", EncodeBmp24(MakeLabel("Options", 178, 40))});
  out.push_back({"O_Online.bmp", EncodeBmp32(MakeLabel("Play Online", 245, 51))});
  out.push_back({"O_Quit.bmp", EncodeBmp24(MakeLabel("Quit", 106, 39))});
  out.push_back({"Coil.bmp", EncodeBmp24(MakeCoil())});
  out.push_back({"Lava.bmp", EncodeBmp24(MakeLava())});
  out.push_back({"L_PRR.bmp", EncodeBmp24(MakeLabel("Round Results", 450, 80))});
  out.push_back({"L_PGR.bmp", EncodeBmp24(MakeLabel("Game Results", 450, 80))});
  return out;
}

std::vector<OutputFile> MakeIcons() {
  std::vector<OutputFile> out;
  for (int size : {64, 256})
    out.push_back({"lavarumble-" + std::to_string(size) + ".png", EncodePngRgba(MakeIcon(size))});
  return out;
}

}  // namespace assets
