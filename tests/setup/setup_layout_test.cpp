// The Setup dialog as created on its empty template: the template, every
// control with its parent, class, style, id and place, the kept handles, the
// gain sliders and step images, and how each radio set behaves on its own.
#include "setup_rig.h"

#include "ui/ui_globals.h"

#include <commctrl.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

using SetupLayout = SetupTest;

// Parents as the controls name them.
enum Parent { DIALOG, WB, EFFECT, NIR, GAMMA, VIDEO };

struct ExpectedControl {
  Parent parent;
  const char* cls;
  DWORD style;
  DWORD exStyle;
  const char* caption;
  int id;
  int x, y, w, h;
};

const ExpectedControl kControls[] = {
    {DIALOG, "Button", 0x56010003, 0, "Rotate ", 8220, 31, 353, 80, 20},
    {DIALOG, "Button", 0x50010007, 0, "White Balance", 0, 20, 20, 125, 180},
    {WB, "Button", 0x56010009, 0, "Cold", 8228, 10, 25, 100, 20},
    {WB, "Button", 0x56010009, 0, "Warm", 8229, 10, 50, 100, 20},
    {WB, "Button", 0x56010009, 0, "LED", 8230, 10, 75, 100, 20},
    {WB, "Button", 0x56010009, 0, "One Push", 8233, 10, 100, 100, 20},
    {WB, "Button", 0x56010009, 0, "Auto", 8231, 10, 125, 100, 20},
    {WB, "Button", 0x56010009, 0, "Manual", 8232, 10, 150, 100, 20},
    {DIALOG, "Button", 0x50010007, 0x20, "Manual WB", 0, 170, 20, 365, 180},
    {DIALOG, "Static", 0x56000000, 0, "R-Gain", 8250, 205, 50, 50, 20},
    {DIALOG, TRACKBAR_CLASSA, 0x50000001, 0, "", 8234, 225, 75, 220, 32},
    {DIALOG, "Button", 0x56010080, 0, "", 8236, 205, 70, 20, 20},
    {DIALOG, "Button", 0x56010080, 0, "", 8237, 445, 70, 20, 20},
    {DIALOG, "Edit", 0x50010801, 0, "", 8235, 470, 70, 35, 20},
    {DIALOG, "Static", 0x56000000, 0, "B-Gain", 8251, 210, 125, 50, 20},
    {DIALOG, TRACKBAR_CLASSA, 0x56000001, 0, "", 8238, 225, 150, 220, 32},
    {DIALOG, "Button", 0x56010080, 0, "", 8240, 205, 145, 20, 20},
    {DIALOG, "Button", 0x56010080, 0, "", 8241, 445, 145, 20, 20},
    {DIALOG, "Edit", 0x50010801, 0, "", 8239, 470, 145, 35, 20},
    {DIALOG, "Static", 0x56000000, 0, "Preset", 8192, 20, 405, 50, 20},
    {DIALOG, "Button", 0x56010009, 0, "1", 8278, 92, 405, 40, 20},
    {DIALOG, "Button", 0x56010009, 0, "2", 8279, 134, 405, 40, 20},
    {DIALOG, "Button", 0x56010009, 0, "3", 8280, 176, 405, 40, 20},
    {DIALOG, "Button", 0x56010009, 0, "4", 8281, 218, 405, 40, 20},
    {DIALOG, "Button", 0x56010009, 0, "5", 8282, 260, 405, 40, 20},
    {DIALOG, "Button", 0x56010000, 0, "Exit", 8245, 430, 440, 100, 25},
    {DIALOG, "Button", 0x56010000, 0, "Save", 8219, 92, 440, 198, 25},
    {DIALOG, "Button", 0x50000007, 0, "Picture Effect", 0, 20, 218, 125, 158},
    {EFFECT, "Button", 0x56010009, 0, "Normal", 8218, 10, 25, 100, 20},
    {EFFECT, "Button", 0x56010009, 0, "BW", 8215, 10, 61, 100, 20},
    {EFFECT, "Button", 0x56010009, 0, "Negative", 8216, 10, 97, 100, 20},
    {DIALOG, "Button", 0x50000007, 0, "", 0, 165, 342, 125, 35},
    {NIR, "Button", 0x56010003, 0, "NIR Vision", 8217, 10, 11, 100, 20},
    {DIALOG, "Button", 0x50000007, 0, "Gamma", 0, 165, 218, 125, 120},
    {GAMMA, "Button", 0x56010009, 0, "Normal", 8247, 10, 25, 100, 20},
    {GAMMA, "Button", 0x56010009, 0, "Type 1", 8248, 10, 55, 100, 20},
    {GAMMA, "Button", 0x56010009, 0, "Type 2", 8249, 10, 85, 100, 20},
    {DIALOG, "Button", 0x50000007, 0, "Video Out Mode", 0, 310, 218, 225, 168},
    {VIDEO, "Button", 0x56010009, 0, "1080p/59.94p", 8258, 5, 25, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "1080p/29.97", 8260, 5, 55, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "1080i/59.94", 8252, 5, 85, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "720p/59.94", 8253, 5, 115, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "NTSC", 8254, 5, 145, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "1080p/50", 8259, 115, 25, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "1080p/25", 8261, 115, 55, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "1080i/50", 8255, 115, 85, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "720p/50", 8256, 115, 115, 100, 20},
    {VIDEO, "Button", 0x56010009, 0, "PAL", 8257, 115, 145, 100, 20},
};

