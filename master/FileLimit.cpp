// Raising the open-file limit with setrlimit.
#include "master/FileLimit.h"

#include <sys/resource.h>

#include <algorithm>

namespace lr {

TFileLimit RaiseOpenFileLimit(uint64_t wanted) {
  TFileLimit result;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return result;
  result.Before = result.Now = limit.rlim_cur;
  result.Hard = limit.rlim_max;
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return result;
  const rlim_t target = limit.rlim_max == RLIM_INFINITY ? wanted : std::min<rlim_t>(wanted, limit.rlim_max);
  rlimit raised = limit;
  raised.rlim_cur = target;
  if (setrlimit(RLIMIT_NOFILE, &raised) == 0) result.Now = target;
  return result;
}

}  // namespace lr
