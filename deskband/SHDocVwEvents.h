// Receivers of an automation object's events: TSHDocVwEventsBaseSink connects to a source's connection
// point for a dispatch interface and does the generic IDispatch::Invoke work; TSHDocVwDWebBrowserEvents2
// receives the web browser's DWebBrowserEvents2 and turns each into an event property.
//
// Invoke answers the source with result codes only: an unknown DISPID is DISP_E_MEMBERNOTFOUND, too few
// arguments DISP_E_BADPARAMCOUNT, a named argument whose DISPID is not a parameter position
// DISP_E_PARAMNOTFOUND, an argument whose variant type does not fit its parameter DISP_E_TYPEMISMATCH
// (argErr names it); any error raised while the call is handled (a call that is not a method call, a
// handler's exception) is DISP_E_EXCEPTION with its text in the EXCEPINFO.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/WebBrowser.h"
#include "platform/runtime/Classes.h"

using WordBool = VARIANT_BOOL;

class TSHDocVwEventsBaseSink : public TComponent, public IDispatch {
  VCL_CLASS(TSHDocVwEventsBaseSink, TComponent)
  explicit TSHDocVwEventsBaseSink(TComponent* owner) : TComponent(owner) {}
  void BeforeDestruction() override;

  // Not counted: the owner decides the sink's life (AddRef answers 2, Release 1).
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* dispIds) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT Invoke(DISPID dispId, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excepInfo, UINT* argErr) override;

  // Disconnects first, then advises the sink on source's connection point of DIID and keeps the source.
  // Raises "Unable to connect %s.\r%s" (the component name, the underlying error).
  void Connect(IDispatch* source);
  // Unadvises and releases the point and the source; when that fails both are dropped unreleased.
  void Disconnect();
  IDispatch* Source() const { return source_; }
  bool Connected() const { return source_ != nullptr; }
  const GUID& DIID() const { return diid_; }

 protected:
  // Handles one event. paramMap[k] is the index in params->rgvarg of parameter k (empty without
  // arguments).
  virtual HRESULT DoInvoke(DISPID dispId, REFIID riid, LCID locale, WORD flags, const std::vector<int>& paramMap,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;
  GUID diid_ = GUID_NULL;

 private:
  DWORD cookie_ = 0;
  IConnectionPoint* connectionPoint_ = nullptr;
  IDispatch* source_ = nullptr;
};

#define DWB2_EVENT(Name, ...) \
  using TDWebBrowserEvents2##Name##Event = std::function<void(TObject * Sender __VA_OPT__(, ) __VA_ARGS__)>
DWB2_EVENT(StatusTextChange, const WideString& Text);
DWB2_EVENT(ProgressChange, int Progress, int ProgressMax);
DWB2_EVENT(CommandStateChange, int Command, WordBool Enable);
DWB2_EVENT(DownloadBegin);
DWB2_EVENT(DownloadComplete);
DWB2_EVENT(TitleChange, const WideString& Text);
DWB2_EVENT(PropertyChange, const WideString& szProperty);
DWB2_EVENT(BeforeNavigate2, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName, VARIANT& PostData,
           VARIANT& Headers, WordBool& Cancel);
DWB2_EVENT(NewWindow2, ComPtr<IDispatch>& ppDisp, WordBool& Cancel);
DWB2_EVENT(NavigateComplete2, IDispatch* pDisp, VARIANT& URL);
DWB2_EVENT(DocumentComplete, IDispatch* pDisp, VARIANT& URL);
DWB2_EVENT(OnQuit);
DWB2_EVENT(OnVisible, WordBool Visible);
DWB2_EVENT(OnToolBar, WordBool ToolBar);
DWB2_EVENT(OnMenuBar, WordBool MenuBar);
DWB2_EVENT(OnStatusBar, WordBool StatusBar);
DWB2_EVENT(OnFullScreen, WordBool FullScreen);
DWB2_EVENT(OnTheaterMode, WordBool TheaterMode);
DWB2_EVENT(WindowSetResizable, WordBool Resizable);
DWB2_EVENT(WindowSetLeft, int Left);
DWB2_EVENT(WindowSetTop, int Top);
DWB2_EVENT(WindowSetWidth, int Width);
DWB2_EVENT(WindowSetHeight, int Height);
DWB2_EVENT(WindowClosing, WordBool IsChildWindow, WordBool& Cancel);
DWB2_EVENT(ClientToHostWindow, LONG& CX, LONG& CY);
DWB2_EVENT(SetSecureLockIcon, int SecureLockIcon);
DWB2_EVENT(FileDownload, WordBool& Cancel);
DWB2_EVENT(NavigateError, IDispatch* pDisp, VARIANT& URL, VARIANT& Frame, VARIANT& StatusCode, WordBool& Cancel);
DWB2_EVENT(PrintTemplateInstantiation, IDispatch* pDisp);
DWB2_EVENT(PrintTemplateTeardown, IDispatch* pDisp);
DWB2_EVENT(UpdatePageStatus, IDispatch* pDisp, VARIANT& nPage, VARIANT& fDone);
DWB2_EVENT(PrivacyImpactedStateChange, WordBool bImpacted);
#undef DWB2_EVENT

