// In-memory window table behind the seam in the native build. It keeps what
// the code under test did to each control so tests can assert on it, and
// imitates the user32 behaviour the program relies on: trackbars clamp, list
// boxes keep order and answer LB_ERR, texts are cut to the caller's buffer,
// calls on dead windows fail, the focus is set only by the owner thread.
#include "platform/fakewin.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct FakeWindow {
  FakeClass cls;
  HWND parent;
  int id;
  bool alive = true;
  bool enabled = true;
  std::string text;
  std::vector<std::string> history;
  std::vector<std::string> items;
  int curSel = LB_ERR;
  int check = BST_UNCHECKED;
  int rangeMin = 0;
  int rangeMax = 100;
  int pos = 0;
  int ticFreq = 1;
  int updates = 0;
  FakeWindowProc proc = nullptr;
};

namespace {

struct SentCall {
  std::function<void()> run;
  bool done = false;  // guarded by Table::sendMutex
};

struct Table {
  std::recursive_mutex m;
  std::vector<std::unique_ptr<FakeWindow>> windows;
  std::vector<FakePosted> posted;
  std::vector<FakeMessageBox> boxes;
  HWND focus = nullptr;

  // Owner-thread emulation of cross-thread SendMessage.
  std::mutex sendMutex;
  std::condition_variable sendCv;
  bool ownerSet = false;
  std::thread::id owner;
  std::vector<SentCall*> pending;
};

Table& T() {
  static Table t;
  return t;
}

thread_local DWORD threadLastError = 0;

// Runs `call` as the owner thread would handle a sent message: at once on the
// owner (or when there is none), else queued and waited for.
template <class R, class F>
R Sent(F call) {
  Table& t = T();
  {
    std::unique_lock<std::mutex> lk(t.sendMutex);
    if (t.ownerSet && std::this_thread::get_id() != t.owner) {
      R result{};
      SentCall sent;
      sent.run = [&] { result = call(); };
      t.pending.push_back(&sent);
      t.sendCv.notify_all();
      t.sendCv.wait(lk, [&] { return sent.done; });
      return result;
    }
  }
  return call();
}

FakeWindow* Find(HWND wnd) {
  Table& t = T();
  for (auto& w : t.windows)
    if (w.get() == wnd) return w->alive ? w.get() : nullptr;
  return nullptr;
}

FakeWindow* Child(HWND dlg, int id) {
  if (!Find(dlg)) return nullptr;
  for (auto& w : T().windows)
    if (w->alive && w->parent == dlg && w->id == id) return w.get();
  return nullptr;
}

void SetText(FakeWindow* w, const char* text) {
  w->text = text ? text : "";
  w->history.push_back(w->text);
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A family of messages answers those it knows; for any other it clears *known.
typedef LRESULT (*MessageFamily)(FakeWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* known);

LRESULT TextMessage(FakeWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* known) {
  switch (msg) {
    case WM_SETTEXT:
      SetText(w, reinterpret_cast<const char*>(lp));
      return TRUE;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lp);
      int size = static_cast<int>(wp);
      if (!buf || size <= 0) return 0;
      int n = std::min<int>(size - 1, static_cast<int>(w->text.size()));
      memcpy(buf, w->text.data(), n);
      buf[n] = 0;
      return n;
    }
    default:
      *known = false;
      return 0;
  }
}

LRESULT ButtonMessage(FakeWindow* w, UINT msg, WPARAM wp, LPARAM, bool* known) {
  switch (msg) {
    case BM_GETCHECK:
      return w->check;
    case BM_SETCHECK:
      w->check = static_cast<int>(wp);
      return 0;
    default:
      *known = false;
      return 0;
  }
}

LRESULT ListBoxMessage(FakeWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* known) {
  switch (msg) {
    case LB_ADDSTRING:
      w->items.push_back(lp ? reinterpret_cast<const char*>(lp) : "");
      return static_cast<LRESULT>(w->items.size() - 1);
    case LB_INSERTSTRING: {
      // A selection at or after the new entry moves down with its entry.
      int i = static_cast<int>(static_cast<intptr_t>(wp));
      if (i < 0 || i > static_cast<int>(w->items.size())) return LB_ERR;
      w->items.insert(w->items.begin() + i, lp ? reinterpret_cast<const char*>(lp) : "");
      if (w->curSel >= i) w->curSel++;
      return i;
    }
    case LB_DELETESTRING: {
      // Deleting the selected entry leaves none selected; a later one moves up.
      int i = static_cast<int>(static_cast<intptr_t>(wp));
      if (i < 0 || i >= static_cast<int>(w->items.size())) return LB_ERR;
      w->items.erase(w->items.begin() + i);
      w->curSel = w->curSel == i ? LB_ERR : (w->curSel > i ? w->curSel - 1 : w->curSel);
      return static_cast<LRESULT>(w->items.size());
    }
    case LB_RESETCONTENT:
      w->items.clear();
      w->curSel = LB_ERR;
      return 0;
    case LB_SETCURSEL: {
      int i = static_cast<int>(static_cast<intptr_t>(wp));
      if (i < 0 || i >= static_cast<int>(w->items.size())) {
        w->curSel = LB_ERR;
        return LB_ERR;
      }
      w->curSel = i;
      return i;
    }
    case LB_GETCURSEL:
      return w->curSel;
    case LB_GETCOUNT:
      return static_cast<LRESULT>(w->items.size());
    case LB_GETTEXT: {
      int i = static_cast<int>(wp);
      if (i < 0 || i >= static_cast<int>(w->items.size()) || !lp) return LB_ERR;
      strcpy(reinterpret_cast<char*>(lp), w->items[i].c_str());
      return static_cast<LRESULT>(w->items[i].size());
    }
    default:
      *known = false;
      return 0;
  }
}

