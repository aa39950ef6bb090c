// The desk band framework: the band module (what the library's one band is and which form shows it), its
// class factory and shell registration, the band COM object that the shell hosts, and the band form base
// with its thread hooks, chevron menu, sizes and browser events.
#pragma once
#include <functional>
#include <string>

#include "deskband/SHDocVwEvents.h"
#include "deskband/vekObjUtil.h"
#include "platform/com/Persist.h"
#include "platform/com/ShellBand.h"
#include "platform/com/WebBrowser.h"
#include "platform/components/Forms.h"
#include "platform/components/Menus.h"
#include "platform/components/comserver/ComObj.h"

class TDeskBand;
class TDeskBandForm;

// ---- band module ----

enum TDeskBandType : uint8_t { dbtDeskBand = 0, dbtVerticalBand = 1, dbtHorizontalBand = 2 };

// The shell component category of a band type, in registry form; any other value raises
// "Unhandled band type in GetBandTypeCLSID()".
std::string GetBandTypeCLSID(TDeskBandType bandType);

using TDeskBandFormClass = TClassOf<TDeskBandForm>;
using TGetDeskBandFormClassEvent = std::function<void(TObject* sender, TDeskBandFormClass& formClass)>;

class TCustomDeskBandModule : public TDataModule {
  VCL_CLASS(TCustomDeskBandModule, TDataModule)
  explicit TCustomDeskBandModule(TComponent* owner);

  // The band's title; also the class factory's description. Stored without leading and trailing blanks.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // The text of the band's entry in the shell's tool bar menus (the class key's default value).
  const std::string& MenuCaption() const { return menuCaption_; }
  void SetMenuCaption(const std::string& caption) { menuCaption_ = caption; }
  // The band object's class identifier; as text in registry form (EConvertError for a malformed one).
  const GUID& ClassID() const { return clsid_; }
  std::string CLSID() const;
  void SetCLSID(const std::string& text);
  TDeskBandType BandType() const { return bandType_; }
  void SetBandType(TDeskBandType type) { bandType_ = type; }
  bool ToolBand() const { return toolBand_; }
  void SetToolBand(bool value) { toolBand_ = value; }
  bool FixedHeight() const { return fixedHeight_; }
  void SetFixedHeight(bool value) { fixedHeight_ = value; }
  bool Debossed() const { return debossed_; }
  void SetDebossed(bool value) { debossed_ = value; }
  bool UseChevron() const { return useChevron_; }
  void SetUseChevron(bool value) { useChevron_ = value; }
  TGetDeskBandFormClassEvent OnGetBandFormClass;

  // The very end of registration, and the very start of its removal; nothing here.
  virtual void AfterRegister() {}
  virtual void BeforeUnregister() {}
  virtual TDeskBandFormClass GetBandFormClass() = 0;

 private:
  std::string caption_, menuCaption_;
  GUID clsid_ = GUID_NULL;
  TDeskBandType bandType_ = dbtDeskBand;
  bool toolBand_ = true;
  bool fixedHeight_ = true;
  bool debossed_ = false;
  bool useChevron_ = false;
};

// The module class an application derives; its form resource sets the published properties (Caption,
// MenuCaption, CLSID, BandType, ToolBand, FixedHeight, Debossed, UseChevron, OnGetBandFormClass). A new
// module has a new random CLSID.
class TDeskBandModule : public TCustomDeskBandModule {
  VCL_CLASS(TDeskBandModule, TCustomDeskBandModule)
  explicit TDeskBandModule(TComponent* owner);
  // Loads the resources of the classes below TDeskBandModule ("Resource \"%s\" not found" when none has one).
  void Construct() override;
  // OnGetBandFormClass's answer; "No bandform available" when it gives none.
  TDeskBandFormClass GetBandFormClass() override;
};

using TDeskBandModuleClass = TClassOf<TCustomDeskBandModule>;

// Records the module class and creates the module at once; a second call raises "Filter module class
// already registered".
void RegisterDeskBandModuleClass(const TDeskBandModuleClass& moduleClass);
// Creates the module of the registered class ("No filter module class registered" when none) and keeps it
// as the one module; it lives until the library is unloaded.
void CreateDeskBandModule();
// Creates the module when it does not exist yet.
void CheckDeskBandModule();
// The module (none before registration).
TCustomDeskBandModule* DeskBandModule();

// The class factory of the band object; its registration adds the band's shell entries.
class TDeskBandFactory : public TComObjectFactory {
  VCL_CLASS(TDeskBandFactory, TComObjectFactory)
  using TComObjectFactory::TComObjectFactory;
  void UpdateRegistry(bool doRegister) override;
};

// Creates the one factory of TDeskBand with the module's CLSID and Caption as they are now (call it
// after the module's OnCreate has set them).
void CreateDeskBandFactory();
// The band's own registry entries (after the platform's), and their removal.
void RegisterBand();
void UnregisterBand();

// ---- band object ----

