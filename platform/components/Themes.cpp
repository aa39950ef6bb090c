#include "platform/components/Themes.h"

#include <atomic>

#include "platform/components/ModuleTeardown.h"
#include "platform/winapi/Themes.h"

namespace {
std::atomic<bool> g_created{false};
}  // namespace

bool TThemeServices::ThemesEnabled() const { return IsThemeActive() && IsAppThemed(); }

bool TThemeServices::DrawParentBackground(HWND window, HDC dc, const RECT* rect) {
  return DrawThemeParentBackground(window, dc, rect) >= 0;
}

TThemeServices* ThemeServices() {
  static TThemeServices* services = [] {
    auto* s = NewObject<TThemeServices>();
    AtModuleUnload(TUnloadStage::Objects, [s] {
      g_created = false;
      s->Free();
    });
    g_created = true;
    return s;
  }();
  return services;
}

bool ThemeServicesCreated() { return g_created; }

void TXPManifest::AfterConstruction() {
  inherited::AfterConstruction();
  ThemeServices();
}
