// Discovery, initialisation and one request end to end on Windows. The test
// script maps COM1 to virtual cameras 0x66 and 0x4B, COM2 to a 0x5F camera,
// COM3 to an echoing pty (a line whose only "camera" is a loop back), and the
// other ports to nothing.
#include "common/control_ids.h"
#include "common/text.h"
#include "engine/camera_controller.h"
#include "panel/window_hooks.h"
#include "requests/request_codes.h"
#include "requests/zoom_scale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Panel {
  HWND page = nullptr;

  Panel() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    page = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, inst, nullptr);
    Child("EDIT", IDC_STATUS, ES_READONLY);
    Child("LISTBOX", IDC_CAMERA_LIST, 0);
    Child("BUTTON", IDC_EXPOSURE_AUTO, BS_AUTOCHECKBOX);
    Child("BUTTON", IDC_IRIS, BS_AUTOCHECKBOX);
    for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) Child("BUTTON", id, BS_AUTORADIOBUTTON);
    hPage[0] = page;
    curPage = 0;
  }
  ~Panel() {
    hPage[0] = nullptr;
    DestroyWindow(page);
  }
  void Child(const char* cls, int id, DWORD style) {
    CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 100, 20, page,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  }
  std::string Status() const {
    char text[256];
    GetDlgItemTextA(page, IDC_STATUS, text, sizeof text);
    return text;
  }
  std::vector<std::string> ListItems() const {
    std::vector<std::string> items;
    int n = static_cast<int>(SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
      char text[64] = "";
      SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }
};

// Runs the user-interface thread's part (the worker's status and list updates
// are messages sent to it) until done() holds or the time runs out.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return true;
}

TEST(EngineOnWine, FindsInitialisesAndDrivesTheVirtualCameras) {
  Panel panel;
  InstallPanelHooks(WindowHooks());
  CameraController* c = CreateCameraController();
  ASSERT_NE(nullptr, c);
  ASSERT_TRUE(PumpUntil([&] { return c->listReady.load() == 1; }, 60000)) << panel.Status();
  EXPECT_EQ("3 Cameras OK, none selected", panel.Status());
  EXPECT_EQ((std::vector<std::string>{"Camera 1", "Camera 2", "Camera 3"}), panel.ListItems());
  ASSERT_EQ(3, c->cameraCount.load());
  const int32_t ports[] = {0, 0, 1}, addresses[] = {1, 2, 1}, models[] = {0x66, 0x4B, 0x5F};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(ports[i], c->cameras[i].port) << i;
    EXPECT_EQ(addresses[i], c->cameras[i].address) << i;
    EXPECT_EQ(models[i], c->cameras[i].modelCode) << i;
    EXPECT_EQ(1, c->cameras[i].powerOn) << i;
  }
  EXPECT_EQ(nullptr, c->channels[3]) << "COM4 never opened";
  EXPECT_NE(nullptr, c->channels[2]) << "a line that echoes is not silent, even with no camera";

  // Select camera 2 as the panel does, then zoom it.
  SelectCamera(c, 1);
  const ZoomTable& table = ZoomTableOfModel(0x4B);
  c->requestQueue->Put(1, REQ_ZOOM_DIRECT, 40, 0);
  uint32_t cam = 0, code = 0, value = 0, unused = 0;
  ASSERT_TRUE(PumpUntil(
      [&] {
        while (c->notifyQueue->TryGet(cam, code, value, unused))
          if (code == 1) return true;
        return false;
      },
      20000));
  EXPECT_EQ(1u, cam);
  EXPECT_EQ(static_cast<uint32_t>(ZoomForward(table, 40)), value);
  EXPECT_EQ(ZoomForward(table, 40), c->cameras[1].zoomPos);

  // Teardown while the idle poll keeps the worker talking to the panel.
  DestroyCameraController(c);
}

}  // namespace
