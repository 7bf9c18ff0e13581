#include "cli/headless_panel.h"

#include "common/control_ids.h"
#include "common/text.h"

HeadlessPanel CreateHeadlessPanel() {
  HWND page = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "Orvalix");
  hPage[0] = page;
  curPage = 0;
  HeadlessPanel panel;
  panel.status = FakeCreateWindow(FAKE_STATIC, page, IDC_STATUS);
  panel.cameraList = FakeCreateWindow(FAKE_LISTBOX, page, IDC_CAMERA_LIST);
  const int sliders[] = {IDC_ZOOM_SLIDER, IDC_BRIGHT_SLIDER, IDC_FOCUS_SLIDER, IDC_SHARP_SLIDER, IDC_LEVEL_SLIDER};
  for (int id : sliders) FakeCreateWindow(FAKE_TRACKBAR, page, id);
  const int boxes[] = {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE};
  for (int id : boxes) FakeCreateWindow(FAKE_EDIT, page, id);
  FakeCreateWindow(FAKE_STATIC, page, IDC_BRIGHT_LABEL, "Brightness");
  FakeCreateWindow(FAKE_STATIC, page, IDC_LEVEL_LABEL, "Exp. Level");
  const int buttons[] = {IDC_POWER,   IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS,    IDC_FREEZE,
                         IDC_RECALL1, IDC_RECALL2,       IDC_RECALL3,    IDC_RECALL4, IDC_RECALL5};
  for (int id : buttons) FakeCreateWindow(FAKE_BUTTON, page, id);
  return panel;
}
