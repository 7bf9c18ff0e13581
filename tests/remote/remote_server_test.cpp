// The listener over loopback with a handler that records each line and
// answers it: the bytes each side sees, its limits and its HTTP answers.
#include "remote/remote_server.h"
#include "remote/event_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLimitMs = 5000;  // a reply or an end that has not come by then never will
using Clock = std::chrono::steady_clock;

std::atomic<int> closed{0};  // connections the handler was told of as ended

const std::string kBig(kRemoteReplyBytes / 2, 'x');  // two such replies leave no room for a third

// "ok LINE", a reply of three lines to "cameras", an error for "bad", "ok" and kBig for "big".
RemoteOutcome Record(void*, int32_t, const char* line, char* reply, size_t size) {
  const std::string text = line;
  if (text == "big") return snprintf(reply, size, "ok %s", kBig.c_str()), REMOTE_OK;
  snprintf(reply, size, text == "cameras" ? "ok 2\ncam 1\ncam 2" : text == "bad" ? "error: bad" : "ok %s", line);
  return text == "bad" ? REMOTE_ERROR : text == "subscribe" ? REMOTE_SUBSCRIBE : REMOTE_OK;
}

void Closed(void*, int32_t) { closed++; }

struct Client {
  NetWaker* waker = NetWakerCreate();  // never set: NetWait needs one
  NetSocket* socket;
  std::string got;
  bool ended = false;

  explicit Client(uint16_t port) : socket(NetTcpConnect(NetAddress{{127, 0, 0, 1}, port})) {
    NetWait(socket, NET_WAIT_CONNECT, waker, kLimitMs);
  }
  ~Client() { NetClose(socket), NetWakerDestroy(waker); }
  void Send(const std::string& b) {
    NetSend(socket, reinterpret_cast<const uint8_t*>(b.data()), int32_t(b.size()), nullptr);
  }
  // Reads until `got` ends with `end` ("": until the connection ends), at most `limitMs`.
  std::string Until(const std::string& end, int limitMs = kLimitMs) {
    const auto stop = Clock::now() + std::chrono::milliseconds(limitMs);
    uint8_t buffer[4096];
    while (!ended && (end.empty() || got.size() < end.size() || got.substr(got.size() - end.size()) != end)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(stop - Clock::now()).count();
      if (left <= 0 || NetWait(socket, NET_WAIT_READ, waker, uint32_t(left)) != NET_WAIT_READY) break;
      // All there is: Winsock's event says so once, not for what a read leaves.
      for (int32_t n = 1; n > 0 && !ended;) {
        n = NetReceive(socket, buffer, sizeof buffer, nullptr);
        ended = n < 0;
        got.append(reinterpret_cast<char*>(buffer), n > 0 ? size_t(n) : 0);
      }
    }
    return got;
  }
};

struct RemoteServerTest : ::testing::Test {
  RemoteServer* server = nullptr;
  void Start(const char* token = "") {
    closed = 0;
    RemoteConfig config;
    config.listen = true;
    config.address = NetAddress{{127, 0, 0, 1}, 0};
    snprintf(config.token, sizeof config.token, "%s", token);
    char status[kRemoteStatusChars] = {};
    server = RemoteServerStart(config, RemoteHandler{nullptr, Record, Closed}, status, sizeof status);
    EXPECT_NE(server, nullptr) << status;
  }
  std::unique_ptr<Client> Connect() { return std::make_unique<Client>(RemoteServerPort(server)); }
  void TearDown() override { EXPECT_TRUE(server == nullptr || RemoteServerStop(server)); }
};

TEST_F(RemoteServerTest, LinesRepliesAndTheLengthLimit) {
  Start();
  auto c = Connect();
  const std::string longest(512, 'a');
  c->Send("select 2\r\ncameras\n" + longest + "\r\n" + std::string(513, 'b') + "\nstatus\n");
  EXPECT_EQ(c->Until(""), "ok select 2\nok 2\ncam 1\ncam 2\nok " + longest + "\nerror: line too long\n");
  EXPECT_TRUE(c->ended);
  EXPECT_EQ(closed, 1);
}

// A client that sends its lines and then its end (nc -N) hears every reply, then the close; a
// last line without its LF may be cut short and is not run.
TEST_F(RemoteServerTest, LinesSentBeforeTheClientsEndAreAllAnswered) {
  Start();
  auto c = Connect();
  std::string lines, replies;
  for (int i = 0; i < 40; i++) lines += "big\n", replies += "ok " + kBig + "\n";
  c->Send(lines + "status");
  NetShutdownSend(c->socket);
  const std::string got = c->Until("");
  EXPECT_EQ(std::count(got.begin(), got.end(), '\n'), 40);
  EXPECT_TRUE(got == replies);
  EXPECT_TRUE(c->ended);
  EXPECT_EQ(closed, 1);
}

