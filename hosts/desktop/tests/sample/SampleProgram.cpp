// A small program that the desktop tests start: a two-page form from its resource with handlers, and
// command lines that make it do one thing and end:
//   write FILE [ARGS...]  writes "count=<ParamCount>", "<i>=<ParamStr(i)>" for each i and
//                         "module=<GetModuleFileNameA>" and "launcher=<the launcher's variables still in the
//                         environment>" as lines to the Windows path FILE
//   exit N                ends with exit code N
//   abort                 ends by a signal
//   folder FILE           writes the current folder it started in to the Windows path FILE, and ends
//   linger SLEEP STAY     sleeps SLEEP ms before its form shows, then closes the form STAY ms later
//   open ADDRESS          opens ADDRESS with ShellExecuteA, and ends
//   restart               enables the shutdown privilege and asks ExitWindowsEx for a restart, and ends
//   handover              shows its form; when the form closes, starts a hidden copy of itself with
//                         "write C:\hidden.txt" and a shown one without a command, and ends before them
// It makes C:\ its current folder first, as a program may do before a script plays. Closing the form prints
// "closed" on standard output.
#include <cstdio>
#include <cstdlib>

#include "platform/components/Application.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/FormResource.h"
#include "platform/components/Forms.h"
#include "platform/components/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/ExitWindows.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/Security.h"
#include "platform/winapi/ShellExecute.h"

namespace {

int g_exitCode = 0;
std::string g_startFolder;

class TSampleForm : public TForm {
  VCL_CLASS(TSampleForm, TForm)
  using TForm::TForm;

  TNotebook* Notebook = nullptr;
  TEdit* edName = nullptr;
  TComboBox* cbColour = nullptr;
  TCheckBox* chkAgree = nullptr;
  TLabel* lbSummary = nullptr;
  TLabel* lbTicks = nullptr;
  TLabel* lbAnswer = nullptr;
  TButton* bnBack = nullptr;
  TButton* bnNext = nullptr;
  TTimer* tmTick = nullptr;
  int ticks = 0;
  bool closeOnTick = false;
  bool handOver = false;

  void FormCreate(TObject*) {
    SetCurrentDirectoryA("C:\\");
    std::string command = cp1250::AsciiLower(Application->ParamStr(1));
    if (command == "write") {
      WriteCommandLine(Application->ParamStr(2));
      Application->Terminate();
    } else if (command == "folder") {
      WriteText(Application->ParamStr(2), g_startFolder);
      Application->Terminate();
    } else if (command == "open") {
      ShellExecuteA(Handle(), "open", Application->ParamStr(2).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      Application->Terminate();
    } else if (command == "restart") {
      Restart();
      Application->Terminate();
    } else if (command == "linger") {
      ClockSleep(uint32_t(std::atoi(Application->ParamStr(2).c_str())));
      tmTick->SetInterval(unsigned(std::atoi(Application->ParamStr(3).c_str())));
      tmTick->SetEnabled(true);
      closeOnTick = true;
    } else if (command == "exit") {
      g_exitCode = std::atoi(Application->ParamStr(2).c_str());
      Application->Terminate();
    } else if (command == "handover") {
      handOver = true;
    } else if (command == "abort") {
      std::abort();
    }
    EnableButtons(this);
  }

  void WriteCommandLine(const std::string& file) {
    std::string text = "count=" + std::to_string(Application->ParamCount()) + "\r\n";
    for (int i = 0; i <= Application->ParamCount(); ++i)
      text += std::to_string(i) + "=" + Application->ParamStr(i) + "\r\n";
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    text += std::string("module=") + module + "\r\nlauncher=";
    for (const char* name : {"VANDREL_COMMAND_LINE", "VANDREL_SCRIPT", "VANDREL_SNAPSHOT", "VANDREL_CLOCK"})
      if (std::getenv(name)) text += std::string(name) + " ";
    text += "\r\n";
    WriteText(file, text);
  }

  static void Restart() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
      LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      CloseHandle(token);
    }
    if (!ExitWindowsEx(EWX_REBOOT, 0)) g_exitCode = 8;
  }

