// The toolbar's band form: the window the desk band shows, which turns the current toolbar definition into
// controls laid out left to right (buttons and separators in tool bars, combo and select boxes, edit
// boxes, HTML areas and images), answers the band's sizes, shortcut key and default control, and applies
// definition changes and script-added buttons from its signal timer. The process-wide band lock serialises
// every change of the visual tree of the process's band forms.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "deskband/vekDeskBand.h"
#include "platform/components/ComCtrls.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/FormResource.h"
#include "platform/components/Themes.h"
#include "platform/components/WebBrowserControl.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Sync.h"
#include "toolbar/uParser.h"

class TBandFormLink;
class TRSSItem;
class TComboBox;
class TMenuItem;

// The band lock: one re-entrant section per loaded library, made by the library's initialisation and
// freed when it unloads. Acquire and Release do nothing while it does not exist.
void InitializeBandLock();
void FinalizeBandLock();
void AcquireBandLock();
void ReleaseBandLock();
// The section itself (none outside the library's life), for tests that probe it.
TCriticalSection* BandLock();

// Holds the band lock for a scope.
class TBandLockGuard {
 public:
  TBandLockGuard() { AcquireBandLock(); }
  ~TBandLockGuard() { ReleaseBandLock(); }
  TBandLockGuard(const TBandLockGuard&) = delete;
  TBandLockGuard& operator=(const TBandLockGuard&) = delete;
};

// Whether the exception is the one a tool bar's window procedure logged and re-raised (then the
// application's handler shows it without logging it again); Clear forgets it.
bool LoggedByToolBar(const std::exception& error);
void ClearLoggedByToolBar();

// The caption of a script-added record that stands for a separator.
inline constexpr const char* kExtraSeparatorCaption = "*--SEPARATOR--*";

// The container of a run of buttons and separators. Its window procedure holds the band lock around
// painting, notifications, the menu loop and the component library's control notifications; an exception
// there is logged and re-raised only with the user's DebugLog on.
class TMyToolBar : public TToolBar {
  VCL_CLASS(TMyToolBar, TToolBar)
  explicit TMyToolBar(TComponent* owner);
  void WndProc(TMessage& message) override;
  // Whether the message is handled under the band lock.
  static bool NeedsBandLock(UINT msg);

 protected:
  // The inherited processing of one message.
  virtual void InheritedWndProc(TMessage& message) { inherited::WndProc(message); }

 private:
  void HandleError(const Exception& error);
};

class TMyToolButton : public TToolButton {
  VCL_CLASS(TMyToolButton, TToolButton)
  using TToolButton::TToolButton;
};

// The band's owner-drawn pop-up menus: a button's drop-down menu and the chevron menu. The hot image list
// (owned when set) replaces the menu's Images while the selected item draws. Popping up routes the menu's
// commands to a window of the calling thread and counts the menu as open on that thread.
class TMyPopupMenu : public TPopupMenu {
  VCL_CLASS(TMyPopupMenu, TPopupMenu)
  explicit TMyPopupMenu(TComponent* owner);
  TCustomImageList* HotImages() const { return hotImages_; }
  void SetHotImages(TCustomImageList* images) { hotImages_ = images; }
  void Popup(int x, int y) override;
  // Whether a menu of the band is open on the calling thread.
  static bool AnyOpen();

 protected:
  void DoPopup(TObject* sender) override;

 private:
  TCustomImageList* hotImages_ = nullptr;
};

// A menu item whose Tag is its definition menu item (or, at the chevron menu's top level, the definition
// control): the definition's Height and Style shape its measuring and drawing.
class TMyMenuItem : public TMenuItem {
  VCL_CLASS(TMyMenuItem, TMenuItem)
  using TMenuItem::TMenuItem;
  void MeasureItem(TCanvas* canvas, int& width, int& height) override;
  void AdvancedDrawItem(TCanvas* canvas, RECT rect, TOwnerDrawState state, bool topLevel) override;
};

// The calling thread's window for menu commands lives while the thread holds band forms: each form uses
// it from its creation to its destruction, and the last one's leaving destroys it.
void UseThreadMenuWindow();
void LeaveThreadMenuWindow();

// Adds the image at index of the normal list (and of the hot one, when both hot lists exist) to the
// targets: the new index in the normal target, or -1 when there is no source, no index or the source
// is not square.
int CopyMenuIcon(TCustomImageList* sourceNormal, TCustomImageList* sourceHot, int index, TCustomImageList* targetHot,
                 TCustomImageList* targetNormal);

// An HTML area: the status of its last failed navigation (0 when none) and whether it has been sent to
// its Src.
class TMyWebBrowser : public TWebBrowser {
  VCL_CLASS(TMyWebBrowser, TWebBrowser)
  using TWebBrowser::TWebBrowser;
  int32_t LastError = 0;
  bool Navigated = false;
};

