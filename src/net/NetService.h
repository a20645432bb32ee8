// The event pump of the socket layer: every socket event of the components built on one
// service is delivered on the thread that calls Poll or Wait, never anywhere else.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace lr {

class TNetService {
 public:
  TNetService();
  // Every component made with the service must be destroyed first.
  ~TNetService();
  TNetService(const TNetService&) = delete;
  TNetService& operator=(const TNetService&) = delete;

  // Delivers every event that is ready now and returns how many it delivered; never blocks.
  // A socket whose data its owner leaves unread gets its next OnData in the next Poll.
  size_t Poll();
  // Blocks up to `ms` milliseconds until an event is ready, then delivers what is ready.
  size_t Wait(int ms);
  // `wake` is called from a background thread, at most once between two deliveries,
  // whenever an event becomes ready, so a loop sleeping on its window's events knows to come
  // round and Poll. An empty function stops the background thread.
  void SetWakeCallback(std::function<void()> wake);

  struct TImpl;
  TImpl& Internals() { return *Impl; }

 private:
  size_t Deliver(int ms);
  std::unique_ptr<TImpl> Impl;
};

}  // namespace lr