LRESULT TrackbarMessage(FakeWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* known) {
  switch (msg) {
    case TBM_GETPOS:
      return w->pos;
    case TBM_GETRANGEMIN:
      return w->rangeMin;
    case TBM_GETRANGEMAX:
      return w->rangeMax;
    case TBM_SETPOS:
      w->pos = Clamp(static_cast<int>(lp), w->rangeMin, w->rangeMax);
      return 0;
    case TBM_SETRANGE:
      w->rangeMin = static_cast<int16_t>(lp & 0xFFFF);
      w->rangeMax = static_cast<int16_t>((lp >> 16) & 0xFFFF);
      w->pos = Clamp(w->pos, w->rangeMin, w->rangeMax);
      return 0;
    case TBM_SETTICFREQ:
      w->ticFreq = static_cast<int>(wp);
      return 0;
    default:
      *known = false;
      return 0;
  }
}

const MessageFamily kMessageFamilies[] = {TextMessage, ButtonMessage, ListBoxMessage, TrackbarMessage};

// What the control itself does not answer goes to the window's procedure.
LRESULT Dispatch(FakeWindow* w, UINT msg, WPARAM wp, LPARAM lp) {
  for (MessageFamily family : kMessageFamilies) {
    bool known = true;
    const LRESULT result = family(w, msg, wp, lp, &known);
    if (known) return result;
  }
  return w->proc ? w->proc(w, msg, wp, lp) : 0;
}

}  // namespace

HWND FakeCreateWindow(FakeClass cls, HWND parent, int id, const char* text) {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lk(t.m);
  auto w = std::make_unique<FakeWindow>();
  w->cls = cls;
  w->parent = parent;
  w->id = id;
  w->text = text ? text : "";
  HWND h = w.get();
  t.windows.push_back(std::move(w));
  return h;
}

void FakeDestroyWindow(HWND wnd) {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lk(t.m);
  FakeWindow* w = Find(wnd);
  if (!w) return;
  w->alive = false;
  for (auto& c : t.windows)
    if (c->alive && c->parent == wnd) FakeDestroyWindow(c.get());
  if (t.focus == wnd) t.focus = nullptr;
}

void FakeReset() {
  FakeReleaseOwner();
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lk(t.m);
  t.windows.clear();
  t.posted.clear();
  t.boxes.clear();
  t.focus = nullptr;
}

bool FakeIsWindow(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  return Find(wnd) != nullptr;
}

std::string FakeGetText(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w ? w->text : std::string();
}

std::vector<std::string> FakeTextHistory(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w ? w->history : std::vector<std::string>();
}

std::vector<std::string> FakeListItems(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w ? w->items : std::vector<std::string>();
}

int FakeUpdateCount(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w ? w->updates : 0;
}

int FakeTicFreq(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w ? w->ticFreq : 0;
}

void FakeSetWindowProc(HWND wnd, FakeWindowProc proc) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  if (FakeWindow* w = Find(wnd)) w->proc = proc;
}

HWND FakeGetFocus() {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  return T().focus;
}

std::vector<FakePosted> FakePostedMessages() {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  return T().posted;
}

std::vector<FakeMessageBox> FakeMessageBoxes() {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  return T().boxes;
}

void FakeBecomeOwner() {
  Table& t = T();
  std::lock_guard<std::mutex> lk(t.sendMutex);
  t.ownerSet = true;
  t.owner = std::this_thread::get_id();
}

void FakeReleaseOwner() {
  Table& t = T();
  std::vector<SentCall*> pending;
  {
    // Calls made from now on run directly; those already waiting run here.
    std::lock_guard<std::mutex> lk(t.sendMutex);
    t.ownerSet = false;
    pending.swap(t.pending);
  }
  for (SentCall* sent : pending) {
    sent->run();
    std::lock_guard<std::mutex> lk(t.sendMutex);
    sent->done = true;
    t.sendCv.notify_all();
  }
}

int FakePendingSentCount() {
  Table& t = T();
  std::lock_guard<std::mutex> lk(t.sendMutex);
  return static_cast<int>(t.pending.size());
}

