// How fast socket data reaches its handler while the game window sleeps between frames, and
// what an open connection costs an idle window. Needs a display (run under Xvfb: see
// scripts/bench_net_wake.sh). Loopback only, bounded in count and time.
//
// The loop is the window runner's: wait on the window's events until the next 1/60 s frame
// is due (a socket event wakes the wait), then deliver the socket events.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "net/NetService.h"
#include "net/WSockets.h"
#include "platform/SdlWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The window runner's pass, for `seconds`: sleep on window events until the next frame, then
// deliver socket events. Frames themselves draw nothing here.
void RunLoop(lr::TSdlWindow& window, lr::TNetService& net, double seconds, const std::atomic<bool>* stop = nullptr) {
  std::vector<lr::TInputEvent> events;
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  auto nextFrame = Clock::now();
  while (Clock::now() < end && !(stop && *stop)) {
    const auto now = Clock::now();
    if (now >= nextFrame) nextFrame += std::chrono::microseconds(16667);
    const auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(nextFrame - now).count();
    events.clear();
    window.WaitEvents(static_cast<int>(std::max<int64_t>(waitMs, 0)), events);
    net.Poll();
  }
}

}  // namespace

int main() {
  lr::TSdlWindow window;
  std::string error;
  if (!window.Open("bench_net_wake", 640, 480, 1, error)) {
    std::fprintf(stderr, "bench_net_wake: no window (%s); run it under Xvfb\n", error.c_str());
    return 1;
  }
  lr::TNetService net;
  net.SetWakeCallback(window.WakeFunction());

  // Idle, no connection.
  RunLoop(window, net, 0.5);
  double cpu = CpuSeconds();
  RunLoop(window, net, 5.0);
  const double idleAlone = CpuSeconds() - cpu;

  lr::TTCPServer server(net);
  server.BindAddress = "127.0.0.1";
  server.Port = "0";
  std::vector<int64_t> latencies;
  server.OnData = [&](lr::TCustomWSocket&, int socket) {
    int64_t stamps[64];
    const int got = server.Receive(socket, stamps, sizeof stamps);
    const int64_t now = NowNs();
    for (int i = 0; i < got / 8; ++i) latencies.push_back(now - stamps[i]);
  };
  server.Open();
  const uint16_t port = server.LocalPort();

  const int peer = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("bench_net_wake: connect");
    return 1;
  }
  RunLoop(window, net, 0.5);  // the accept

  // Idle with the connection open.
  cpu = CpuSeconds();
  RunLoop(window, net, 5.0);
  const double idleConnected = CpuSeconds() - cpu;

  // 300 stamps, one every 23 ms (off the frame beat), each timed from write to handler.
  constexpr int kMessages = 300;
  std::atomic<bool> done{false};
  std::thread sender([&] {
    for (int i = 0; i < kMessages; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(23));
      const int64_t stamp = NowNs();
      if (write(peer, &stamp, sizeof stamp) != sizeof stamp) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    done = true;
  });
  RunLoop(window, net, 30.0, &done);
  sender.join();
  close(peer);
  RunLoop(window, net, 0.2);
  net.SetWakeCallback(nullptr);

  if (latencies.empty()) {
    std::fprintf(stderr, "bench_net_wake: no message arrived\n");
    return 1;
  }
  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double q) { return static_cast<double>(latencies[static_cast<size_t>(q * (latencies.size() - 1))]) / 1e6; };
  std::printf("wake latency over %zu messages (write to handler, ms): median %.3f, p90 %.3f, p99 %.3f, max %.3f\n",
              latencies.size(), at(0.5), at(0.9), at(0.99), at(1.0));
  std::printf("idle window loop CPU over 5 s: %.3f s without a connection, %.3f s with one open\n", idleAlone,
              idleConnected);
  return 0;
}
