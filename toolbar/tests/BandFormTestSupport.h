// Support of the band form's tests: the toolbar library started in this process over a test machine that
// works offline, with a definition of the test's own as the shipped one, and band forms made on a plain
// host window or hosted by the shell host's core.
#pragma once
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "hosts/shellhost/ShellHost.h"
#include "platform/testing/TestMachine.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"

namespace band_form_test {

// A TOOLBAR document of this toolbar with the image lists "gombok" and "masik" (16 x 16 images of the
// shipped buttons.bmp) before the body.
std::string Definition(const std::string& attributes, const std::string& body);

// One line per built control: class, Left, Top, Width, Height and, for a tool bar, its buttons' widths
// (a divider as "|"); controls hidden are left out.
std::string Layout(const TTessalineDeskBandForm& form);

// Sets a DWORD value of the toolbar's key of the user.
void SetUserValue(const std::string& name, DWORD value);

// Runs the work on two user-interface threads at once, each with COM and a band form of its own on a host
// window of its own (its signal timer off); the work may free the form (then it sets it to null). Returns
// the number of threads whose work failed with an error of the component library (the first is reported).
int OnTwoUiThreads(const std::function<void(int index, TTessalineDeskBandForm*& form)>& work);

class BandFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the library (its module reads the shipped definition, `xml`).
  TTessalineDeskBandModule* Start(const std::string& xml);
  // Replaces the shipped definition (what the next load reads).
  void Ship(const std::string& xml);
  // A form on a plain host window; freed by TearDown.
  TTessalineDeskBandForm* MakeForm();
  // The band hosted in a taskbar (or a browser window) of the shell host's core.
  TTessalineDeskBandForm* HostBand(TShellHost::TMode mode = TShellHost::TMode::Taskbar);
  std::string LogText() const;
  // Handles what is queued, without letting time move.
  static void Pump();

  testing_support::TestMachine machine_;
  HWND host_ = nullptr;
  TTessalineDeskBandForm* form_ = nullptr;
  DWORD cookie_ = 0;
  std::ostringstream out_;
  std::unique_ptr<TShellHost> shell_;
};

}  // namespace band_form_test