class TSHDocVwDWebBrowserEvents2 : public TSHDocVwEventsBaseSink {
  VCL_CLASS(TSHDocVwDWebBrowserEvents2, TSHDocVwEventsBaseSink)
  explicit TSHDocVwDWebBrowserEvents2(TComponent* owner);
  static TSHDocVwDWebBrowserEvents2* Create(TComponent* owner) { return NewObject<TSHDocVwDWebBrowserEvents2>(owner); }

  TDWebBrowserEvents2StatusTextChangeEvent StatusTextChange;
  TDWebBrowserEvents2ProgressChangeEvent ProgressChange;
  TDWebBrowserEvents2CommandStateChangeEvent CommandStateChange;
  TDWebBrowserEvents2DownloadBeginEvent DownloadBegin;
  TDWebBrowserEvents2DownloadCompleteEvent DownloadComplete;
  TDWebBrowserEvents2TitleChangeEvent TitleChange;
  TDWebBrowserEvents2PropertyChangeEvent PropertyChange;
  TDWebBrowserEvents2BeforeNavigate2Event BeforeNavigate2;
  TDWebBrowserEvents2NewWindow2Event NewWindow2;
  TDWebBrowserEvents2NavigateComplete2Event NavigateComplete2;
  TDWebBrowserEvents2DocumentCompleteEvent DocumentComplete;
  TDWebBrowserEvents2OnQuitEvent OnQuit;
  TDWebBrowserEvents2OnVisibleEvent OnVisible;
  TDWebBrowserEvents2OnToolBarEvent OnToolBar;
  TDWebBrowserEvents2OnMenuBarEvent OnMenuBar;
  TDWebBrowserEvents2OnStatusBarEvent OnStatusBar;
  TDWebBrowserEvents2OnFullScreenEvent OnFullScreen;
  TDWebBrowserEvents2OnTheaterModeEvent OnTheaterMode;
  TDWebBrowserEvents2WindowSetResizableEvent WindowSetResizable;
  TDWebBrowserEvents2WindowSetLeftEvent WindowSetLeft;
  TDWebBrowserEvents2WindowSetTopEvent WindowSetTop;
  TDWebBrowserEvents2WindowSetWidthEvent WindowSetWidth;
  TDWebBrowserEvents2WindowSetHeightEvent WindowSetHeight;
  TDWebBrowserEvents2WindowClosingEvent WindowClosing;
  TDWebBrowserEvents2ClientToHostWindowEvent ClientToHostWindow;
  TDWebBrowserEvents2SetSecureLockIconEvent SetSecureLockIcon;
  TDWebBrowserEvents2FileDownloadEvent FileDownload;
  TDWebBrowserEvents2NavigateErrorEvent NavigateError;
  TDWebBrowserEvents2PrintTemplateInstantiationEvent PrintTemplateInstantiation;
  TDWebBrowserEvents2PrintTemplateTeardownEvent PrintTemplateTeardown;
  TDWebBrowserEvents2UpdatePageStatusEvent UpdatePageStatus;
  TDWebBrowserEvents2PrivacyImpactedStateChangeEvent PrivacyImpactedStateChange;

 protected:
  HRESULT DoInvoke(DISPID dispId, REFIID riid, LCID locale, WORD flags, const std::vector<int>& paramMap,
                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;
};
