// The process's limit on open files, which bounds how many connections a server can hold.
#pragma once

#include <cstdint>

namespace lr {

struct TFileLimit {
  uint64_t Before = 0;  // the soft limit found
  uint64_t Now = 0;     // the soft limit in effect afterwards
  uint64_t Hard = 0;    // the most an unprivileged process may raise it to
};

// Raises the soft limit towards `wanted` as far as the hard limit allows (never lowers it).
TFileLimit RaiseOpenFileLimit(uint64_t wanted);

}  // namespace lr