  void WriteText(const std::string& file, const std::string& text) {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      g_exitCode = 9;
      return;
    }
    DWORD written = 0;
    WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(h);
  }

  void FormClose(TObject*, TCloseAction&) {
    std::printf("closed\n");
    std::fflush(stdout);
    if (handOver) HandOver();
  }

  static void HandOver() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string self = std::string("\"") + module + "\"";
    ShellExecuteA(nullptr, "open", self.c_str(), "write C:\\hidden.txt", nullptr, SW_HIDE);
    ShellExecuteA(nullptr, "open", self.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  void FormKeyPress(TObject*, char& key) {
    if (key == 27) Close();
  }

  void NotebookPageChanged(TObject*) { EnableButtons(this); }

  void EnableButtons(TObject*) {
    bool first = Notebook->PageIndex() == 0;
    bnBack->SetEnabled(!first);
    bnNext->SetEnabled(!first || (!edName->Text().empty() && cbColour->ItemIndex() >= 0 && chkAgree->Checked()));
  }

  void bnNextClick(TObject*) {
    if (Notebook->PageIndex() != 0) return;
    lbSummary->SetCaption(edName->Text() + " / " + cbColour->Text());
    Notebook->SetPageIndex(1);
  }

  void bnBackClick(TObject*) { Notebook->SetPageIndex(0); }
  void bnExitClick(TObject*) { Close(); }
  void bnStartClick(TObject*) { tmTick->SetEnabled(true); }

  void tmTickTimer(TObject*) {
    if (closeOnTick) Close();
    ++ticks;
    lbTicks->SetCaption(Format("%d tick", {ticks}));
  }

  void bnAskClick(TObject*) {
    int answer = Application->MessageBox("Folytatja?", "Kérdés"_cp, MB_YESNO | MB_ICONQUESTION);
    lbAnswer->SetCaption(answer == IDYES ? "igen" : "nem");
  }

  static void Publish(TPublisher<TSampleForm>& p) {
    p.Field("Notebook", &TSampleForm::Notebook)
        .Field("edName", &TSampleForm::edName)
        .Field("cbColour", &TSampleForm::cbColour)
        .Field("chkAgree", &TSampleForm::chkAgree)
        .Field("lbSummary", &TSampleForm::lbSummary)
        .Field("lbTicks", &TSampleForm::lbTicks)
        .Field("lbAnswer", &TSampleForm::lbAnswer)
        .Field("bnBack", &TSampleForm::bnBack)
        .Field("bnNext", &TSampleForm::bnNext)
        .Field("tmTick", &TSampleForm::tmTick)
        .Method("FormCreate", &TSampleForm::FormCreate)
        .Method("FormClose", &TSampleForm::FormClose)
        .Method("FormKeyPress", &TSampleForm::FormKeyPress)
        .Method("NotebookPageChanged", &TSampleForm::NotebookPageChanged)
        .Method("EnableButtons", &TSampleForm::EnableButtons)
        .Method("bnNextClick", &TSampleForm::bnNextClick)
        .Method("bnBackClick", &TSampleForm::bnBackClick)
        .Method("bnExitClick", &TSampleForm::bnExitClick)
        .Method("bnStartClick", &TSampleForm::bnStartClick)
        .Method("tmTickTimer", &TSampleForm::tmTickTimer)
        .Method("bnAskClick", &TSampleForm::bnAskClick);
  }
};

}  // namespace

#include "hosts/desktop/tests/sample/SampleForm.dfm.h"
VCL_REGISTER_FORM(TSampleForm, kSampleFormResource)

int main() {
  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  g_startFolder = folder;
  Application->Initialize();
  Application->SetTitle("Minta");
  Application->CreateForm<TSampleForm>();
  Application->Run();
  return g_exitCode;
}
