// The Setup dialog as created on its empty template: every control with its
// parent, class, style, id and place, the kept handles, the gain sliders, and
// how each radio set behaves on its own.
#include "setup_rig.h"

#include "ui/ui_globals.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using SetupLayout = SetupTest;

// parent class style exStyle "caption" id x,y w x h; parents: D dialog, W white
// balance, E effect, N NIR, G gamma, V video.
// clang-format off
const std::vector<std::string> kControls = {
    "D Button 56010003 0 \"Rotate \" 8220 31,353 80x20", "D Button 50010007 0 \"White Balance\" 0 20,20 125x180",
    "W Button 56010009 0 \"Cold\" 8228 10,25 100x20", "W Button 56010009 0 \"Warm\" 8229 10,50 100x20",
    "W Button 56010009 0 \"LED\" 8230 10,75 100x20", "W Button 56010009 0 \"One Push\" 8233 10,100 100x20",
    "W Button 56010009 0 \"Auto\" 8231 10,125 100x20", "W Button 56010009 0 \"Manual\" 8232 10,150 100x20",
    "D Button 50010007 20 \"Manual WB\" 0 170,20 365x180", "D Static 56000000 0 \"R-Gain\" 8250 205,50 50x20",
    "D msctls_trackbar32 50000001 0 \"\" 8234 225,75 220x32", "D Button 56010080 0 \"\" 8236 205,70 20x20",
    "D Button 56010080 0 \"\" 8237 445,70 20x20", "D Edit 50010801 0 \"\" 8235 470,70 35x20",
    "D Static 56000000 0 \"B-Gain\" 8251 210,125 50x20", "D msctls_trackbar32 56000001 0 \"\" 8238 225,150 220x32",
    "D Button 56010080 0 \"\" 8240 205,145 20x20", "D Button 56010080 0 \"\" 8241 445,145 20x20",
    "D Edit 50010801 0 \"\" 8239 470,145 35x20", "D Static 56000000 0 \"Preset\" 8192 20,405 50x20",
    "D Button 56010009 0 \"1\" 8278 92,405 40x20", "D Button 56010009 0 \"2\" 8279 134,405 40x20",
    "D Button 56010009 0 \"3\" 8280 176,405 40x20", "D Button 56010009 0 \"4\" 8281 218,405 40x20",
    "D Button 56010009 0 \"5\" 8282 260,405 40x20", "D Button 56010000 0 \"Exit\" 8245 430,440 100x25",
    "D Button 56010000 0 \"Save\" 8219 92,440 198x25", "D Button 50000007 0 \"Picture Effect\" 0 20,218 125x158",
    "E Button 56010009 0 \"Normal\" 8218 10,25 100x20", "E Button 56010009 0 \"BW\" 8215 10,61 100x20",
    "E Button 56010009 0 \"Negative\" 8216 10,97 100x20", "D Button 50000007 0 \"\" 0 165,342 125x35",
    "N Button 56010003 0 \"NIR Vision\" 8217 10,11 100x20", "D Button 50000007 0 \"Gamma\" 0 165,218 125x120",
    "G Button 56010009 0 \"Normal\" 8247 10,25 100x20", "G Button 56010009 0 \"Type 1\" 8248 10,55 100x20",
    "G Button 56010009 0 \"Type 2\" 8249 10,85 100x20", "D Button 50000007 0 \"Video Out Mode\" 0 310,218 225x168",
    "V Button 56010009 0 \"1080p/59.94p\" 8258 5,25 100x20", "V Button 56010009 0 \"1080p/29.97\" 8260 5,55 100x20",
    "V Button 56010009 0 \"1080i/59.94\" 8252 5,85 100x20", "V Button 56010009 0 \"720p/59.94\" 8253 5,115 100x20",
    "V Button 56010009 0 \"NTSC\" 8254 5,145 100x20", "V Button 56010009 0 \"1080p/50\" 8259 115,25 100x20",
    "V Button 56010009 0 \"1080p/25\" 8261 115,55 100x20", "V Button 56010009 0 \"1080i/50\" 8255 115,85 100x20",
    "V Button 56010009 0 \"720p/50\" 8256 115,115 100x20", "V Button 56010009 0 \"PAL\" 8257 115,145 100x20"};
// clang-format on

// What the program asked of each window as it was created: the window system
// changes some style bits later (radio buttons lose WS_TABSTOP while unchecked).
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

