// The band form's life, its locks, the definition it shows, its sizes, shortcut and default control, and
// the signal and first-start timers.
#include "toolbar/uBandForm.h"

#include <mutex>

#include "deskband/vekUtils.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Sound.h"
#include "toolbar/uBandForm.dfm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uSignals.h"
#include "toolbar/uWatchThread.h"

namespace {

TCriticalSection* g_bandLock = nullptr;

// Holds a form's own lock for a scope (none before OnCreate made it).
class TFormLockGuard {
 public:
  explicit TFormLockGuard(TCriticalSection* lock) : lock_(lock) {
    if (lock_) lock_->Enter();
  }
  ~TFormLockGuard() {
    if (lock_) lock_->Leave();
  }
  TFormLockGuard(const TFormLockGuard&) = delete;
  TFormLockGuard& operator=(const TFormLockGuard&) = delete;

 private:
  TCriticalSection* lock_;
};

TObject* TagObject(const TControl* control) { return reinterpret_cast<TObject*>(control->Tag()); }

}  // namespace

void InitializeBandLock() {
  if (!g_bandLock) g_bandLock = TCriticalSection::Create();
}

void FinalizeBandLock() { FreeAndNil(g_bandLock); }

void AcquireBandLock() {
  if (g_bandLock) g_bandLock->Enter();
}

void ReleaseBandLock() {
  if (g_bandLock) g_bandLock->Leave();
}

TCriticalSection* BandLock() { return g_bandLock; }

void RegisterBandFormClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFormResource(TTessalineDeskBandForm::StaticClass(), kuBandFormResource);
    TPublisher<TTessalineDeskBandForm> publisher;
    TTessalineDeskBandForm::Publish(publisher);
  });
}

void TTessalineDeskBandForm::Publish(TPublisher<TTessalineDeskBandForm>& p) {
  p.Field("CtrlPanel", &TTessalineDeskBandForm::CtrlPanel)
      .Field("XPManifest1", &TTessalineDeskBandForm::XPManifest1)
      .Field("SignalCheckTimer", &TTessalineDeskBandForm::SignalCheckTimer)
      .Field("FeedCheckTimer", &TTessalineDeskBandForm::FeedCheckTimer)
      .Field("FirstStartTimer", &TTessalineDeskBandForm::FirstStartTimer)
      .Method("DeskBandFormCreate", &TTessalineDeskBandForm::DeskBandFormCreate)
      .Method("DeskBandFormDestroy", &TTessalineDeskBandForm::DeskBandFormDestroy)
      .Method("DeskBandFormResize", &TTessalineDeskBandForm::DeskBandFormResize)
      .Method("DeskBandFormGetShortcutKey", &TTessalineDeskBandForm::DeskBandFormGetShortcutKey)
      .Method("DeskBandFormGetDefaultControl", &TTessalineDeskBandForm::DeskBandFormGetDefaultControl)
      .Method("DeskBandFormGetActualSize", &TTessalineDeskBandForm::DeskBandFormGetActualSize)
      .Method("DeskBandFormGetMinSize", &TTessalineDeskBandForm::DeskBandFormGetMinSize)
      .Method("DeskBandFormGetMaxSize", &TTessalineDeskBandForm::DeskBandFormGetMaxSize)
      .Method("DeskBandFormGetChevronMenu", &TTessalineDeskBandForm::DeskBandFormGetChevronMenu)
      .Method("CtrlPanelClick", &TTessalineDeskBandForm::CtrlPanelClick)
      .Method("CtrlPanelEnter", &TTessalineDeskBandForm::CtrlPanelEnter)
      .Method("SignalCheckTimerTimer", &TTessalineDeskBandForm::SignalCheckTimerTimer)
      .Method("FeedCheckTimerTimer", &TTessalineDeskBandForm::FeedCheckTimerTimer)
      .Method("FirstStartTimerTimer", &TTessalineDeskBandForm::FirstStartTimerTimer);
}

TTessalineDeskBandForm::TTessalineDeskBandForm(TComponent* owner) : TDeskBandForm(owner) {}

TTessalineDeskBandForm::~TTessalineDeskBandForm() { DetachScriptObjects(); }

// ---- life ----

void TTessalineDeskBandForm::BeforeCreate() {
  inherited::BeforeCreate();
  AcquireBandLock();
  bandLocked_ = true;
}

