// Forms and data modules with the component library's construction protocol, and the screen.
//
// Construction (NewObject<T>(owner), T::Create, or a class reference's Create): the owner takes the form;
// then the virtual Construct runs: CreateNew's defaults, then the form resources of every class from the
// one below TForm (TDataModule for data modules) down to the instance's class, in that order (a class
// without a resource of its own is skipped; none at all raises EResNotFound "Resource \"%s\" not found"),
// then OnCreate when OldCreateOrder is set; after Construct, OnCreate when it is not. An exception from
// OnCreate goes to Application->HandleException and construction goes on. Subclasses that must enclose the
// whole sequence (take a lock before, release it after, also on failure) override Construct.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/components/Controls.h"

VCL_EXCEPTION(EResNotFound, Exception);

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TCustomForm : public TCustomControl {
  VCL_CLASS(TCustomForm, TCustomControl)
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // A form without resources (the component library's CreateNew).
  template <class T>
  static T* CreateNew(TComponent* owner) {
    return NewPreparedObject<T>([](T* form) { form->createNew_ = true; }, owner);
  }
  // A form whose window is a child of a window of another program (CreateParented); `prepare` runs on it
  // before its construction sequence too.
  template <class T>
  static T* CreateParented(HWND parentWindow) {
    return NewPreparedObject<T>([=](T* form) { form->parentWindow_ = parentWindow; }, nullptr);
  }
  static TCustomForm* CreateParented(const TClassOf<TCustomForm>& cls, HWND parentWindow,
                                     const TComponentPrepare& prepare = {});

  void Show();
  void Hide();
  // Asks OnCloseQuery and OnClose (which may change the default caHide); hides, minimises or frees as
  // OnClose decides. Closing the main form (any action but caNone) terminates the application instead and
  // leaves the form to the application.
  void Close();
  // Frees the form once the messages queued before are handled.
  void Release();
  virtual bool CloseQuery();
  // Focuses the control (activating the form); EInvalidOperation when it cannot take the focus.
  void FocusControl(TWinControl* control);
  void SetFocus() override;
  bool CanFocus() const override { return visible_ && enabled_; }

  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  // Called when a control of this form got the window focus.
  void SetFocusedControl(TWinControl* control);
  // A control leaves the form: references to it go.
  void ControlGoing(TControl* control);
  bool Active() const { return active_; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult r) { modalResult_ = r; }
  int PixelsPerInch() const { return 96; }
  // Client size from a resource: applied once the form is loaded, whatever the order of the properties.
  void SetFormClientWidth(int width);
  void SetFormClientHeight(int height);
  bool Creating() const { return creating_; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void WndProc(TMessage& message) override;
  void Loaded() override;

  // The construction protocol's steps, for subclasses that override Construct.
  virtual void Construct();
  // The empty form's defaults (the CreateNew part).
  void InitNew();
  // Loads the resources of the classes below `root` down to the instance's class; false when none has one.
  bool InitInheritedComponent(const TClassInfo* root);
  void DoCreate();
  void DoDestroy();
  bool CreatedWithoutResources() const { return createNew_; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  void SetWindowFocus();
  // The form became visible or hidden (CM_VISIBLECHANGED): shows its window (OnShow first) or hides it
  // (OnHide after).
  virtual void ShowingChanged();

 private:
  void ApplyPosition();
  // The client area in the form's colour.
  void EraseBackground(HDC dc);

  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  bool active_ = false;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  TFormStyle formStyle_ = fsNormal;
  TWindowState windowState_ = wsNormal;
  bool keyPreview_ = false;
  bool oldCreateOrder_ = false;
  TModalResult modalResult_ = mrNone;
  bool createNew_ = false;
  bool creating_ = false;
  bool shownOnce_ = false;
  bool releasing_ = false;
  int pendingClientWidth_ = -1, pendingClientHeight_ = -1;
};

class TForm : public TCustomForm {
  VCL_CLASS(TForm, TCustomForm)
  using TCustomForm::TCustomForm;
  static TForm* Create(TComponent* owner) { return NewObject<TForm>(owner); }
};

using TFormClass = TClassOf<TCustomForm>;

// A non-visual container loaded from its class's form resources like a form.
class TDataModule : public TComponent {
  VCL_CLASS(TDataModule, TComponent)
  explicit TDataModule(TComponent* owner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  template <class T>
  static T* CreateNew(TComponent* owner) {
    return NewPreparedObject<T>([](T* module) { module->createNew_ = true; }, owner);
  }

  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  virtual void Construct();
  bool InitInheritedComponent(const TClassInfo* root);
  void DoCreate();
  void DoDestroy();
  bool CreatedWithoutResources() const { return createNew_; }

 protected:
 private:
  bool oldCreateOrder_ = false;
  bool createNew_ = false;
};

// The forms of the process and the cursor.
class TScreen {
 public:
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  int FormCount() const;
  TCustomForm* Forms(int index) const;
  TCustomForm* ActiveForm() const;
  TWinControl* ActiveControl() const;
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  // Forms are made and freed on each user-interface thread of the process.
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  // The cursor table: a cursor set under a number, else the system cursor of a built-in number, else the
  // default cursor. Setting none removes the number's entry. The table does not destroy its cursors.
  HCURSOR Cursors(int index) const;
  void SetCursors(int index, HCURSOR cursor);

 private:
  std::map<int, HCURSOR> cursors_;
  TCursor cursor_ = crDefault;
  mutable std::mutex formsLock_;
  std::vector<TCustomForm*> forms_;
};

TScreen* GetScreen();
// `Screen->Cursor()` as in the component library.
struct TScreenRef {
  TScreen* operator->() const { return GetScreen(); }
};
inline constexpr TScreenRef Screen{};