TEST_F(RemoteServerTest, TokenFirstAndTheNinthConnectionTurnedAway) {
  Start("0123456789abcdef");
  auto wrong = Connect();
  wrong->Send("status\n");
  EXPECT_EQ(wrong->Until(""), "error: token needed\n");
  EXPECT_TRUE(wrong->ended);
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < kRemoteMaxConnections; i++) {
    clients.push_back(Connect());
    clients.back()->Send("token 0123456789abcdef\nstatus\n");
    ASSERT_EQ(clients.back()->Until("ok status\n"), "ok\nok status\n");
  }
  auto ninth = Connect();
  EXPECT_EQ(ninth->Until(""), "error: too many connections\n");
  EXPECT_TRUE(ninth->ended);
}

TEST_F(RemoteServerTest, EventsReachSubscribersOnlyAndANonReaderIsClosed) {
  Start();
  auto reader = Connect(), other = Connect(), idle = Connect();
  for (Client* c : {reader.get(), idle.get()}) {
    c->Send("subscribe\n");
    ASSERT_EQ(c->Until("\n"), "ok subscribe\n");
  }
  ASSERT_TRUE(RemotePublish(server, "event selected 2"));
  EXPECT_EQ(reader->Until("event selected 2\n"), "ok subscribe\nevent selected 2\n");
  other->Send("status\n");
  EXPECT_EQ(other->Until("\n"), "ok status\n");
  reader.reset();
  // `idle` never reads: once 64 KB wait for it past what the system holds, it is closed.
  const std::string line = "event status " + std::string(480, 'x');
  for (const auto stop = Clock::now() + std::chrono::milliseconds(2 * kLimitMs); closed < 2 && Clock::now() < stop;)
    RemotePublish(server, line.c_str());
  EXPECT_EQ(closed, 2);
  other->Send("status\n");
  EXPECT_EQ(other->Until("ok status\nok status\n"), "ok status\nok status\n");
}

TEST(EventQueue, AFullRingRefusesAndKeepsWhatItTook) {
  static EventQueue queue;
  for (int i = 0; i < kRemoteEventSlots; i++) ASSERT_TRUE(EventQueuePush(&queue, std::to_string(i).c_str()));
  EXPECT_FALSE(EventQueuePush(&queue, "one more"));
  char line[kRemoteLineChars + 1];
  for (int i = 0; i <= kRemoteEventSlots; i++)
    EXPECT_EQ(EventQueuePop(&queue, line) && line == std::to_string(i), i < kRemoteEventSlots);
}

TEST_F(RemoteServerTest, HttpAnswers) {
  Start("0123456789abcdef");
  const auto answer = [](const char* status, const std::string& body, const char* more = "") {
    return "HTTP/1.1 " + std::string(status) +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + more +
           "Connection: close\r\n\r\n" + body;
  };
  const std::pair<std::string, std::string> rows[] = {
      {"GET /api?cmd=select+2%21&token=0123456789abcdef HTTP/1.1\r\nHost: a\r\n\r\n",
       answer("200 OK", "ok select 2!\n")},
      {"GET /api?cmd=bad&token=0123456789abcdef HTTP/1.0\n\n", answer("400 Bad Request", "error: bad\n")},
      {"GET /api?cmd=status HTTP/1.1\r\n\r\n", answer("403 Forbidden", "error: token needed\n")},
      {"GET /status HTTP/1.1\r\n\r\n", answer("404 Not Found", "error: not found\n")},
      {"PUT /api HTTP/1.1\r\n\r\n", answer("405 Method Not Allowed", "error: method not allowed\n", "Allow: GET\r\n")},
  };
  for (const auto& row : rows) {
    auto c = Connect();
    c->Send(row.first);
    EXPECT_EQ(c->Until(""), row.second) << row.first;
  }
}

std::atomic<uint32_t> virtualMs{0};
uint32_t VirtualTicks() { return virtualMs.load(); }

TEST_F(RemoteServerTest, AnHttpRequestNotWholeWithinTwoSecondsIsRefused) {
  OsSetTickSourceForTest(VirtualTicks);
  Start();
  auto c = Connect();
  c->Send("GET /api?cmd=status HTTP/1.1\r\nHost: a\r\n");
  uint32_t advanced = 0;
  for (; advanced < 10000 && c->Until("", 20).empty(); advanced += 250) virtualMs += 250;
  OsSetTickSourceForTest(nullptr);
  EXPECT_GE(advanced, 2000u);
  EXPECT_EQ(c->got.substr(0, 26), "HTTP/1.1 400 Bad Request\r\n");
  EXPECT_NE(c->got.find("\r\n\r\nerror: request not complete within 2 s\n"), std::string::npos) << c->got;
}

}  // namespace
