// Visual styles (uxtheme): whether themes are on, and drawing a control's parent background behind it,
// which is recorded, since nothing is drawn here. Themes are on when the user's
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager value "ThemeActive" is "1".
#pragma once
#include <vector>

#include "platform/winapi/WinTypes.h"

BOOL IsThemeActive();
// The process uses themes: they are active (a program without a manifest asking for them still is).
BOOL IsAppThemed();
// Draws the parent's background into the child's device context (rect in the child's client coordinates;
// none means the whole client area). S_OK; E_INVALIDARG for a window that does not exist.
HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect);

namespace vandrel::themes_testing {

struct ParentBackgroundCall {
  HWND hwnd;
  HDC dc;
  RECT rect;
};
// The calls of DrawThemeParentBackground in this process, oldest first.
std::vector<ParentBackgroundCall> ParentBackgroundCalls();
void ClearParentBackgroundCalls();

}  // namespace vandrel::themes_testing
