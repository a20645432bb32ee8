// The game's sprite sheets, drawn from code. Each function returns the finished picture; the
// file format (bit depth, key colour) is chosen in MakeSheets, which lists them all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"
#include "ImageFile.h"

namespace assets {

struct OutputFile {
  std::string name;  // file name inside the output folder
  std::vector<uint8_t> bytes;
};

// Every sheet of the image list in list order ("BG" has no picture and is left out).
std::vector<OutputFile> MakeSheets();

// The key colours.
inline Rgba Magenta() { return C8(255, 0, 255); }

// Figure.cpp: the 13 frames of the stick figure, 416x64, grey levels on a magenta key.
IndexedImage MakeSticky();

// Items.cpp
Image MakePlatform();
Image MakeRope();
Image MakeBubble();
// kind 0..8: Mine, Elec, Boots, Switch, Death, TNT, Tele, Gun, Glove
Image MakePowerupIcon(int kind);
Image MakeSparks();
IndexedImage MakeSmoke();
Image MakeCoil();

// Screens.cpp
Image MakeLava();
Image MakeTitle();
// A menu entry or board heading: the words in hot lettering on black, at the given size.
Image MakeLabel(const std::string& text, int width, int height);

// Icon.cpp: the desktop icon, size x size pixels with transparent corners.
Canvas MakeIcon(int size);
// The icon's sizes and file names ("lavarumble-64.png" ...).
std::vector<OutputFile> MakeIcons();

}  // namespace assets