// What the program asked of each window it created while the dialog came
// up (the rig's record): the window system changes some style bits later
// (radio buttons lose WS_TABSTOP while unchecked).
std::vector<Created> dialogCreated;
HHOOK creationHook;

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    char cls[64] = "";
    GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
    dialogCreated.push_back({cs->hwndParent, static_cast<int>(reinterpret_cast<INT_PTR>(cs->hMenu)), cls,
                             cs->lpszName ? cs->lpszName : "", static_cast<DWORD>(cs->style), cs->dwExStyle, cs->x,
                             cs->y, cs->cx, cs->cy});
  }
  return CallNextHookEx(creationHook, code, wParam, lParam);
}

void ExpectControl(const Created& c, const ExpectedControl& e, const HWND (&parents)[6]) {
  SCOPED_TRACE(std::string("control \"") + e.caption + "\" id " + std::to_string(e.id));
  EXPECT_EQ(parents[e.parent], c.parent);
  EXPECT_EQ(e.cls, c.cls);
  EXPECT_EQ(e.id, c.id);
  EXPECT_EQ(e.caption, c.text);
  EXPECT_EQ(e.style, c.style) << std::hex << "style";
  EXPECT_EQ(e.exStyle, c.exStyle) << std::hex << "extended style";
  EXPECT_EQ(e.x, c.x);
  EXPECT_EQ(e.y, c.y);
  EXPECT_EQ(e.w, c.width);
  EXPECT_EQ(e.h, c.height);
}