// The colour (a system colour resolved) as "#RRGGBB".
std::string ColorToHtml(TColor color);

class TTessalineDeskBandForm : public TDeskBandForm {
  VCL_CLASS(TTessalineDeskBandForm, TDeskBandForm)
  explicit TTessalineDeskBandForm(TComponent* owner);
  ~TTessalineDeskBandForm() override;

  // Components of the form resource.
  TPanel* CtrlPanel = nullptr;
  TXPManifest* XPManifest1 = nullptr;
  TTimer* SignalCheckTimer = nullptr;
  TTimer* FeedCheckTimer = nullptr;
  TTimer* FirstStartTimer = nullptr;

  // Handlers bound by the resource.
  void DeskBandFormCreate(TObject* sender);
  void DeskBandFormDestroy(TObject* sender);
  void DeskBandFormResize(TObject* sender);
  void DeskBandFormGetShortcutKey(TObject* sender, char& key);
  void DeskBandFormGetDefaultControl(TObject* sender, TWinControl*& control);
  void DeskBandFormGetActualSize(TObject* sender, POINTL& p);
  void DeskBandFormGetMinSize(TObject* sender, POINTL& p);
  void DeskBandFormGetMaxSize(TObject* sender, POINTL& p);
  void DeskBandFormGetChevronMenu(TObject* sender, RECT visibleArea, TPopupMenu*& menu);
  void CtrlPanelClick(TObject* sender);
  void CtrlPanelEnter(TObject* sender);
  void SignalCheckTimerTimer(TObject* sender);
  void FeedCheckTimerTimer(TObject* sender);
  void FirstStartTimerTimer(TObject* sender);

  // Replaces the definition by a fresh one from the module (its failure changes nothing) and, when
  // `rebuild`, builds the controls again.
  void LoadDefinition(bool rebuild);
  // Makes the visual controls of the definition and of the script-added buttons. A failure leaves the
  // controls placed so far, redrawing on and both locks free.
  void BuildControls();
  // Height := the band's maximum height.
  void UpdateHeight();
  // The variable control with this id among the built ones (none for an empty id), and its visual control.
  TToolbarVarControl* FindVarControl(const std::string& id) const;
  TWinControl* FindVarWinControl(const std::string& id) const;
  // Whether the keyboard focus lies inside the band form.
  bool IsBandFocused() const;

  // Feed pop-ups: whether one may show now (the host window active, the band not focused, both minimum
  // delays over, no screen saver); the check that shows the oldest unseen item of the first feed that has
  // one; showing it with the feed's sound.
  bool CanShowPopup();
  void CheckFeedPopups();
  void ShowFeedPopup(const TToolbarFeed& feed, const TRSSItem& item);
  // Whether the active window is the form's parent window or one of its ancestors.
  bool IsHostWindowActive() const;
  TDateTime GetLastPopup();
  void SetLastPopup(TDateTime time);
  TDateTime GetLastPopupClick();
  void SetLastPopupClick(TDateTime time);
  void OpenPopupLink(const std::string& link, const std::string& target);
  // What the latest pop-up's sound plays from.
  TMemoryStream* SoundBuffer() const { return soundBuffer_; }

  // Clicks: a tool button's or image's (its Tag's definition control), a menu item's (its Tag's
  // definition item, when it has one) and a chevron item's (its Tag's definition control).
  void ControlOnClick(TObject* sender);
  void ControlClick(TToolBarControl* control);
  void MenuItemClick(TObject* sender);
  void ChevronItemClick(TObject* sender);

  // Menus: the items of a definition menu under a parent item (owned by owner; images copied into the
  // targets), one item's settings from its definition item, the owner-draw handlers, and the chevron
  // menu's items for the hidden buttons of one control.
  void BuildMenuItems(TToolBarMenuItems* items, TMenuItem* parent, TComponent* owner, TCustomImageList* hotTarget,
                      TCustomImageList* normalTarget);
  void SetupMenuItem(TToolbarMenuItem* definition, TToolBarMenuItems* collection, TMenuItem* item,
                     TCustomImageList* hotTarget, TCustomImageList* normalTarget);
  void MenuItemMeasure(TObject* sender, TCanvas* canvas, int& width, int& height);
  void MenuItemAdvancedDraw(TObject* sender, TCanvas* canvas, RECT rect, TOwnerDrawState state);
  void FillChevronMenu(TMyPopupMenu* menu, TControl* control, RECT visibleArea);
  // Runs the action and saves the history it names; false for kind none.
  bool ExecAction(TToolBarAction* action);
  // Lines "id=value" of the built controls' current values.
  void GetVarList(TStrings& list);
  // The built-in macros, then the controls' values; an empty or blank text stays as it is.
  std::string ExpandMacros(const std::string& text);
  // Opens the address in the host browser's window, in a new window of it (any target but "_self" and
  // "_top"), or, without a host browser, outside it.
  void NavigateTo(const std::string& url, const std::string& target);
  // Histories (at most 50 lines, newest first): persistent ones in the user's configuration, the others
  // kept by the form per id.
  void LoadHistory(const std::string& historyId, bool persistent, TStrings& list);
  void SaveHistory(const std::string& historyId, bool persistent, const TStrings& list);
  void AddHistory(const std::string& historyId, bool persistent, const std::string& value);

