// A whole game for the tests of the game core: the form on a virtual clock with recorded
// sound, its sheets from the build's data folder, created and ready to run frames.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "game/MainForm.h"
#include "platform/FontRasterizer.h"
#include "platform/RecordingAudio.h"

namespace lr::testing {

struct TTestGame {
  explicit TTestGame(uint32_t timeOfDay = 0, IFontRasterizer* fonts = nullptr) : Clock(timeOfDay), Audio(Clock) {
    TFormServices services;
    services.Clock = &Clock;
    services.Audio = &Audio;
    services.Fonts = fonts;
    services.DataFolder = LR_BUILD_DIR "/data";
    Form = std::make_unique<TGForm>(services);
    EXPECT_TRUE(Form->FormCreate());
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      Clock.Advance(Form->Timer.TicksPerFrame());
      Form->Timer.Tick();
    }
  }
  // The live sprites of one class, in list order.
  template <typename T>
  std::vector<T*> Live() const {
    std::vector<T*> found;
    for (TSprite* sprite : Form->SE.SpriteList)
      if (auto* s = dynamic_cast<T*>(sprite); s && !s->Dead) found.push_back(s);
    return found;
  }
  TGForm& operator*() { return *Form; }
  TGForm* operator->() { return Form.get(); }

  VirtualClock Clock;
  TRecordingAudio Audio;
  std::unique_ptr<TGForm> Form;
};

}  // namespace lr::testing