class TDeskBand : public TComObject,
                  public IInputObject,
                  public IContextMenu,
                  public IObjectWithSite,
                  public IPersistStreamInit,
                  public IPersistStream,
                  public IDeskBand {
  VCL_CLASS(TDeskBand, TComObject)
  COM_OBJECT_IUNKNOWN
  TDeskBand() = default;
  // The band window goes with the object when the host never closed it.
  void BeforeDestruction() override;

  // IInputObject, IContextMenu, IObjectWithSite, IPersistStreamInit (and IPersistStream, IPersist),
  // IDeskBand (with the IDockingWindow and IOleWindow methods, which are not answered alone).
  HRESULT ObjQueryInterface(REFIID riid, void** ppv) override;

  HRESULT UIActivateIO(BOOL activate, MSG* msg) override;
  HRESULT HasFocusIO() override;
  HRESULT TranslateAcceleratorIO(MSG* msg) override;

  HRESULT QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) override;
  HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  HRESULT GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, LPSTR name, UINT size) override;

  // A site lacking one of IInputObjectSite, IOleWindow, IOleCommandTarget (and IServiceProvider behind
  // it) is refused with E_NOINTERFACE and changes nothing.
  HRESULT SetSite(IUnknown* site) override;
  HRESULT GetSite(REFIID riid, void** site) override;

  HRESULT GetClassID(CLSID* classId) override;
  HRESULT IsDirty() override;
  HRESULT Load(IStream* stream) override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT InitNew() override;

  HRESULT GetWindow(HWND* window) override;
  HRESULT ContextSensitiveHelp(BOOL enterMode) override;
  HRESULT ShowDW(BOOL show) override;
  HRESULT CloseDW(DWORD reserved) override;
  HRESULT ResizeBorderDW(const RECT* border, IUnknown* site, BOOL reserved) override;
  HRESULT GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) override;

  // The band window, made on first use from the module's form class.
  TDeskBandForm* GetBandForm();
  TDeskBandForm* Form() const { return form_; }
  // Tells the site when the focus state changes.
  void SetHasFocus(bool value);
  bool HasFocus() const { return hasFocus_; }
  DWORD BandID() const { return bandId_; }
  HWND SiteWindow() const { return siteWindow_; }
  IWebBrowser2* HostBrowser() const { return hostBrowser_.Get(); }

 private:
  void BandWindowProc(TMessage& message);

  int commandCount_ = 0;
  bool hasFocus_ = false;
  DWORD bandId_ = 0;
  TWndMethod savedFormWindowProc_;
  bool wrapped_ = false;
  HWND siteWindow_ = nullptr;
  ComPtr<IInputObjectSite> site_;
  ComPtr<IOleCommandTarget> commandTarget_;
  ComPtr<IWebBrowser2> hostBrowser_;
  TDeskBandForm* form_ = nullptr;
  bool positionLoaded_ = false;
  int32_t savedLeft_ = 0, savedTop_ = 0, savedWidth_ = 0;
};

// Operations on the host's rebar for the band (its window is the band's site window).
int GetRebarBandIndex(TDeskBand* band);
// The band's rectangle in screen coordinates.
RECT GetBandScreenRect(TDeskBand* band);
// Grows the rebar by the band window's height plus 4, maximises the band and tells the rebar's parent
// that the layout changed.
void ExpandBandInRebar(TDeskBand* band);
void MaximizeRebarBand(TDeskBand* band);

// ---- band form ----

using TDeskBandShortCutKeyEvent = std::function<void(TObject* sender, char& key)>;
using TDeskBandGetControlEvent = std::function<void(TObject* sender, TWinControl*& control)>;
using TDeskBandInitEvent = std::function<void(TObject* sender)>;
using TDeskBandPointEvent = std::function<void(TObject* sender, POINTL& p)>;
using TDeskGetChevronMenuEvent = std::function<void(TObject* sender, RECT visibleArea, TPopupMenu*& menu)>;

// The window of a band. Made by the band object as a child of the host's window; the call order that
// subclasses rely on: BeforeCreate, the form resources and OnCreate (with OldCreateOrder), AfterCreate
// (also when construction fails); Init when the band gets its site (browser events, hooks, OnInit);
// DeInit when the site is cleared (OnDeInit, hooks off, events off).
class TDeskBandForm : public TForm, public IDocHostUIHandler {
  VCL_CLASS(TDeskBandForm, TForm)
  explicit TDeskBandForm(TComponent* owner);
  // A form of the class for the band, as a child of the host's window.
  static TDeskBandForm* CreateBand(const TDeskBandFormClass& formClass, TDeskBand* band, HWND parentWindow);
  void Construct() override;
  void BeforeDestruction() override;

  TDeskBand* Band() const { return band_; }
  // Whether the window is the form's or one of its descendants.
  bool ContainsWindow(HWND window) const;
  // Focuses only a visible and enabled form.
  void SetFocus() override;
  int RebarID() const { return rebarId_; }
  TPopupMenu* ChevronMenu() const { return chevronMenu_; }
  TSHDocVwDWebBrowserEvents2* BrowserEvents() const { return browserEvents_; }

