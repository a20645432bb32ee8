// The wake watcher's thread: poll() on the sockets' descriptors plus an eventfd.
#include "net/WakeWatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace lr {

TWakeWatcher::TWakeWatcher(std::function<void()> wake)
    : Wake(std::move(wake)), EventFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  Thread = std::thread([this] { Run(); });
}

TWakeWatcher::~TWakeWatcher() {
  {
    std::lock_guard lock(Mutex);
    Stop = true;
  }
  Changed.notify_all();
  Kick();
  Thread.join();
  if (EventFd >= 0) ::close(EventFd);
}

void TWakeWatcher::Kick() {
  const uint64_t one = 1;
  if (EventFd >= 0) {
    [[maybe_unused]] const ssize_t n = ::write(EventFd, &one, sizeof one);
  }
}

void TWakeWatcher::SetInterest(std::vector<pollfd> fds) {
  {
    std::lock_guard lock(Mutex);
    Fds = std::move(fds);
  }
  Kick();
}

void TWakeWatcher::Arm() {
  {
    std::lock_guard lock(Mutex);
    Armed = true;
  }
  Changed.notify_all();
  Kick();
}

void TWakeWatcher::BeginDelivery() {
  std::lock_guard lock(Mutex);
  Pending = false;
}

void TWakeWatcher::Signal() {
  {
    std::lock_guard lock(Mutex);
    Pending = true;
  }
  Kick();
}

void TWakeWatcher::Run() {
  std::vector<pollfd> fds;
  for (;;) {
    {
      std::unique_lock lock(Mutex);
      // Unarmed, the thread sleeps here rather than polling descriptors that stay ready.
      Changed.wait(lock, [this] { return Stop || Armed; });
      if (Stop) return;
      fds = Fds;
    }
    fds.push_back({EventFd, POLLIN, 0});
    const int count = ::poll(fds.data(), fds.size(), -1);
    if (count < 0 && errno != EINTR) return;  // nothing left to wait with: Poll still works
    bool ready = false;
    for (size_t i = 0; i + 1 < fds.size(); ++i)
      if (fds[i].revents != 0) ready = true;
    if (fds.back().revents != 0) {
      uint64_t value = 0;
      [[maybe_unused]] const ssize_t n = ::read(EventFd, &value, sizeof value);
    }
    {
      std::lock_guard lock(Mutex);
      if (Stop) return;
      if (!Armed || !(ready || Pending)) continue;
      Armed = false;
      Pending = false;
    }
    Wake();
  }
}

}  // namespace lr