TEST_F(SetupLayout, OpensOnTheEmptyTemplateAsAModalWindowOfThePanel) {
  HWND keptWb = nullptr;
  INT_PTR result = RunSetup([&](HWND dialog) {
    keptWb = hWbGroup.load();
    // The window system adds DS_3DLOOK to every dialog, WS_CLIPSIBLINGS to every top-level window.
    DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    EXPECT_EQ(0x80C800C0u, style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK)) << std::hex << style;
    EXPECT_TRUE(IsWindowVisible(dialog));
    char caption[32] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ("Setup", caption);
    // 366 x 297 dialog units, never too small for the controls ("Exit" and "Save" end at y 465).
    RECT units = {0, 0, 366, 297}, client;
    MapDialogRect(dialog, &units);
    GetClientRect(dialog, &client);
    EXPECT_EQ(units.right, client.right);
    EXPECT_GE(client.bottom, units.bottom > 465 ? units.bottom : 465);
    if (units.bottom >= 475) {
      EXPECT_EQ(units.bottom, client.bottom) << "grown although the controls fitted";
    }
    EXPECT_EQ(hMainWnd, GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(hMainWnd));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_TRUE(IsWindowEnabled(hMainWnd));
  // The group handles are kept after the end, but nothing reaches the closed dialog.
  EXPECT_EQ(keptWb, hWbGroup.load());
  EXPECT_FALSE(IsWindow(keptWb));
  EXPECT_EQ(nullptr, hSetupDlg.load());
}

TEST_F(SetupLayout, EveryControlInCreationOrderWithItsParentStyleIdAndPlace) {
  dialogCreated.clear();
  creationHook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  RunSetup([](HWND dialog) {
    UnhookWindowsHookEx(creationHook);
    const std::pair<HWND, char> parents[] = {
        {dialog, 'D'},           {hWbGroup.load(), 'W'},    {hEffectGroup.load(), 'E'},
        {hNirGroup.load(), 'N'}, {hGammaGroup.load(), 'G'}, {hVideoGroup.load(), 'V'}};
    ASSERT_FALSE(dialogCreated.empty());
    EXPECT_EQ("#32770", dialogCreated[0].cls) << "the dialog first";
    std::vector<std::string> actual;
    for (size_t i = 1; i < dialogCreated.size(); i++) {
      const Created& c = dialogCreated[i];
      char parent = '?';
      for (const auto& p : parents)
        if (p.first == c.parent) parent = p.second;
      char line[160];
      snprintf(line, sizeof line, "%c %s %lX %lX \"%s\" %d %d,%d %dx%d", parent, c.cls.c_str(),
               static_cast<unsigned long>(c.style), static_cast<unsigned long>(c.exStyle), c.text.c_str(), c.id, c.x,
               c.y, c.width, c.height);
      actual.push_back(line);
    }
    EXPECT_EQ(kControls, actual);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

TEST_F(SetupLayout, GainSlidersStartAt50Of255WithTicksEvery11AndStepImages) {
  RunSetup([](HWND dialog) {
    for (int id : {8234, 8238}) {
      HWND s = GetDlgItem(dialog, id);
      EXPECT_EQ((std::vector<LRESULT>{0, 255, 50, 11, 22}),
                (std::vector<LRESULT>{SendMessageA(s, TBM_GETRANGEMIN, 0, 0), SendMessageA(s, TBM_GETRANGEMAX, 0, 0),
                                      SendMessageA(s, TBM_GETPOS, 0, 0), SendMessageA(s, TBM_GETTIC, 0, 0),
                                      SendMessageA(s, TBM_GETTIC, 1, 0)}))
          << id;
    }
    for (int id : {8236, 8237, 8240, 8241})
      EXPECT_EQ(reinterpret_cast<LRESULT>(id == 8236 || id == 8240 ? hbmMinus : hbmPlus),
                SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

// Each radio set has its own parent, so each is exclusive by itself; the
// preset buttons are the dialog's one set and leave the check boxes alone.
TEST_F(SetupLayout, EachRadioSetIsExclusiveOnItsOwn) {
  NoticeWatch notices;  // "PAL" is a video format
  RunSetup([](HWND dialog) {
    for (int id : {8228, 8218, 8247, 8258, 8220, 8217, 8229}) SetupClick(id);
    EXPECT_FALSE(SetupChecked(8228));
    for (int id : {8229, 8218, 8247, 8258}) EXPECT_TRUE(SetupChecked(id)) << id;
    SetupClick(8257);  // "PAL" in the other column
    EXPECT_FALSE(SetupChecked(8258));
    SetupClick(8278);
    SetupClick(8280);
    for (int id = 8278; id <= 8282; id++) EXPECT_EQ(id == 8280, SetupChecked(id)) << id;
    for (int id : {8220, 8217, 8229}) EXPECT_TRUE(SetupChecked(id)) << id;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

// The forwarding of the group boxes' commands leaves them their own drawing:
// a box paints its caption and top line, and its left frame line.
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
    int top = 0, left = 0;
    for (int x = 0; x < r.right; x++)
      for (int y = 0; y < 20; y++) top += GetPixel(dc, x, y) != paper;
    for (int y = 20; y < r.bottom - 2; y++)
      left += GetPixel(dc, 0, y) != paper || GetPixel(dc, 1, y) != paper || GetPixel(dc, 2, y) != paper;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_GT(top, 20) << "no caption or top line";
    EXPECT_GT(left, (r.bottom - 22) / 2) << "no left frame line";
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

}  // namespace
