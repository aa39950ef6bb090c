// The stand-in for the Windows shell that hosts one band: a taskbar ("Shell_TrayWnd" > "ReBarWindow32") or
// a browser window ("IEFrame" > "WorkerW" > "ReBarWindow32", with a browser behind the site), each rebar
// holding one band of the host's own beside the hosted one. The host creates the band by CLSID, sites it,
// asks its sizes, places its window in the rebar and shows it; its message loop offers keys to the band
// while the band has the focus; it plays user actions and writes a text snapshot after each; at the end
// it saves the band's state, hides, closes, unsites and releases it, unloads its library and reports what
// was left behind (hooks, windows, subclassing, sinks, references). `shellhost run` then prints the web
// addresses the band opened ("opened SW_SHOWNORMAL http://...", platform/winapi/MachineRecords.h).
//
// A browser window's browser is the platform's headless browser. The machine stays offline: while a host
// lives, host names other than "localhost" do not resolve, unless the machine's hosts file or a test maps
// them. Snapshots list the band's pop-ups (visible forms of the host's thread that the host did not make).
//
// The band's state persists between runs under HKEY_CURRENT_USER\Software\Vandrel\ShellHost\BandStreams,
// in a binary value named by the CLSID.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "hosts/shellhost/ShellObjects.h"
#include "hosts/shellhost/ShellScript.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Persist.h"
#include "platform/winapi/NameResolution.h"

class TShellHost {
 public:
  enum class TMode { Taskbar, Browser };
  // The identifier the host gives its own band and the hosted one.
  static constexpr DWORD kOtherBandId = 1;
  static constexpr DWORD kBandId = 2;

  TShellHost(TMode mode, std::ostream& out);
  ~TShellHost();
  TShellHost(const TShellHost&) = delete;
  TShellHost& operator=(const TShellHost&) = delete;

  // Creates, sites, sizes and shows the band; false (with the reason written) when that fails.
  bool Start(REFCLSID clsid);
  // One user action; an action that cannot be done is written as an error and the run goes on.
  void Play(const TUserAction& action);
  // Handles messages for that long (instant in virtual time).
  void Wait(uint32_t ms);
  // Writes the snapshot under a heading, with what happened since the last one.
  void Snapshot(const std::string& heading);
  // Saves, hides, closes, unsites and releases the band, unloads its library and writes what was left
  // behind; true when nothing was.
  bool Finish();

  // Handles every message queued now, offering keys to the band while it has the focus.
  void Pump();

  HWND Rebar() const { return rebar_; }
  HWND TopWindow() const { return top_; }
  HWND BandWindow() const { return bandWindow_; }
  IDeskBand* Band() const { return band_.Get(); }
  TBandSite* Site() const { return site_.Get(); }
  browser::TBrowser* Browser() const { return browser_.Get(); }
  const std::vector<std::string>& Log() const { return log_; }

 private:
  static LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void AddLine(const std::string& line);
  void MakeWindows();
  void DestroyWindows();
  // Offers a key to the band while it has the focus (taking the focus back when Tab leaves it); anything
  // else is translated and dispatched.
  void Dispatch(MSG& msg);
  void Click(const std::string& name);
  void Focus(const std::string& name);
  void Type(const std::string& name, const std::string& text);
  void Key(BYTE key, TShiftState shift);
  void Chevron(const std::string& band, const std::string& item);
  // The band's pop-ups: visible top-level forms of this thread that the host did not make, in z-order.
  std::vector<HWND> Popups() const;
  std::string DescribePopups() const;
  // Clicks the control (its name or caption) of the topmost pop-up.
  void ClickPopup(const std::string& name);
  // The next menu that shows takes the item ("" dismisses it).
  void ChooseNextMenu(const std::string& item);
  // Runs a line of script on the current page of the host's browser ("browser") or of the band's
  // web-browser control of that name, and writes its value or its error.
  void RunScriptLine(const std::string& where, const std::string& code);
  // The window and point to click for the band's control; whether the window is the control's own.
  bool Locate(const std::string& name, HWND& window, POINT& point);
  std::string DescribeRebar();
  std::string LibraryPath() const;
  void LoadState();
  void SaveState();
  std::vector<std::string> LeftBehind();

  TMode mode_;
  std::ostream& out_;
  CLSID clsid_{};
  HWND top_ = nullptr, workerW_ = nullptr, rebar_ = nullptr, otherBand_ = nullptr, bandWindow_ = nullptr;
  LONG_PTR hostProcs_[3]{};     // the procedures of top_, workerW_ and rebar_ as made
  std::vector<HWND> baseline_;  // the thread's windows before the band came
  ComPtr<browser::TBrowser> browser_;
  ComPtr<TBandSite> site_;
  ComPtr<IDeskBand> band_;
  ComPtr<IInputObject> input_;
  std::vector<std::string> log_;
  size_t logShown_ = 0;
  size_t menusShown_ = 0;
  bool started_ = false;
  bool ownResolver_ = false;  // the host made names unresolvable; the previous resolver comes back after
  vandrel::NameResolver previousResolver_;
};

// The command line: register / unregister a library, run a band. Returns the process's exit code.
int ShellHostMain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
