#include "net/udp_hub.h"

#include "net/udp_router.h"
#include "platform/os.h"

#include <atomic>

namespace {

// Room for any datagram the router would take, and more: a longer one is
// read whole enough to be recognised and dropped.
constexpr int32_t kReadBuffer = 2048;
// Datagrams read per wake, so a flood never keeps the reader from a stop.
constexpr int kMaxReadsPerWake = 64;

struct Hub {
  OsLock lock;     // the socket's opening and closing
  int routes = 0;  // routes held or being added
  std::atomic<NetSocket*> socket{nullptr};
  NetWaker* stopWaker = nullptr;
  std::atomic<bool> stopping{false};
  std::atomic<uint16_t> localPort{0};
  OsThread reader;
  UdpRouter router;

  bool Open() {
    uint16_t port = 0;
    stopping.store(false, std::memory_order_relaxed);
    stopWaker = NetWakerCreate();
    socket.store(stopWaker != nullptr ? NetUdpOpen(kViscaIpLocalPort, &port) : nullptr, std::memory_order_release);
    if (socket.load(std::memory_order_relaxed) == nullptr || !reader.Start(ReadLoop, this)) {
      Close();
      return false;
    }
    localPort.store(port, std::memory_order_release);
    return true;
  }

  void Close() {
    if (reader.IsStarted()) {
      stopping.store(true, std::memory_order_release);
      NetWakerSet(stopWaker);
      reader.Join(OS_INFINITE);
    }
    if (NetSocket* s = socket.exchange(nullptr, std::memory_order_acq_rel)) NetClose(s);
    if (stopWaker != nullptr) NetWakerDestroy(stopWaker);
    stopWaker = nullptr;
    localPort.store(0, std::memory_order_release);
  }

  static uint32_t ReadLoop(void* arg) {
    Hub& hub = *static_cast<Hub*>(arg);
    NetSocket* s = hub.socket.load(std::memory_order_acquire);
    uint8_t buffer[kReadBuffer];
    while (!hub.stopping.load(std::memory_order_acquire)) {
      NetWait(s, NET_WAIT_READ, hub.stopWaker, OS_INFINITE);
      NetAddress from;
      int32_t n;
      for (int reads = 0; reads < kMaxReadsPerWake && (n = NetReceive(s, buffer, sizeof buffer, &from)) > 0; reads++)
        hub.router.Deliver(from, buffer, n);
    }
    return 0;
  }
};

// Never destroyed: I/O threads may still use it while the process exits.
Hub& TheHub() {
  static Hub& hub = *new Hub;
  return hub;
}

// One route fewer; the socket goes with the last.
void Release(Hub& hub) {
  OsLockGuard guard(hub.lock);
  if (--hub.routes == 0) hub.Close();
}

}  // namespace

// The hub's lock only guards the socket's opening and closing; the router has
// its own, never taken while the hub's is held.
int UdpHubAttach(const NetAddress& peer, NetWaker* signal) {
  Hub& hub = TheHub();
  {
    OsLockGuard guard(hub.lock);
    if (hub.routes == 0 && !hub.Open()) return -1;
    hub.routes++;
  }
  const int route = hub.router.Add(peer, signal);
  if (route < 0) Release(hub);
  return route;
}

void UdpHubDetach(int route) {
  if (route < 0) return;
  Hub& hub = TheHub();
  hub.router.Remove(route);
  Release(hub);
}

int32_t UdpHubTake(int route, uint8_t* buffer, int32_t capacity) {
  return TheHub().router.Take(route, buffer, capacity);
}

bool UdpHubSend(const NetAddress& to, const uint8_t* data, int32_t length) {
  NetSocket* s = TheHub().socket.load(std::memory_order_acquire);
  return s != nullptr && NetSend(s, data, length, &to);
}

uint16_t UdpHubLocalPort() { return TheHub().localPort.load(std::memory_order_acquire); }