void TTessalineDeskBandForm::AfterCreate() {
  inherited::AfterCreate();
  if (std::exchange(bandLocked_, false)) ReleaseBandLock();
}

void TTessalineDeskBandForm::CreateWnd() {
  TEasyContextActivation* context = nullptr;
  BeginBandActCtx(context);
  try {
    inherited::CreateWnd();
  } catch (...) {
    EndBandActCtx(context);
    throw;
  }
  EndBandActCtx(context);
}

void TTessalineDeskBandForm::DeskBandFormCreate(TObject*) {
  formLock_ = TCriticalSection::Create();
  BandFormCreated();
  counted_ = true;
  CtrlPanel->SetDoubleBuffered(true);
  CtrlPanel->SetParentBackground(true);
  CreateSignalWindow();
  UseThreadMenuWindow();
  signalled_ = true;
  builtControls_ = TObjectList::Create(true);
  memoryHistories_ = NewObject<TStringList>();
  extraControls_ = NewObject<TToolbarControlList>();
  soundBuffer_ = NewObject<TMemoryStream>();
  LoadDefinition(true);
  UpdateHeight();
}

void TTessalineDeskBandForm::DeskBandFormDestroy(TObject*) {
  DetachScriptObjects();
  FreeAndNil(builtControls_);
  FreeAndNil(currentDefinition_);
  if (memoryHistories_) {
    for (int i = 0; i < memoryHistories_->Count(); ++i) {
      TObject* history = memoryHistories_->Objects(i);
      memoryHistories_->SetObjects(i, nullptr);
      if (history) history->Free();
    }
    FreeAndNil(memoryHistories_);
  }
  FreeAndNil(extraControls_);
  // A pop-up's sound plays from this buffer.
  if (soundBuffer_ && soundBuffer_->Size() > 0) sndPlaySound(nullptr, 0);
  FreeAndNil(soundBuffer_);
  if (std::exchange(signalled_, false)) {
    LeaveThreadMenuWindow();
    DestroySignalWindow();
  }
  if (std::exchange(counted_, false)) BandFormDestroyed();
  FreeAndNil(formLock_);
}

// ---- the definition ----

void TTessalineDeskBandForm::LoadDefinition(bool rebuild) {
  TBandLockGuard bandGuard;
  TFormLockGuard formGuard(formLock_);
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  if (!module) throw ETessaline("No band module");
  TObjectPtr<TToolbarDefinition> fresh(module->LoadDefinition());
  // The controls' Tags and the script-added controls point into the old definition: they go first.
  FreeBuiltControls();
  if (extraControls_) extraControls_->Clear();
  FreeAndNil(currentDefinition_);
  currentDefinition_ = fresh.release();
  if (rebuild) BuildControls();
}

TToolbarVarControl* TTessalineDeskBandForm::FindVarControl(const std::string& id) const {
  TWinControl* control = FindVarWinControl(id);
  return control ? static_cast<TToolbarVarControl*>(TagObject(control)) : nullptr;
}

TWinControl* TTessalineDeskBandForm::FindVarWinControl(const std::string& id) const {
  if (id.empty() || !builtControls_) return nullptr;
  for (int i = 0; i < builtControls_->Count(); ++i) {
    auto* control = static_cast<TControl*>(builtControls_->Items(i));
    auto* variable = DynamicAs<TToolbarVarControl>(TagObject(control));
    if (variable && CompareText(variable->Id(), id) == 0) return DynamicAs<TWinControl>(control);
  }
  return nullptr;
}

// ---- sizes ----

void TTessalineDeskBandForm::UpdateHeight() {
  POINTL p{};
  GetMaxSize(p);
  SetHeight(p.y);
}

void TTessalineDeskBandForm::DeskBandFormResize(TObject*) { UpdateHeight(); }

void TTessalineDeskBandForm::DeskBandFormGetMinSize(TObject*, POINTL& p) {
  if (!currentDefinition_) return;
  if (currentDefinition_->MinHeight() != 0) p.y = currentDefinition_->MinHeight();
  if (currentDefinition_->MinWidth() != 0) p.x = currentDefinition_->MinWidth();
}

void TTessalineDeskBandForm::DeskBandFormGetMaxSize(TObject*, POINTL& p) {
  if (!currentDefinition_) return;
  if (currentDefinition_->MaxHeight() != 0) p.y = currentDefinition_->MaxHeight();
  if (currentDefinition_->MaxWidth() != 0) p.x = currentDefinition_->MaxWidth();
}

