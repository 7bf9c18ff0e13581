// The listener over loopback with a handler that records each line and
// answers it: the bytes each side sees, its limits and its HTTP answers.
#include "remote/remote_server.h"
#include "remote/event_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLimitMs = 5000;  // a reply or an end that has not come by then never will

struct Recorder {
  OsLock lock;
  std::vector<std::string> lines;
  int closed = 0;
};

RemoteOutcome Record(void* context, int32_t, const char* line, char* reply, size_t size) {
  Recorder* r = static_cast<Recorder*>(context);
  OsLockGuard guard(r->lock);
  r->lines.push_back(line);
  const std::string text = line;
  if (text == "cameras") {
    snprintf(reply, size, "ok 2\ncam 1\ncam 2");
    return REMOTE_OK;
  }
  snprintf(reply, size, "%s %s", text == "bad" ? "error:" : "ok", line);
  return text == "bad" ? REMOTE_ERROR : text == "subscribe" ? REMOTE_SUBSCRIBE : REMOTE_OK;
}

void Closed(void* context, int32_t) {
  Recorder* r = static_cast<Recorder*>(context);
  OsLockGuard guard(r->lock);
  r->closed++;
}

struct Client {
  NetSocket* socket = nullptr;
  NetWaker* waker = NetWakerCreate();
  std::string got;
  bool ended = false;

  explicit Client(uint16_t port) {
    NetAddress at = {{127, 0, 0, 1}, port};
    socket = NetTcpConnect(at);
    NetWait(socket, NET_WAIT_CONNECT, waker, kLimitMs);
  }
  ~Client() {
    NetClose(socket);
    NetWakerDestroy(waker);
  }
  void Send(const std::string& bytes) {
    NetSend(socket, reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()), nullptr);
  }
  // Reads until `got` ends with `end` ("" : until the connection ends), at most `limitMs`.
  std::string Until(const std::string& end, int limitMs = kLimitMs) {
    const auto stop = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    uint8_t buffer[4096];
    while (!ended &&
           (end.empty() || got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(stop - std::chrono::steady_clock::now());
      if (left.count() <= 0 ||
          NetWait(socket, NET_WAIT_READ, waker, static_cast<uint32_t>(left.count())) != NET_WAIT_READY)
        break;
      const int32_t n = NetReceive(socket, buffer, sizeof buffer, nullptr);
      if (n < 0) ended = true;
      if (n > 0) got.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    }
    return got;
  }
};

struct RemoteServerTest : ::testing::Test {
  Recorder recorder;
  RemoteServer* server = nullptr;
  void Start(const char* token = "") {
    RemoteConfig config;
    config.listen = true;
    config.address = NetAddress{{127, 0, 0, 1}, 0};
    snprintf(config.token, sizeof config.token, "%s", token);
    char status[kRemoteStatusChars] = {};
    server = RemoteServerStart(config, RemoteHandler{&recorder, Record, Closed}, status, sizeof status);
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
  OsLockGuard guard(recorder.lock);
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{"select 2", "cameras", longest}));
  EXPECT_EQ(recorder.closed, 1);
}

TEST_F(RemoteServerTest, TokenFirstOnLinesAndInTheUrl) {
  Start("0123456789abcdef");
  auto wrong = Connect();
  wrong->Send("status\n");
  EXPECT_EQ(wrong->Until(""), "error: token needed\n");
  auto right = Connect();
  right->Send("token 0123456789abcdef\nstatus\n");
  EXPECT_EQ(right->Until("ok status\n"), "ok\nok status\n");
  auto web = Connect();
  web->Send("GET /api?cmd=status HTTP/1.1\r\n\r\n");
  EXPECT_EQ(web->Until("").substr(0, 22), "HTTP/1.1 403 Forbidden");
}

TEST_F(RemoteServerTest, TheNinthConnectionIsTurnedAway) {
  Start();
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < kRemoteMaxConnections; i++) {
    clients.push_back(Connect());
    clients.back()->Send("status\n");
    ASSERT_EQ(clients.back()->Until("\n"), "ok status\n");
  }
  auto ninth = Connect();
  EXPECT_EQ(ninth->Until(""), "error: too many connections\n");
  EXPECT_TRUE(ninth->ended);
}

TEST_F(RemoteServerTest, EventsReachSubscribersOnlyAndANonReaderIsClosed) {
  Start();
  auto reader = Connect();
  auto other = Connect();
  auto idle = Connect();
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
  const auto stop = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLimitMs * 2);
  int closed = 0;
  while (closed < 2 && std::chrono::steady_clock::now() < stop) {
    RemotePublish(server, line.c_str());
    OsLockGuard guard(recorder.lock);
    closed = recorder.closed;
  }
  EXPECT_EQ(closed, 2);
  other->Send("status\n");
  EXPECT_EQ(other->Until("ok status\nok status\n"), "ok status\nok status\n");
}

TEST(EventQueue, AFullRingRefusesAndKeepsWhatItTook) {
  static EventQueue queue;
  for (int i = 0; i < kRemoteEventSlots; i++) ASSERT_TRUE(EventQueuePush(&queue, std::to_string(i).c_str()));
  EXPECT_FALSE(EventQueuePush(&queue, "one more"));
  EXPECT_FALSE(EventQueuePush(&queue, ""));
  char line[kRemoteLineChars + 1];
  for (int i = 0; i < kRemoteEventSlots; i++) {
    ASSERT_TRUE(EventQueuePop(&queue, line));
    EXPECT_EQ(std::string(line), std::to_string(i));
  }
  EXPECT_FALSE(EventQueuePop(&queue, line));
}

TEST_F(RemoteServerTest, HttpAnswers) {
  Start();
  const char* const kHead = "Content-Type: text/plain\r\nContent-Length: ";
  const struct {
    const char* request;
    std::string answer;
  } rows[] = {
      {"GET /api?cmd=select+2%21 HTTP/1.1\r\nHost: a\r\n\r\n",
       "HTTP/1.1 200 OK\r\n" + std::string(kHead) + "13\r\nConnection: close\r\n\r\nok select 2!\n"},
      {"GET /api?cmd=bad HTTP/1.0\n\n",
       "HTTP/1.1 400 Bad Request\r\n" + std::string(kHead) + "11\r\nConnection: close\r\n\r\nerror: bad\n"},
      {"GET /api?cmd=cameras HTTP/1.1\r\n\r\n",
       "HTTP/1.1 200 OK\r\n" + std::string(kHead) + "17\r\nConnection: close\r\n\r\nok 2\ncam 1\ncam 2\n"},
      {"GET /status HTTP/1.1\r\n\r\n",
       "HTTP/1.1 404 Not Found\r\n" + std::string(kHead) + "17\r\nConnection: close\r\n\r\nerror: not found\n"},
      {"PUT /api?cmd=x HTTP/1.1\r\n\r\n",
       "HTTP/1.1 405 Method Not Allowed\r\n" + std::string(kHead) +
           "26\r\nAllow: GET\r\nConnection: close\r\n\r\nerror: method not allowed\n"},
  };
  for (const auto& row : rows) {
    auto c = Connect();
    c->Send(row.request);
    EXPECT_EQ(c->Until(""), row.answer) << row.request;
  }
  OsLockGuard guard(recorder.lock);
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{"select 2!", "bad", "cameras"}));
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
  EXPECT_EQ(c->got.substr(0, 24), "HTTP/1.1 400 Bad Request");
  EXPECT_NE(c->got.find("\r\n\r\nerror: request not complete within 2 s\n"), std::string::npos) << c->got;
}

}  // namespace
