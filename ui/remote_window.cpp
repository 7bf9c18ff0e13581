#include "ui/remote_window.h"

#include "command/connection_commands.h"
#include "common/control_ids.h"
#include "common/text.h"
#include "panel/camera_names.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_watch.h"
#include "platform/os.h"
#include "remote/event_lines.h"
#include "remote/remote_config.h"
#include "remote/remote_server.h"
#include "ui/remote_messages.h"
#include "ui/ui_globals.h"

#include <atomic>
#include <cstdio>

namespace {

constexpr size_t kStatusCopyChars = 256;

struct WindowRemote {
  RemoteServer* server = nullptr;  // user-interface thread
  OsLock lock;                     // the status line's copy
  char status[kStatusCopyChars] = "";
  ConnectionCommands commands;
  // The camera the panel shows or is about to show, -1 for none: a select
  // posted counts at once, so the next connection starts on it. Any thread.
  std::atomic<int32_t> listSelection{-1};
  std::atomic<int32_t> announced{-1};  // the camera the last `event selected` named
};

// Built on first use, so it outlives every thread that publishes.
WindowRemote& Remote() {
  static WindowRemote* remote = new WindowRemote;
  return *remote;
}

void OnStatusLine(const char* text) {
  WindowRemote& r = Remote();
  {
    OsLockGuard guard(r.lock);
    snprintf(r.status, sizeof r.status, "%s", text);
  }
  PublishEvent("event status %s", text);
}

void OnPanelSelection(int32_t index) {
  WindowRemote& r = Remote();
  r.listSelection = index;
  if (r.announced.exchange(index) != index) PublishEvent("event selected %d", static_cast<int>(index + 1));
}

void OnNotification(const Notification& n) {
  PublishEvent("event notify %u %u %d", n.camera + 1, n.code, static_cast<int>(n.value));
}

// The host's actions: each only posts, never waits for the user-interface thread.
void PostSelect(void*, int32_t index) {
  Remote().listSelection = index;
  PostMessageA(hMainWnd, kRemoteSelectMessage, static_cast<WPARAM>(index), 0);
}
void PostRecallCheck(void*, int32_t index, int32_t n) {
  PostMessageA(hMainWnd, kRemoteRecallMessage, static_cast<WPARAM>(n), static_cast<LPARAM>(index));
}
void PostMirror(void*, int32_t index, uint32_t code, int32_t a) {
  PostMessageA(hMainWnd, kRemoteMirrorMessage, MAKEWPARAM(code, index), static_cast<LPARAM>(a));
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
  {
    OsLockGuard guard(r.lock);
    GetDlgItemTextA(hPage[0], IDC_STATUS, r.status, sizeof r.status);
  }
  r.listSelection = SelectedCamera();
  r.announced = r.listSelection.load();
  r.commands.listSelection = ListSelection;
}

void Watch(bool on) {
  WatchStatusLine(on ? OnStatusLine : nullptr);
  WatchPanelSelection(on ? OnPanelSelection : nullptr);
  WatchNotifications(on ? OnNotification : nullptr);
}

}  // namespace

void StartWindowRemote(const char* iniFile) {
  WindowRemote& r = Remote();
  RemoteConfig config;
  char status[kRemoteStatusChars] = {};
  if (LoadRemoteConfigFile(iniFile, &config, status, sizeof status) && config.listen &&
      CheckRemoteConfig(&config, status, sizeof status)) {
    // Watching first: a text the worker sets while the host copies the one shown is not missed.
    Watch(true);
    SetHost(r, config);
    r.server = RemoteServerStart(config, ConnectionCommandHandler(&r.commands), status, sizeof status);
    if (r.server == nullptr) Watch(false);
  }
  if (status[0] != 0) SetStatus("%s", status);
  SetEventServer(r.server);
}

bool StopWindowRemote() {
  WindowRemote& r = Remote();
  if (r.server == nullptr) return true;
  SetEventServer(nullptr);
  Watch(false);
  const bool stopped = RemoteServerStop(r.server);
  r.server = nullptr;
  return stopped;
}