void TTessalineDeskBandForm::DeskBandFormGetActualSize(TObject* sender, POINTL& p) {
  if (!currentDefinition_) return;
  DeskBandFormGetMaxSize(sender, p);
  p.x = builtWidth_;
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  if (module && !module->Caption().empty()) p.x += Canvas()->TextWidth(module->Caption()) + 6;
}

// ---- keyboard ----

void TTessalineDeskBandForm::DeskBandFormGetShortcutKey(TObject*, char& key) {
  if (currentDefinition_ && !currentDefinition_->Shortcut().empty()) key = currentDefinition_->Shortcut()[0];
}

void TTessalineDeskBandForm::DeskBandFormGetDefaultControl(TObject*, TWinControl*& control) {
  if (!currentDefinition_ || currentDefinition_->DefaultControl().empty()) return;
  control = FindVarWinControl(currentDefinition_->DefaultControl());
  if (control || !builtControls_) return;
  for (int i = 0; i < builtControls_->Count(); ++i) {
    auto* windowed = DynamicAs<TWinControl>(static_cast<TObject*>(builtControls_->Items(i)));
    TObject* tag = windowed ? TagObject(windowed) : nullptr;
    if (!tag) continue;
    const TClassInfo* kind = tag->ClassType();
    if (kind == TToolbarTextInputControl::StaticClass() || kind == TToolbarComboControl::StaticClass() ||
        kind == TToolbarSelectControl::StaticClass()) {
      control = windowed;
      return;
    }
  }
}

void TTessalineDeskBandForm::CtrlPanelClick(TObject*) {
  TWinControl* control = nullptr;
  if (OnGetDefaultControl) OnGetDefaultControl(this, control);
  if (control) SetActiveControl(control);
}

void TTessalineDeskBandForm::CtrlPanelEnter(TObject*) {}

bool TTessalineDeskBandForm::IsBandFocused() const { return ContainsWindow(::GetFocus()); }

// ---- timers ----

void TTessalineDeskBandForm::SignalCheckTimerTimer(TObject*) {
  // A rebuild would free a menu whose loop runs this timer.
  if (!IsBandFocused() && !TMyPopupMenu::AnyOpen()) {
    if (IsDefChanged()) {
      ClearDefChanged();
      LoadDefinition(true);
    }
    bool pending = false;
    {
      TFormLockGuard guard(formLock_);
      pending = std::exchange(rebuildPending_, false);
    }
    if (pending) BuildControls();
  }
  // Feed checks do not wait while the user works in the band.
  if (IsFeedChanged()) {
    CheckFeedPopups();
    ClearFeedChanged();
  }
}

void TTessalineDeskBandForm::FirstStartTimerTimer(TObject*) {
  FirstStartTimer->SetEnabled(false);
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  TTessalineConfiguration* configuration = module ? module->Configuration() : nullptr;
  // Without a configuration FirstStart keeps its default, 1.
  if (configuration && !configuration->GetFirstStart()) return;
  if (configuration) configuration->SetFirstStart(false);
  if (Band()) ExpandBandInRebar(Band());
}

// ---- chevron menu ----

void TTessalineDeskBandForm::PopupChevronMenu(POINT point) {
  TBandLockGuard guard;
  inherited::PopupChevronMenu(point);
}

void TTessalineDeskBandForm::FreeChevronMenu() {
  TBandLockGuard guard;
  inherited::FreeChevronMenu();
}

// ---- script-added buttons ----

int32_t TTessalineDeskBandForm::GetIdealBkColor() {
  const int32_t rgb = ColorToRGB(Color());  // 00BBGGRR
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

void TTessalineDeskBandForm::ClearExtraButtons() {
  TFormLockGuard guard(formLock_);
  extraButtons_.clear();
}

void TTessalineDeskBandForm::AddExtraButton(const std::string& caption, const std::string& imageListId, int imageIndex,
                                            const std::string& href, const std::string& target) {
  TFormLockGuard guard(formLock_);
  if (extraButtons_.size() >= kMaxExtraButtons)
    throw ETessaline(Format("No more than %d buttons can be added", {int(kMaxExtraButtons)}));
  extraButtons_.push_back(TToolBarButtonInfo{caption, imageListId, imageIndex, href, target});
  rebuildPending_ = true;
}

void TTessalineDeskBandForm::AddExtraSeparator() { AddExtraButton(kExtraSeparatorCaption, "", 0, "", ""); }
