// Where finished frames go: the game window, or nowhere in a headless run.
#pragma once

#include <cstdint>
#include <string>

namespace lr {

class IPresenter {
 public:
  virtual ~IPresenter() = default;
  // Shows a width × height ARGB frame.
  virtual void Present(const uint32_t* argb, int width, int height) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace lr
