// Error boxes in a window (and on stderr, for the record).
#pragma once

#include <string>

#include "platform/Presenter.h"

namespace lr {

class TMessageBoxReporter final : public IErrorReporter {
 public:
  void ShowError(const std::string& title, const std::string& text) override;
};

}  // namespace lr
