// The shell's band protocol: the interfaces between a band object and the window that hosts it (taskbar,
// browser tool bars): IOleWindow, IDockingWindow, IDeskBand, IObjectWithSite, IInputObject(Site),
// IContextMenu, IServiceProvider and IOleCommandTarget.
#pragma once
#include "platform/com/Dispatch.h"
#include "platform/com/Unknown.h"
#include "platform/winapi/Messages.h"

struct IOleWindow : IUnknown {
  COM_INTERFACE(IUnknown, "{00000114-0000-0000-C000-000000000046}");
  virtual HRESULT GetWindow(HWND* window) = 0;
  virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;
};

struct IDockingWindow : IOleWindow {
  COM_INTERFACE(IOleWindow, "{012DD920-7B26-11D0-8CA9-00A0C92DBFE8}");
  virtual HRESULT ShowDW(BOOL show) = 0;
  virtual HRESULT CloseDW(DWORD reserved) = 0;
  virtual HRESULT ResizeBorderDW(const RECT* border, IUnknown* site, BOOL reserved) = 0;
};

// What GetBandInfo asks for and answers.
constexpr DWORD DBIM_MINSIZE = 0x0001;
constexpr DWORD DBIM_MAXSIZE = 0x0002;
constexpr DWORD DBIM_INTEGRAL = 0x0004;
constexpr DWORD DBIM_ACTUAL = 0x0008;
constexpr DWORD DBIM_TITLE = 0x0010;
constexpr DWORD DBIM_MODEFLAGS = 0x0020;
constexpr DWORD DBIM_BKCOLOR = 0x0040;
constexpr DWORD DBIMF_NORMAL = 0x0000;
constexpr DWORD DBIMF_VARIABLEHEIGHT = 0x0008;
constexpr DWORD DBIMF_DEBOSSED = 0x0020;
constexpr DWORD DBIMF_BKCOLOR = 0x0040;
constexpr DWORD DBIMF_USECHEVRON = 0x0080;
// View modes of GetBandInfo.
constexpr DWORD DBIF_VIEWMODE_NORMAL = 0x0000;
constexpr DWORD DBIF_VIEWMODE_VERTICAL = 0x0001;

struct POINTL {
  LONG x, y;
};
using _POINTL = POINTL;
using COLORREF = DWORD;

struct DESKBANDINFO {
  DWORD dwMask;
  POINTL ptMinSize;
  POINTL ptMaxSize;
  POINTL ptIntegral;
  POINTL ptActual;
  OLECHAR wszTitle[256];
  DWORD dwModeFlags;
  COLORREF crBkgnd;
};

struct IDeskBand : IDockingWindow {
  COM_INTERFACE(IDockingWindow, "{EB0FE172-1A3A-11D0-89B3-00A0C90A90AC}");
  virtual HRESULT GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) = 0;
};

struct IObjectWithSite : IUnknown {
  COM_INTERFACE(IUnknown, "{FC4801A3-2BA9-11CF-A229-00AA003D7352}");
  virtual HRESULT SetSite(IUnknown* site) = 0;
  virtual HRESULT GetSite(REFIID riid, void** site) = 0;
};

struct IInputObject : IUnknown {
  COM_INTERFACE(IUnknown, "{68284FAA-6A48-11D0-8C78-00C04FD918B4}");
  virtual HRESULT UIActivateIO(BOOL activate, MSG* msg) = 0;
  virtual HRESULT HasFocusIO() = 0;
  virtual HRESULT TranslateAcceleratorIO(MSG* msg) = 0;
};

struct IInputObjectSite : IUnknown {
  COM_INTERFACE(IUnknown, "{F1DB8392-7331-11D0-8C99-00A0C92DBFE8}");
  virtual HRESULT OnFocusChangeIS(IUnknown* object, BOOL setFocus) = 0;
};

// IContextMenu
constexpr UINT CMF_NORMAL = 0x0000;
constexpr UINT CMF_DEFAULTONLY = 0x0001;
constexpr UINT GCS_VERBA = 0x0000;
constexpr UINT GCS_HELPTEXTA = 0x0001;

struct CMINVOKECOMMANDINFO {
  DWORD cbSize;
  DWORD fMask;
  HWND hwnd;
  LPCSTR lpVerb;  // a string, or a command offset in the low word (high word 0)
  LPCSTR lpParameters;
  LPCSTR lpDirectory;
  int nShow;
  DWORD dwHotKey;
  HANDLE hIcon;
};

struct IContextMenu : IUnknown {
  COM_INTERFACE(IUnknown, "{000214E4-0000-0000-C000-000000000046}");
  // Adds commands to the menu from idCmdFirst on; a success code whose low word counts them.
  virtual HRESULT QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) = 0;
  virtual HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) = 0;
  virtual HRESULT GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, LPSTR name, UINT size) = 0;
};

struct IServiceProvider : IUnknown {
  COM_INTERFACE(IUnknown, "{6D5140C1-7436-11CE-8034-00AA006009FA}");
  virtual HRESULT QueryService(REFGUID service, REFIID riid, void** object) = 0;
};

struct OLECMD {
  ULONG cmdID;
  DWORD cmdf;
};
struct OLECMDTEXT {
  DWORD cmdtextf;
  ULONG cwActual;
  ULONG cwBuf;
  OLECHAR rgwz[1];
};

struct IOleCommandTarget : IUnknown {
  COM_INTERFACE(IUnknown, "{B722BCCB-4E68-101B-A2BC-00AA00404770}");
  virtual HRESULT QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) = 0;
  virtual HRESULT Exec(const GUID* group, DWORD commandId, DWORD options, VARIANT* in, VARIANT* out) = 0;
};