void DispatchIncomingSentMessages() {
  Table& t = T();
  std::unique_lock<std::mutex> lk(t.sendMutex);
  if (!t.ownerSet || std::this_thread::get_id() != t.owner) return;
  while (!t.pending.empty()) {
    SentCall* sent = t.pending.front();
    t.pending.erase(t.pending.begin());
    lk.unlock();
    sent->run();
    lk.lock();
    sent->done = true;
    t.sendCv.notify_all();
  }
}

BOOL SetDlgItemTextA(HWND dlg, int id, LPCSTR text) {
  return Sent<BOOL>([=] {
    std::lock_guard<std::recursive_mutex> lk(T().m);
    FakeWindow* w = Child(dlg, id);
    if (!w) return FALSE;
    SetText(w, text);
    return TRUE;
  });
}

UINT GetDlgItemTextA(HWND dlg, int id, LPSTR buf, int size) {
  return Sent<UINT>([=] {
    std::lock_guard<std::recursive_mutex> lk(T().m);
    FakeWindow* w = Child(dlg, id);
    if (!w) {
      if (buf && size > 0) buf[0] = 0;
      return 0u;
    }
    return static_cast<UINT>(Dispatch(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buf)));
  });
}

HWND GetDlgItem(HWND dlg, int id) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  return Child(dlg, id);
}

LRESULT SendMessageA(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return Sent<LRESULT>([=] {
    std::lock_guard<std::recursive_mutex> lk(T().m);
    FakeWindow* w = Find(wnd);
    return w ? Dispatch(w, msg, wp, lp) : 0;
  });
}

LRESULT SendDlgItemMessageA(HWND dlg, int id, UINT msg, WPARAM wp, LPARAM lp) {
  return SendMessageA(GetDlgItem(dlg, id), msg, wp, lp);
}

BOOL PostMessageA(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  if (!Find(wnd)) return FALSE;
  T().posted.push_back(FakePosted{wnd, msg, wp, lp});
  return TRUE;
}

BOOL EnableWindow(HWND wnd, BOOL enable) {
  return Sent<BOOL>([=] {
    std::lock_guard<std::recursive_mutex> lk(T().m);
    FakeWindow* w = Find(wnd);
    if (!w) return FALSE;
    BOOL wasDisabled = !w->enabled;
    w->enabled = enable != FALSE;
    return wasDisabled;
  });
}

BOOL IsWindowEnabled(HWND wnd) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w && w->enabled;
}

UINT IsDlgButtonChecked(HWND dlg, int id) { return static_cast<UINT>(SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0)); }

BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
  HWND w = GetDlgItem(dlg, id);
  if (!w) return FALSE;
  SendMessageA(w, BM_SETCHECK, check, 0);
  return TRUE;
}

LONG GetWindowLongA(HWND wnd, int index) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  FakeWindow* w = Find(wnd);
  return w && index == GWL_ID ? w->id : 0;
}

// The focus belongs to the thread that owns the windows: called from any
// other thread it fails and changes nothing, as user32's SetFocus does.
HWND SetFocus(HWND wnd) {
  Table& t = T();
  {
    std::lock_guard<std::mutex> lk(t.sendMutex);
    if (t.ownerSet && std::this_thread::get_id() != t.owner) return nullptr;
  }
  std::lock_guard<std::recursive_mutex> lk(t.m);
  if (wnd && !Find(wnd)) return nullptr;
  HWND previous = t.focus;
  t.focus = wnd;
  return previous;
}

BOOL UpdateWindow(HWND wnd) {
  return Sent<BOOL>([=] {
    std::lock_guard<std::recursive_mutex> lk(T().m);
    FakeWindow* w = Find(wnd);
    if (!w) return FALSE;
    w->updates++;
    return TRUE;
  });
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  std::lock_guard<std::recursive_mutex> lk(T().m);
  T().boxes.push_back(FakeMessageBox{text ? text : "", caption ? caption : "", type});
  return 1;  // IDOK
}

DWORD GetLastError() { return threadLastError; }
void SetLastError(DWORD code) { threadLastError = code; }

DWORD FormatMessageA(DWORD flags, const void*, DWORD code, DWORD, LPSTR buf, DWORD size, void*) {
  // The handful of system messages the program can meet, worded as Windows
  // words them, with the CR LF that system messages end with.
  static const struct {
    DWORD code;
    const char* text;
  } kMessages[] = {
      {0, "The operation completed successfully.\r\n"},
      {2, "The system cannot find the file specified.\r\n"},
      {5, "Access is denied.\r\n"},
      {6, "The handle is invalid.\r\n"},
      {8, "Not enough memory resources are available to process this command.\r\n"},
      {87, "The parameter is incorrect.\r\n"},
      {1813, "The specified resource type cannot be found in the image file.\r\n"},
  };
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buf || size == 0) return 0;
  for (const auto& m : kMessages) {
    if (m.code != code) continue;
    size_t n = strlen(m.text);
    if (n >= size) return 0;
    memcpy(buf, m.text, n + 1);
    return static_cast<DWORD>(n);
  }
  return 0;
}