  TDeskBandShortCutKeyEvent OnGetShortcutKey;
  TDeskBandGetControlEvent OnGetDefaultControl;
  TDeskBandInitEvent OnInit;
  TDeskBandInitEvent OnDeInit;
  TDeskBandPointEvent OnGetActualSize;
  TDeskBandPointEvent OnGetMinSize;
  TDeskBandPointEvent OnGetMaxSize;
  TDeskBandPointEvent OnGetIntegralUnits;
  TDeskGetChevronMenuEvent OnGetChevronMenu;

  // The host browser's events (the sink as sender).
  virtual void BeforeNavigate2(TObject* sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags,
                               VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers, WordBool& Cancel);
  virtual void NavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL);
  virtual void NewWindow2(TObject* sender, ComPtr<IDispatch>& ppDisp, WordBool& Cancel);
  virtual void DocumentComplete(TObject* sender, IDispatch* pDisp, VARIANT& URL);
  virtual void CommandStateChange(TObject* sender, int Command, WordBool Enable);
  virtual void DownloadBegin(TObject* sender);
  virtual void DownloadComplete(TObject* sender);
  // Sizes: minimum 200 x 22, maximum the minimum with x = -1, integral 1 x 1, actual the minimum, each then
  // given to its event.
  virtual void GetMinSize(POINTL& p);
  virtual void GetMaxSize(POINTL& p);
  virtual void GetIntegralUnits(POINTL& p);
  virtual void GetActualSize(POINTL& p);
  // WorkerW's messages while the form has replaced its procedure.
  virtual void WorkerWWndProc(TMessage& message);
  virtual void Init();
  virtual void DeInit();
  virtual void BeforeCreate() {}
  virtual void AfterCreate() {}
  // Pops ChevronMenu up at the screen point; returns when it has closed.
  virtual void PopupChevronMenu(POINT point);
  virtual void FreeChevronMenu();
  // Moves the focus to the next (previous) tab stop; true when it wrapped around.
  virtual bool SelectNextTab(bool forward);

  // Installs both thread hooks, removing those the form holds first; a failure removes both again and
  // raises the platform error.
  void InstallHooks();
  // Removes the WorkerW replacement and both hooks, trying each; raises the first failure at the end.
  void RemoveHooks();
  bool HooksInstalled() const { return getMessageHook_ || callWndProcHook_; }
  HHOOK GetMessageHookHandle() const { return getMessageHook_; }
  HHOOK CallWndProcHookHandle() const { return callWndProcHook_; }
  HWND WorkerWWindow() const { return workerWWindow_; }

  // IDocHostUIHandler, as a browser control placed on the form asks for it (not counted).
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) override;
  HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* commandTarget, IOleInPlaceFrame* frame,
                 IOleInPlaceUIWindow* document) override;
  HRESULT HideUI() override;
  HRESULT UpdateUI() override;
  HRESULT EnableModeless(BOOL enable) override;
  HRESULT OnDocWindowActivate(BOOL activate) override;
  HRESULT OnFrameWindowActivate(BOOL activate) override;
  HRESULT ResizeBorder(const RECT* border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
  HRESULT TranslateAccelerator(MSG* msg, const GUID* group, DWORD commandId) override;
  HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  HRESULT GetDropTarget(IDropTarget* dropTarget, IDropTarget** replacement) override;
  HRESULT GetExternal(IDispatch** external) override;
  HRESULT TranslateUrl(DWORD translate, OLECHAR* url, OLECHAR** translated) override;
  HRESULT FilterDataObject(IDataObject* object, IDataObject** replacement) override;

  void WndProc(TMessage& message) override;

 protected:
  void ConnectBrowserEvents();
  void DisconnectBrowserEvents();
  void GetMessageHook(TThunkRecord& record);
  void CallWndProcHook(TThunkRecord& record);
  void SubclassWorkerW();
  void RestoreWorkerW();
  HWND FindWorkerWWindow() const;
  // The first tab stop in a container (its windowed children in order, each searched inside first), and
  // the form's last one (its windowed children from the last, each's first tab stop inside, else itself).
  TWinControl* FindFirstTabStop(TWinControl* container) const;
  TWinControl* FindLastTabStop() const;

 private:
  void ChevronPushed(const CWPSTRUCT& message);

  TDeskBand* band_ = nullptr;
  TSHDocVwDWebBrowserEvents2* browserEvents_ = nullptr;
  TCallbackThunk getMessageThunk_ = nullptr;
  HHOOK getMessageHook_ = nullptr;
  TCallbackThunk callWndProcThunk_ = nullptr;
  HHOOK callWndProcHook_ = nullptr;
  TPopupMenu* chevronMenu_ = nullptr;
  WNDPROC workerWOldProc_ = nullptr;
  HWND workerWWindow_ = nullptr;
  WNDPROC workerWProcInstance_ = nullptr;
  int rebarId_ = 0;
};

// The virtual-key code that a shortcut character stands for: the upper-case letter for a to z, else the
// character's own code.
WPARAM ShortcutKeyCode(char key);
