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

// A created form on this clock and recorder, with the build's sheets; nullptr if its start-up
// failed.
inline std::unique_ptr<TGForm> NewTestForm(VirtualClock& clock, TRecordingAudio& audio,
                                           IFontRasterizer* fonts = nullptr) {
  auto form = std::make_unique<TGForm>(TFormServices{
      .Clock = &clock, .DataFolder = LR_BUILD_DIR "/data", .Audio = &audio, .Fonts = fonts});
  if (!form->FormCreate()) return nullptr;
  return form;
}

struct TTestGame {
  explicit TTestGame(uint32_t timeOfDay = 0, IFontRasterizer* fonts = nullptr)
      : Clock(timeOfDay), Audio(Clock), Form(NewTestForm(Clock, Audio, fonts)) {
    EXPECT_TRUE(Form);
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