  // Whether a page of that address may script the toolbar: the masks of ScriptableBy (else the two of
  // the definition's Src host), then the local ones.
  bool IsUrlAllowed(const std::string& url) const;
  // Puts a new browser object on the window of the browser's page under the library's base name, unless
  // the window already knows that name; failures of the window raise.
  void InjectBrowserObject(IWebBrowser2* browser);
  // The link this form's page objects hold; cut when the form goes.
  std::shared_ptr<TBandFormLink> ScriptLink();

  // What page scripts call: the background colour as 0x00RRGGBB, and the script-added buttons (at most
  // kMaxExtraButtons; one more raises ETessaline).
  static constexpr size_t kMaxExtraButtons = 256;
  int32_t GetIdealBkColor();
  void ClearExtraButtons();
  void AddExtraButton(const std::string& caption, const std::string& imageListId, int imageIndex,
                      const std::string& href, const std::string& target);
  void AddExtraSeparator();

  TToolbarDefinition* CurrentDefinition() const { return currentDefinition_; }
  const TObjectList* BuiltControls() const { return builtControls_; }
  int BuiltWidth() const { return builtWidth_; }
  bool RebuildPending() const { return rebuildPending_; }
  TToolbarControlList* ExtraControls() const { return extraControls_; }
  TCriticalSection* FormLock() const { return formLock_; }

  void NavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL) override;
  void BeforeCreate() override;
  void AfterCreate() override;
  void PopupChevronMenu(POINT point) override;
  void FreeChevronMenu() override;

  static void Publish(TPublisher<TTessalineDeskBandForm>& p);

 protected:
  void CreateWnd() override;

 private:
  // What one iteration of the build loop works with.
  struct TBuildState;

  void RebuildExtraButtons();
  void CollectControls(std::vector<TToolBarControl*>& list) const;
  void FreeBuiltControls();
  void PlaceControls(const std::vector<TToolBarControl*>& controls);
  void EndUpdate();
  void BuildOne(TToolBarControl* control, TBuildState& s);
  void PrepareToolBar(TToolBarControl* control, bool hasCaption, TBuildState& s);
  static void GetToolBarWidth(TToolBar* bar);
  void BuildButton(TToolbarButtonControl* c, TBuildState& s);
  void BuildSeparator(TToolbarSeparatorControl* c, TBuildState& s);
  void BuildCombo(TToolbarComboControl* c, TBuildState& s);
  void BuildSelect(TToolbarSelectControl* c, TBuildState& s);
  void BuildTextInput(TToolbarTextInputControl* c, TBuildState& s);
  void BuildHtmlArea(TToolbarHtmlControl* c, TBuildState& s);
  void BuildImage(TToolbarImageControl* c, TBuildState& s);

  // The combo boxes' events, and the refill of a box's list from its history.
  void ComboEnter(TObject* sender);
  void ComboDropDown(TObject* sender);
  void ComboKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void RefillCombo(TComboBox* box);
  void AddMenuValues(const TMenuItem* item, TStrings& list);

  // HTML areas: the set-up and the areas' events.
  TControl* MakeHtmlArea(TToolbarHtmlControl* c);
  void HtmlAreaBeforeNavigate2(TObject* sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags,
                               VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers, WordBool& Cancel);
  void HtmlAreaNavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL);
  void HtmlAreaNavigateError(TObject* sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Frame, VARIANT& StatusCode,
                             WordBool& Cancel);
  void DetachScriptObjects();

  TPopupMenu* BuildButtonMenu(TToolbarButtonControl* c, TToolButton* button);
  std::string ExpandCaption(const std::string& caption);

  TObjectList* builtControls_ = nullptr;
  TToolbarDefinition* currentDefinition_ = nullptr;
  TStringList* memoryHistories_ = nullptr;
  int builtWidth_ = 0;
  TMemoryStream* soundBuffer_ = nullptr;
  TCriticalSection* formLock_ = nullptr;
  std::vector<TToolBarButtonInfo> extraButtons_;
  bool rebuildPending_ = false;
  TToolbarControlList* extraControls_ = nullptr;
  std::shared_ptr<TBandFormLink> scriptLink_;
  bool counted_ = false;     // the form count includes this form
  bool signalled_ = false;   // this form holds a use of the thread's signal window
  bool bandLocked_ = false;  // BeforeCreate took the band lock
};

// Registers the form's resource and handlers (once); the module does when it first answers the form class.
void RegisterBandFormClass();
