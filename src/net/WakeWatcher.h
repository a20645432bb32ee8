// A thread that waits for socket readiness while the game's window loop sleeps, and calls a
// wake function once so the loop comes round to deliver the socket events.
#pragma once

#include <poll.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lr {

// The wake fires at most once per arming: a socket left readable would otherwise wake the
// loop again and again before the loop has had a chance to read it.
class TWakeWatcher {
 public:
  explicit TWakeWatcher(std::function<void()> wake);
  ~TWakeWatcher();
  TWakeWatcher(const TWakeWatcher&) = delete;
  TWakeWatcher& operator=(const TWakeWatcher&) = delete;

  // The descriptors and the readiness that would bring an event (main thread).
  void SetInterest(std::vector<pollfd> fds);
  // Allows the next wake; called after every delivery round (main thread).
  void Arm();
  // Forgets events signalled before a delivery round that is about to deliver them.
  void BeginDelivery();
  // An event is ready that no descriptor shows, such as a finished name lookup (any thread).
  void Signal();

 private:
  void Run();
  void Kick();

  std::function<void()> Wake;
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<pollfd> Fds;
  bool Armed = false;
  bool Pending = false;
  bool Stop = false;
  int EventFd = -1;  // kicks the thread out of poll() when any of the above changes
  std::thread Thread;
};

}  // namespace lr
