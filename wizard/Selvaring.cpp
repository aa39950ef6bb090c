// The setup wizard program: the picture units, the application, its title, the main form and the message loop.
#include "platform/components/Application.h"
#include "wizard-components/PictureUnits.h"
#include "wizard/Main.h"

int main() {
  InitPictureUnits();
  Application->Initialize();
  Application->SetTitle("Selvaring");
  Application->CreateForm<TFMain>();
  Application->Run();
  return 0;
}
