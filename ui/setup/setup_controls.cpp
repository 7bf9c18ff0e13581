#include "ui/setup/setup_controls.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_globals.h"
#include "ui/setup/group_forwarding.h"
#include "ui/slider_steps.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

#include <atomic>

namespace {

enum ControlKind {
  KIND_GROUP,
  KIND_GROUP_TAB,
  KIND_RADIO,
  KIND_CHECK,
  KIND_PUSH,
  KIND_STEP_MINUS,
  KIND_STEP_PLUS,
  KIND_LABEL,
  KIND_VALUE,
  KIND_SLIDER_RED,
  KIND_SLIDER_BLUE,
};

struct KindStyle {
  const char* className;
  DWORD style;
};

// The style words as the dialog's controls were designed; the clipping
// flags differ between kinds.
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kClipped = kChild | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Indexed by ControlKind.
const KindStyle kKindStyles[] = {
    {"BUTTON", kChild | BS_GROUPBOX},
    {"BUTTON", kChild | WS_TABSTOP | BS_GROUPBOX},
    {"BUTTON", kClipped | WS_TABSTOP | BS_AUTORADIOBUTTON},
    {"BUTTON", kClipped | WS_TABSTOP | BS_AUTOCHECKBOX},
    {"BUTTON", kClipped | WS_TABSTOP | BS_PUSHBUTTON},
    {"BUTTON", kClipped | WS_TABSTOP | BS_BITMAP},
    {"BUTTON", kClipped | WS_TABSTOP | BS_BITMAP},
    {"STATIC", kClipped | SS_LEFT},
    {"EDIT", kChild | WS_TABSTOP | ES_READONLY | ES_CENTER},
    {TRACKBAR_CLASSA, kChild | TBS_AUTOTICKS},
    {TRACKBAR_CLASSA, kClipped | TBS_AUTOTICKS},
};

struct SetupControl {
  std::atomic<HWND>* parent;  // a kept group box; null for the dialog
  ControlKind kind;
  DWORD exStyle;
  const char* caption;
  int id;
  int x, y, w, h;
  std::atomic<HWND>* keep;  // where a group box's handle is kept, if it is
};

// Creation order is tab order among siblings. "Rotate " lies inside the
// Picture Effect box but belongs to the dialog.
const SetupControl kSetupControls[] = {
    {nullptr, KIND_CHECK, 0, "Rotate ", IDC_ROTATE, 31, 353, 80, 20, nullptr},
    {nullptr, KIND_GROUP_TAB, 0, "White Balance", 0, 20, 20, 125, 180, &hWbGroup},
    {&hWbGroup, KIND_RADIO, 0, "Cold", IDC_WB_COLD, 10, 25, 100, 20, nullptr},
    {&hWbGroup, KIND_RADIO, 0, "Warm", IDC_WB_WARM, 10, 50, 100, 20, nullptr},
    {&hWbGroup, KIND_RADIO, 0, "LED", IDC_WB_LED, 10, 75, 100, 20, nullptr},
    {&hWbGroup, KIND_RADIO, 0, "One Push", IDC_WB_ONE_PUSH, 10, 100, 100, 20, nullptr},
    {&hWbGroup, KIND_RADIO, 0, "Auto", IDC_WB_AUTO, 10, 125, 100, 20, nullptr},
    {&hWbGroup, KIND_RADIO, 0, "Manual", IDC_WB_MANUAL, 10, 150, 100, 20, nullptr},
    {nullptr, KIND_GROUP_TAB, WS_EX_TRANSPARENT, "Manual WB", 0, 170, 20, 365, 180, nullptr},
    {nullptr, KIND_LABEL, 0, "R-Gain", IDC_R_GAIN_LABEL, 205, 50, 50, 20, nullptr},
    {nullptr, KIND_SLIDER_RED, 0, "", IDC_R_GAIN_SLIDER, 225, 75, 220, 32, nullptr},
    {nullptr, KIND_STEP_MINUS, 0, "", IDC_R_GAIN_MINUS, 205, 70, 20, 20, nullptr},
    {nullptr, KIND_STEP_PLUS, 0, "", IDC_R_GAIN_PLUS, 445, 70, 20, 20, nullptr},
    {nullptr, KIND_VALUE, 0, "", IDC_R_GAIN_VALUE, 470, 70, 35, 20, nullptr},
    {nullptr, KIND_LABEL, 0, "B-Gain", IDC_B_GAIN_LABEL, 210, 125, 50, 20, nullptr},
    {nullptr, KIND_SLIDER_BLUE, 0, "", IDC_B_GAIN_SLIDER, 225, 150, 220, 32, nullptr},
    {nullptr, KIND_STEP_MINUS, 0, "", IDC_B_GAIN_MINUS, 205, 145, 20, 20, nullptr},
    {nullptr, KIND_STEP_PLUS, 0, "", IDC_B_GAIN_PLUS, 445, 145, 20, 20, nullptr},
    {nullptr, KIND_VALUE, 0, "", IDC_B_GAIN_VALUE, 470, 145, 35, 20, nullptr},
    {nullptr, KIND_LABEL, 0, "Preset", IDC_LABEL, 20, 405, 50, 20, nullptr},
    {nullptr, KIND_RADIO, 0, "1", IDC_SETUP_PRESET_1, 92, 405, 40, 20, nullptr},
    {nullptr, KIND_RADIO, 0, "2", IDC_SETUP_PRESET_2, 134, 405, 40, 20, nullptr},
    {nullptr, KIND_RADIO, 0, "3", IDC_SETUP_PRESET_3, 176, 405, 40, 20, nullptr},
    {nullptr, KIND_RADIO, 0, "4", IDC_SETUP_PRESET_4, 218, 405, 40, 20, nullptr},
    {nullptr, KIND_RADIO, 0, "5", IDC_SETUP_PRESET_5, 260, 405, 40, 20, nullptr},
    {nullptr, KIND_PUSH, 0, "Exit", IDC_SETUP_EXIT, 430, 440, 100, 25, nullptr},
    {nullptr, KIND_PUSH, 0, "Save", IDC_PRESET_SAVE, 92, 440, 198, 25, nullptr},
    {nullptr, KIND_GROUP, 0, "Picture Effect", 0, 20, 218, 125, 158, &hEffectGroup},
    {&hEffectGroup, KIND_RADIO, 0, "Normal", IDC_EFFECT_NORMAL, 10, 25, 100, 20, nullptr},
    {&hEffectGroup, KIND_RADIO, 0, "BW", IDC_EFFECT_BW, 10, 61, 100, 20, nullptr},
    {&hEffectGroup, KIND_RADIO, 0, "Negative", IDC_EFFECT_NEGATIVE, 10, 97, 100, 20, nullptr},
    {nullptr, KIND_GROUP, 0, "", 0, 165, 342, 125, 35, &hNirGroup},
    {&hNirGroup, KIND_CHECK, 0, "NIR Vision", IDC_NIR_VISION, 10, 11, 100, 20, nullptr},
    {nullptr, KIND_GROUP, 0, "Gamma", 0, 165, 218, 125, 120, &hGammaGroup},
    {&hGammaGroup, KIND_RADIO, 0, "Normal", IDC_GAMMA_NORMAL, 10, 25, 100, 20, nullptr},
    {&hGammaGroup, KIND_RADIO, 0, "Type 1", IDC_GAMMA_TYPE1, 10, 55, 100, 20, nullptr},
    {&hGammaGroup, KIND_RADIO, 0, "Type 2", IDC_GAMMA_TYPE2, 10, 85, 100, 20, nullptr},
    {nullptr, KIND_GROUP, 0, "Video Out Mode", 0, 310, 218, 225, 168, &hVideoGroup},
    {&hVideoGroup, KIND_RADIO, 0, "1080p/59.94p", IDC_VIDEO_1080P_5994, 5, 25, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "1080p/29.97", IDC_VIDEO_1080P_2997, 5, 55, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "1080i/59.94", IDC_VIDEO_1080I_5994, 5, 85, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "720p/59.94", IDC_VIDEO_720P_5994, 5, 115, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "NTSC", IDC_VIDEO_NTSC, 5, 145, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "1080p/50", IDC_VIDEO_1080P_50, 115, 25, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "1080p/25", IDC_VIDEO_1080P_25, 115, 55, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "1080i/50", IDC_VIDEO_1080I_50, 115, 85, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "720p/50", IDC_VIDEO_720P_50, 115, 115, 100, 20, nullptr},
    {&hVideoGroup, KIND_RADIO, 0, "PAL", IDC_VIDEO_PAL, 115, 145, 100, 20, nullptr},
};

// Until the camera's gains arrive.
constexpr int kGainMin = 0;
constexpr int kGainMax = 255;
constexpr int kGainStart = 50;
constexpr int kGainTickEvery = 11;

// Room kept beyond the farthest control.
constexpr int kFitMargin = 10;

// The controls are placed in pixels, the dialog is sized in dialog units of
// its font. Where that font comes out smaller than designed (Wine substitutes
// MS Sans Serif), the dialog grows until "Save" and "Exit" are inside it.
void FitDialogToControls(HWND dialog) {
  RECT needed = {0, 0, 0, 0};
  for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    if (r.right + kFitMargin > needed.right) needed.right = r.right + kFitMargin;
    if (r.bottom + kFitMargin > needed.bottom) needed.bottom = r.bottom + kFitMargin;
  }
  RECT client;
  GetClientRect(dialog, &client);
  if (client.right >= needed.right && client.bottom >= needed.bottom) return;
  if (needed.right < client.right) needed.right = client.right;
  if (needed.bottom < client.bottom) needed.bottom = client.bottom;
  AdjustWindowRectEx(&needed, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, needed.right - needed.left, needed.bottom - needed.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetUpGainSlider(HWND slider) {
  SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(kGainMin, kGainMax));
  SendMessageA(slider, TBM_SETPOS, TRUE, kGainStart);
  SendMessageA(slider, TBM_SETTICFREQ, kGainTickEvery, 0);
}

void SetStepImage(HWND button, HBITMAP image) {
  SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

void CreateSetupControl(HWND dialog, const SetupControl& c) {
  const KindStyle& kind = kKindStyles[c.kind];
  HWND parent = c.parent ? c.parent->load() : dialog;
  HWND control = CreateWindowExA(c.exStyle, kind.className, c.caption, kind.style, c.x, c.y, c.w, c.h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), hInst, nullptr);
  switch (c.kind) {
    case KIND_GROUP:
    case KIND_GROUP_TAB:
      if (c.keep) {
        c.keep->store(control);
        ForwardCommandsToParent(control);
      }
      break;
    case KIND_SLIDER_RED:
    case KIND_SLIDER_BLUE:
      SetUpGainSlider(control);
      StepSliderByWheel(control);
      break;
    case KIND_STEP_MINUS:
      SetStepImage(control, hbmMinus);
      break;
    case KIND_STEP_PLUS:
      SetStepImage(control, hbmPlus);
      break;
    default:
      break;
  }
}

}  // namespace

void CreateSetupControls(HWND dialog) {
  hSetupDlg = dialog;
  for (const SetupControl& c : kSetupControls) CreateSetupControl(dialog, c);
  FitDialogToControls(dialog);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
}
