#include "ui/remote_window.h"

#include "command/connection_commands.h"
#include "common/control_ids.h"
#include "common/text.h"
#include "panel/camera_names.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_watch.h"
#include "platform/os.h"
#include "remote/http_request.h"
#include "remote/remote_config.h"
#include "remote/remote_server.h"
#include "ui/remote_messages.h"
#include "ui/ui_globals.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kStatusCopyChars = 256;

struct WindowRemote {
  // The server while it takes event lines, and the status line's copy.
  OsLock lock;
  RemoteServer* server = nullptr;
  std::atomic<bool> active{false};  // without a listener no lock is taken
  char status[kStatusCopyChars] = "";
  ConnectionCommands commands;
  // The camera the panel last selected, -1 for none. Any thread.
  std::atomic<int32_t> listSelection{-1};
};

// Built on first use, so it outlives every thread that publishes.
WindowRemote& Remote() {
  static WindowRemote* remote = new WindowRemote;
  return *remote;
}

void Publish(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Publish(const char* format, ...) {
  WindowRemote& r = Remote();
  if (!r.active.load()) return;
  char line[kRemoteLineChars + 1];
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) return;
  OsLockGuard guard(r.lock);
  if (r.server != nullptr) RemotePublish(r.server, line);
}

void OnStatusLine(const char* text) {
  WindowRemote& r = Remote();
  {
    OsLockGuard guard(r.lock);
    snprintf(r.status, sizeof r.status, "%s", text);
  }
  Publish("event status %s", text);
}

void OnPanelSelection(int32_t index) {
  if (Remote().listSelection.exchange(index) != index) Publish("event selected %d", static_cast<int>(index + 1));
}

void OnNotification(const Notification& n) {
  Publish("event notify %u %u %d", n.camera + 1, n.code, static_cast<int>(n.value));
}

// The host's actions: each only posts, never waits for the user-interface thread.
void PostSelect(void*, int32_t index) { PostMessageA(hMainWnd, kRemoteSelectMessage, static_cast<WPARAM>(index), 0); }
void PostRecallCheck(void*, int32_t, int32_t n) {
  PostMessageA(hMainWnd, kRemoteRecallMessage, static_cast<WPARAM>(n), 0);
}
void PostMirror(void*, uint32_t code, int32_t a) {
  PostMessageA(hMainWnd, kRemoteMirrorMessage, static_cast<WPARAM>(code), static_cast<LPARAM>(a));
}
void CopyStatus(void*, char* out, size_t size) {
  WindowRemote& r = Remote();
  OsLockGuard guard(r.lock);
  snprintf(out, size, "%s", r.status);
}

int32_t ListSelection(void*) { return Remote().listSelection.load(); }

void SetHost(WindowRemote& r, const RemoteConfig& config) {
  CommandHost& host = r.commands.host;
  host.controller = pController;
  host.select = PostSelect;
  host.recall = PostRecallCheck;
  host.mirror = PostMirror;
  host.statusText = CopyStatus;
  host.rawAllowed = config.raw;
  host.names = pNames.load();
  // The text shown now, and the camera the list shows.
  GetDlgItemTextA(hPage[0], IDC_STATUS, r.status, sizeof r.status);
  r.listSelection = SelectedCamera();
  r.commands.listSelection = ListSelection;
}

}  // namespace

void StartWindowRemote(const char* iniFile) {
  WindowRemote& r = Remote();
  RemoteConfig config;
  char status[kRemoteStatusChars] = {};
  RemoteServer* server = nullptr;
  if (LoadRemoteConfigFile(iniFile, &config, status, sizeof status) && config.listen &&
      CheckRemoteConfig(&config, status, sizeof status)) {
    SetHost(r, config);
    server = RemoteServerStart(config, ConnectionCommandHandler(&r.commands), status, sizeof status);
  }
  if (status[0] != 0) SetStatus("%s", status);
  if (server == nullptr) return;
  {
    OsLockGuard guard(r.lock);
    r.server = server;
    r.active = true;
  }
  WatchStatusLine(OnStatusLine);
  WatchPanelSelection(OnPanelSelection);
  WatchNotifications(OnNotification);
}

void StopWindowRemote() {
  WindowRemote& r = Remote();
  RemoteServer* server = nullptr;
  {
    OsLockGuard guard(r.lock);
    server = r.server;
    r.server = nullptr;
    r.active = false;
  }
  if (server == nullptr) return;
  WatchStatusLine(nullptr);
  WatchPanelSelection(nullptr);
  WatchNotifications(nullptr);
  // False: the thread did not end in time and is left to the process's end.
  RemoteServerStop(server);
}
