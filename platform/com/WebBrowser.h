// The web browser as its hosts and tool bars see it: a minimal IWebBrowser2, the service that names it,
// its event interface DWebBrowserEvents2 (a dispatch interface: events arrive as IDispatch::Invoke with
// the DISPIDs below) and IDocHostUIHandler, which a browser control asks its container for.
#pragma once
#include "platform/com/Dispatch.h"
#include "platform/com/ShellBand.h"

// The service of a site that leads to the browser (the IID of IWebBrowserApp).
inline constexpr GUID SID_SWebBrowserApp = "{0002DF05-0000-0000-C000-000000000046}"_guid;
inline constexpr GUID DIID_DWebBrowserEvents2 = "{34A715A0-6587-11D0-924A-0020AFC7AC4D}"_guid;

struct IWebBrowser2 : IDispatch {
  COM_INTERFACE(IDispatch, "{D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}");
  virtual HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers) = 0;
  // The URL may be a BSTR variant or a reference to one.
  virtual HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                            VARIANT* headers) = 0;
  virtual HRESULT get_Document(IDispatch** document) = 0;
  virtual HRESULT get_LocationURL(BSTR* url) = 0;
  virtual HRESULT get_HWND(LONG_PTR* window) = 0;
};

// DISPIDs of DWebBrowserEvents2.
constexpr DISPID DISPID_STATUSTEXTCHANGE = 102;
constexpr DISPID DISPID_DOWNLOADCOMPLETE = 104;
constexpr DISPID DISPID_COMMANDSTATECHANGE = 105;
constexpr DISPID DISPID_DOWNLOADBEGIN = 106;
constexpr DISPID DISPID_PROGRESSCHANGE = 108;
constexpr DISPID DISPID_PROPERTYCHANGE = 112;
constexpr DISPID DISPID_TITLECHANGE = 113;
constexpr DISPID DISPID_PRINTTEMPLATEINSTANTIATION = 225;
constexpr DISPID DISPID_PRINTTEMPLATETEARDOWN = 226;
constexpr DISPID DISPID_UPDATEPAGESTATUS = 227;
constexpr DISPID DISPID_BEFORENAVIGATE2 = 250;
constexpr DISPID DISPID_NEWWINDOW2 = 251;
constexpr DISPID DISPID_NAVIGATECOMPLETE2 = 252;
constexpr DISPID DISPID_ONQUIT = 253;
constexpr DISPID DISPID_ONVISIBLE = 254;
constexpr DISPID DISPID_ONTOOLBAR = 255;
constexpr DISPID DISPID_ONMENUBAR = 256;
constexpr DISPID DISPID_ONSTATUSBAR = 257;
constexpr DISPID DISPID_ONFULLSCREEN = 258;
constexpr DISPID DISPID_DOCUMENTCOMPLETE = 259;
constexpr DISPID DISPID_ONTHEATERMODE = 260;
constexpr DISPID DISPID_WINDOWSETRESIZABLE = 262;
constexpr DISPID DISPID_WINDOWCLOSING = 263;
constexpr DISPID DISPID_WINDOWSETLEFT = 264;
constexpr DISPID DISPID_WINDOWSETTOP = 265;
constexpr DISPID DISPID_WINDOWSETWIDTH = 266;
constexpr DISPID DISPID_WINDOWSETHEIGHT = 267;
constexpr DISPID DISPID_CLIENTTOHOSTWINDOW = 268;
constexpr DISPID DISPID_SETSECURELOCKICON = 269;
constexpr DISPID DISPID_FILEDOWNLOAD = 270;
constexpr DISPID DISPID_NAVIGATEERROR = 271;
constexpr DISPID DISPID_PRIVACYIMPACTEDSTATECHANGE = 272;

struct DOCHOSTUIINFO {
  ULONG cbSize;
  DWORD dwFlags;
  DWORD dwDoubleClick;
  OLECHAR* pchHostCss;
  OLECHAR* pchHostNS;
};

// Interfaces that IDocHostUIHandler only passes along; nothing here calls them.
struct IOleInPlaceActiveObject;
struct IOleInPlaceFrame;
struct IOleInPlaceUIWindow;
struct IDropTarget;
struct IDataObject;

struct IDocHostUIHandler : IUnknown {
  COM_INTERFACE(IUnknown, "{BD3F23C0-D43E-11CF-893B-00AA00BDCE1A}");
  virtual HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) = 0;
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO* info) = 0;
  virtual HRESULT ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* commandTarget,
                         IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) = 0;
  virtual HRESULT HideUI() = 0;
  virtual HRESULT UpdateUI() = 0;
  virtual HRESULT EnableModeless(BOOL enable) = 0;
  virtual HRESULT OnDocWindowActivate(BOOL activate) = 0;
  virtual HRESULT OnFrameWindowActivate(BOOL activate) = 0;
  virtual HRESULT ResizeBorder(const RECT* border, IOleInPlaceUIWindow* window, BOOL frameWindow) = 0;
  virtual HRESULT TranslateAccelerator(MSG* msg, const GUID* group, DWORD commandId) = 0;
  virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) = 0;
  virtual HRESULT GetDropTarget(IDropTarget* dropTarget, IDropTarget** replacement) = 0;
  virtual HRESULT GetExternal(IDispatch** external) = 0;
  virtual HRESULT TranslateUrl(DWORD translate, OLECHAR* url, OLECHAR** translated) = 0;
  virtual HRESULT FilterDataObject(IDataObject* object, IDataObject** replacement) = 0;
};
