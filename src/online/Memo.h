// TMemo: a dialog's memo of text lines, newest last. It holds a bounded number of lines and
// counts every line ever added, so a reader can take just the lines added since it last looked.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace lr {

class TMemo {
 public:
  // A chatty or hostile server cannot grow the memo without end: the oldest lines go first.
  static constexpr size_t kMaxLines = 1000;

  void Add(std::string line) {
    Text.push_back(std::move(line));
    if (Text.size() > kMaxLines) Text.pop_front();
    ++Count;
  }
  void Clear() { Text.clear(); }
  const std::deque<std::string>& Lines() const { return Text; }
  // Lines added since the memo was made, cleared ones included.
  uint64_t Added() const { return Count; }
  // The lines added after the first `seen` (those the memo still holds), oldest first; `seen`
  // becomes Added().
  std::vector<std::string> TakeNew(uint64_t& seen) const {
    const uint64_t fresh = Count > seen ? Count - seen : 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(fresh, Text.size()));
    seen = Count;
    return {Text.end() - static_cast<std::ptrdiff_t>(n), Text.end()};
  }

 private:
  std::deque<std::string> Text;
  uint64_t Count = 0;
};

}  // namespace lr