TEST_F(SetupLayout, OpensOnTheEmptyTemplateAsAModalWindowOfThePanel) {
  INT_PTR result = RunSetup([](HWND dialog) {
    EXPECT_EQ(dialog, hSetupDlg.load());
    DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    // The window system adds DS_3DLOOK to every dialog, WS_CLIPSIBLINGS to
    // every top-level window.
    EXPECT_EQ(0x80C800C0u, style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK)) << std::hex << style;
    EXPECT_TRUE(IsWindowVisible(dialog));
    char caption[32] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ("Setup", caption);
    // A client area of 366 x 297 dialog units in the template's font, and
    // never too small for the controls ("Exit" and "Save" end at y 465).
    RECT units = {0, 0, 366, 297};
    MapDialogRect(dialog, &units);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(units.right, client.right);
    EXPECT_GE(client.bottom, units.bottom);
    EXPECT_GE(client.bottom, 465);
    if (units.bottom >= 475) {
      EXPECT_EQ(units.bottom, client.bottom) << "grown although the controls fitted";
    }
    // Modal over the panel: the main window owns it and is disabled meanwhile.
    EXPECT_EQ(hMainWnd, GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(hMainWnd));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_TRUE(IsWindowEnabled(hMainWnd));
}

TEST_F(SetupLayout, EveryControlInCreationOrderWithItsParentStyleIdAndPlace) {
  dialogCreated.clear();
  creationHook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  RunSetup([](HWND dialog) {
    UnhookWindowsHookEx(creationHook);
    const HWND parents[6] = {dialog,           hWbGroup.load(),    hEffectGroup.load(),
                             hNirGroup.load(), hGammaGroup.load(), hVideoGroup.load()};
    ASSERT_FALSE(dialogCreated.empty());
    EXPECT_EQ("#32770", dialogCreated[0].cls) << "the dialog first";
    ASSERT_EQ(1 + std::size(kControls), dialogCreated.size());
    for (size_t i = 0; i < std::size(kControls); i++) ExpectControl(dialogCreated[i + 1], kControls[i], parents);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

TEST_F(SetupLayout, GroupHandlesNameTheirBoxesAndStayAfterTheDialogEnds) {
  HWND kept[5] = {};
  RunSetup([&](HWND dialog) {
    const std::pair<HWND, const char*> boxes[] = {{hWbGroup.load(), "White Balance"},
                                                  {hEffectGroup.load(), "Picture Effect"},
                                                  {hNirGroup.load(), ""},
                                                  {hGammaGroup.load(), "Gamma"},
                                                  {hVideoGroup.load(), "Video Out Mode"}};
    int i = 0;
    for (const auto& box : boxes) {
      EXPECT_EQ(dialog, GetParent(box.first)) << box.second;
      char text[64] = "x";
      GetWindowTextA(box.first, text, sizeof text);
      EXPECT_STREQ(box.second, text);
      kept[i++] = box.first;
    }
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(kept[0], hWbGroup.load());
  EXPECT_EQ(kept[4], hVideoGroup.load());
  EXPECT_FALSE(IsWindow(kept[0]));
  // Nothing can reach the closed dialog through its handle.
  EXPECT_EQ(nullptr, hSetupDlg.load());
}

TEST_F(SetupLayout, GainSlidersStartAt50Of255WithTicksEvery11AndStepImages) {
  RunSetup([](HWND dialog) {
    for (int id : {8234, 8238}) {
      HWND slider = GetDlgItem(dialog, id);
      EXPECT_EQ(0, SendMessageA(slider, TBM_GETRANGEMIN, 0, 0)) << id;
      EXPECT_EQ(255, SendMessageA(slider, TBM_GETRANGEMAX, 0, 0)) << id;
      EXPECT_EQ(50, SendMessageA(slider, TBM_GETPOS, 0, 0)) << id;
      EXPECT_EQ(11, SendMessageA(slider, TBM_GETTIC, 0, 0)) << id;
      EXPECT_EQ(22, SendMessageA(slider, TBM_GETTIC, 1, 0)) << id;
    }
    for (int id : {8236, 8240})
      EXPECT_EQ(reinterpret_cast<LRESULT>(hbmMinus), SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
    for (int id : {8237, 8241})
      EXPECT_EQ(reinterpret_cast<LRESULT>(hbmPlus), SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

TEST_F(SetupLayout, ValueBoxesCannotBeEdited) {
  RunSetup([](HWND dialog) {
    HWND box = GetDlgItem(dialog, 8235);
    SetWindowTextA(box, "77");
    SetFocus(box);
    SendMessageA(box, WM_CHAR, '1', 1);
    SendMessageA(box, WM_CHAR, VK_BACK, 1);
    SendMessageA(box, WM_PASTE, 0, 0);
    char text[16] = "";
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ("77", text);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

// Each radio set has its own parent, so each is exclusive by itself; the
// preset buttons are the dialog's one set and leave the check boxes alone.
TEST_F(SetupLayout, EachRadioSetIsExclusiveOnItsOwn) {
  NoticeWatch notices;  // "PAL" is a video format
  RunSetup([](HWND dialog) {
    for (int id : {8228, 8218, 8247, 8258}) SetupClick(id);
    SetupClick(8220);
    SetupClick(8217);
    SetupClick(8229);  // "Warm"
    EXPECT_TRUE(SetupChecked(8229));
    EXPECT_FALSE(SetupChecked(8228));
    EXPECT_TRUE(SetupChecked(8218));
    EXPECT_TRUE(SetupChecked(8247));
    EXPECT_TRUE(SetupChecked(8258));
    SetupClick(8257);  // "PAL" in the other column
    EXPECT_FALSE(SetupChecked(8258));
    EXPECT_TRUE(SetupChecked(8229));

    SetupClick(8278);
    SetupClick(8280);  // preset "3"
    for (int id = 8278; id <= 8282; id++) EXPECT_EQ(id == 8280, SetupChecked(id)) << id;
    EXPECT_TRUE(SetupChecked(8220));
    EXPECT_TRUE(SetupChecked(8217));
    EXPECT_TRUE(SetupChecked(8229));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

// The forwarding leaves the group boxes their own drawing: a box paints its
// frame line and caption.
TEST_F(SetupLayout, GroupBoxesStillDrawThemselves) {
  RunSetup([](HWND dialog) {
    HWND box = hGammaGroup.load();
    RECT r;
    GetClientRect(box, &r);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF paper = RGB(1, 2, 3);
    HBRUSH brush = CreateSolidBrush(paper);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SendMessageA(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    int drawn = 0;
    for (int x = 0; x < r.right; x++)
      for (int y = 0; y < 20; y++)
        if (GetPixel(dc, x, y) != paper) drawn++;
    int frameLeft = 0;
    for (int y = 20; y < r.bottom - 2; y++)
      for (int x = 0; x < 3; x++)
        if (GetPixel(dc, x, y) != paper) {
          frameLeft++;
          break;
        }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_GT(drawn, 20) << "no caption or top line";
    EXPECT_GT(frameLeft, (r.bottom - 22) / 2) << "no left frame line";
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

}  // namespace
