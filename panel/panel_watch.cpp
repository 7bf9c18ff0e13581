#include "panel/panel_watch.h"

#include <atomic>

namespace {

std::atomic<void (*)(int32_t)> selectionWatcher{nullptr};
std::atomic<void (*)(const Notification&)> notificationWatcher{nullptr};

}  // namespace

void WatchPanelSelection(void (*watch)(int32_t index)) { selectionWatcher = watch; }
void WatchNotifications(void (*watch)(const Notification& n)) { notificationWatcher = watch; }

void TellPanelSelection(int32_t index) {
  if (void (*watch)(int32_t) = selectionWatcher.load()) watch(index);
}

void TellNotification(const Notification& n) {
  if (void (*watch)(const Notification&) = notificationWatcher.load()) watch(n);
}
