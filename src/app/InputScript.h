// Scripted input for headless runs: one event per line, applied just before its frame.
//   FRAME key NAME down|up     FRAME mouse X Y     FRAME click      # comment
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/InputEvent.h"

namespace lr {

struct TInputScript {
  // Events by the frame (counted from 1) before which they are applied, in file order.
  std::map<int64_t, std::vector<TInputEvent>> Events;
};

// Parses a script; returns false with "line N: problem" in error.
bool ParseInputScript(const std::string& text, TInputScript& script, std::string& error);

}  // namespace lr
