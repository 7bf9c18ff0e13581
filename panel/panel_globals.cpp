#include "panel/panel_globals.h"

CameraController* pController = nullptr;
std::atomic<HWND> hWbGroup{nullptr};
std::atomic<HWND> hEffectGroup{nullptr};
std::atomic<HWND> hNirGroup{nullptr};
std::atomic<HWND> hGammaGroup{nullptr};
std::atomic<HWND> hVideoGroup{nullptr};
