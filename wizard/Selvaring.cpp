// The setup wizard program: its units, the application, its title, the main form and the message loop.
#include "platform/components/Application.h"
#include "wizard-components/PictureUnits.h"
#include "wizard/Main.h"
#include "wizard/ShortcutLink.h"

int main() {
  InitPictureUnits();
  InitShortcutLink();
  Application->Initialize();
  Application->SetTitle("Selvaring");
  Application->CreateForm<TFMain>();
  Application->Run();
  return 0;
}
