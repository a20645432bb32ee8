// make_assets: draws the game's sprite sheets and synthesises its sound effects.
//
//   make_assets OUT_DIR [--sounds SOUND_DIR] [--icons ICON_DIR]
//
// Writes every sheet into OUT_DIR and the eleven effects into SOUND_DIR (by default
// OUT_DIR/Sounds); with --icons, the desktop icon's sizes into ICON_DIR. Folders are created
// as needed. The output is the same, byte for byte, on every run.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "Sheets.h"
#include "Sounds.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr, "usage: make_assets OUT_DIR [--sounds SOUND_DIR] [--icons ICON_DIR]\n");
  return 2;
}

void WriteAll(const fs::path& dir, const std::vector<assets::OutputFile>& files) {
  fs::create_directories(dir);
  for (const auto& f : files) assets::WriteFile((dir / f.name).string(), f.bytes);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path out, sounds, icons;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--sounds") {
      if (++i >= argc) return Usage();
      sounds = argv[i];
    } else if (arg == "--icons") {
      if (++i >= argc) return Usage();
      icons = argv[i];
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (out.empty()) {
      out = arg;
    } else {
      return Usage();
    }
  }
  if (out.empty()) return Usage();
  if (sounds.empty()) sounds = out / "Sounds";
  try {
    WriteAll(out, assets::MakeSheets());
    WriteAll(sounds, assets::MakeSounds());
    if (!icons.empty()) WriteAll(icons, assets::MakeIcons());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
