// A window stand-in for the screen tests: it keeps what the screen asks of the window (frames
// presented, mode switches, cursor, beeps) and the error boxes it would show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Presenter.h"

namespace lr::test {

class TRecordingPresenter final : public IPresenter {
 public:
  struct TFrame {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;
  };

  void Present(const uint32_t* argb, int width, int height) override {
    Frames.push_back({width, height, std::vector<uint32_t>(argb, argb + static_cast<size_t>(width) * height)});
  }
  void SetCaption(const std::string& caption) override { Caption = caption; }
  void SetFullScreen(bool fullScreen) override { FullScreenCalls.push_back(fullScreen); }
  void ShowCursor(bool show) override { CursorCalls.push_back(show); }
  void Beep() override { ++Beeps; }

  std::vector<TFrame> Frames;
  std::string Caption;
  std::vector<bool> FullScreenCalls;
  std::vector<bool> CursorCalls;
  int Beeps = 0;
};

class TRecordingReporter final : public IErrorReporter {
 public:
  void ShowError(const std::string& title, const std::string& text) override {
    Boxes.push_back(title + ": " + text);
  }
  std::vector<std::string> Boxes;
};

}  // namespace lr::test
