// Theme services of the component library: whether visual styles are in use, and drawing a control's
// parent background behind it; and TXPManifest, the component whose presence asks for visual styles.
#pragma once
#include "platform/runtime/Classes.h"
#include "platform/winapi/WinTypes.h"

class TThemeServices : public TObject {
  VCL_CLASS(TThemeServices, TObject)
  // Visual styles are active and the program uses them.
  bool ThemesEnabled() const;
  // Draws the background of the window's parent into dc (rect: the part, none for the whole client area).
  bool DrawParentBackground(HWND window, HDC dc, const RECT* rect);
};

// The theme services, made on first use (freed when the module is unloaded).
TThemeServices* ThemeServices();
// Whether they have been made.
bool ThemeServicesCreated();

// Asks for visual styles: making one makes the theme services.
class TXPManifest : public TComponent {
  VCL_CLASS(TXPManifest, TComponent)
  explicit TXPManifest(TComponent* owner) : TComponent(owner) {}
  void AfterConstruction() override;
};
