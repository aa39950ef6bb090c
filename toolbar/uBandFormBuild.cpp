// Building the band form's controls: the definition's controls (INCLUDEs expanded) and the script-added
// buttons after them, laid out from the left, runs of buttons and separators sharing tool bars.
#include "deskband/vekWinInet.h"
#include "platform/components/Icons.h"
#include "platform/components/ImgList.h"
#include "platform/components/StdCtrls.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/MessageQueue.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"

struct TTessalineDeskBandForm::TBuildState {
  TToolBarControl* prevDef = nullptr;
  TControl* prevVisual = nullptr;
  TToolbarImageList* prevImages = nullptr;
  TToolbarImageList* curImages = nullptr;
  TControl* made = nullptr;  // the visual control of this iteration, new or reused
  bool isNew = true;
  int vOffset = 0;
  int fullHeight = 0;
  int reusedWidth = 0;
  int x = 0;
};

namespace {

bool IsToolBarKind(const TToolBarControl* control) {
  const TClassInfo* kind = control->ClassType();
  return kind == TToolbarButtonControl::StaticClass() || kind == TToolbarSeparatorControl::StaticClass();
}

// A control made inside the band activation context.
template <class T>
T* MakeInBandActCtx(TComponent* owner) {
  TEasyContextActivation* context = nullptr;
  BeginBandActCtx(context);
  T* control = nullptr;
  try {
    control = NewObject<T>(owner);
  } catch (...) {
    EndBandActCtx(context);
    throw;
  }
  EndBandActCtx(context);
  return control;
}

// What a combo or select list shows of an item line "caption=value".
std::string ItemCaption(const std::string& line) { return line.substr(0, line.find('=')); }

void FillList(TComboBox* box, const TStringList& items, const std::string& defaultValue) {
  for (int i = 0; i < items.Count(); ++i) box->Items()->Add(ItemCaption(items.Strings(i)));
  box->SetText(defaultValue);
  int index = box->Items()->IndexOf(defaultValue);
  if (index >= 0) box->SetItemIndex(index);
}

void SetHintOf(TControl* control, const std::string& hint) {
  control->SetHint(hint);
  control->SetShowHint(!hint.empty());
}

}  // namespace

void TTessalineDeskBandForm::FreeBuiltControls() {
  builtWidth_ = 0;
  if (builtControls_) builtControls_->Clear();
}

void TTessalineDeskBandForm::RebuildExtraButtons() {
  extraControls_->Clear();
  if (!currentDefinition_) return;
  for (const TToolBarButtonInfo& info : extraButtons_) {
    if (info.Caption == kExtraSeparatorCaption) {
      extraControls_->Add(TToolbarSeparatorControl::Create(currentDefinition_));
      continue;
    }
    try {
      extraControls_->Add(TToolbarButtonControl::CreateFromInfo(currentDefinition_, info));
    } catch (const Exception& e) {
      // One bad record must not break every later build.
      if (TTessalineDeskBandModule* module = TessalineDeskBandModule())
        module->LogFmt("Extra button \"%s\" skipped (%s): %s", {info.Caption, e.ClassName(), e.Message()}, 2);
    }
  }
}

namespace {

void CollectDefinitionControls(const TCustomToolbarDefinition& definition, std::vector<TToolBarControl*>& list) {
  TToolbarControlList* controls = definition.Controls();
  for (int i = 0; i < controls->Count(); ++i) {
    TToolBarControl* control = controls->Items(i);
    if (auto* include = DynamicAs<TToolbarIncludeControl>(control)) {
      if (include->IncludeDefinition()) CollectDefinitionControls(*include->IncludeDefinition(), list);
    } else {
      list.push_back(control);
    }
  }
}

}  // namespace

void TTessalineDeskBandForm::CollectControls(std::vector<TToolBarControl*>& list) const {
  if (currentDefinition_) CollectDefinitionControls(*currentDefinition_, list);
  for (int i = 0; i < extraControls_->Count(); ++i) list.push_back(extraControls_->Items(i));
}

void TTessalineDeskBandForm::BuildControls() {
  // Nothing to build on before OnCreate has made the lists.
  if (!formLock_ || !builtControls_ || !extraControls_) return;
  TBandLockGuard bandGuard;
  TCriticalSectionGuard formGuard(*formLock_);
  UpdateHeight();
  Canvas()->Lock();
  SendMessageA(Handle(), WM_SETREDRAW, 0, 0);
  HWND focused = ::GetFocus();
  try {
    // The controls' Tags point at the script-added controls too: they go before those are made again.
    FreeBuiltControls();
    RebuildExtraButtons();
    std::vector<TToolBarControl*> controls;
    CollectControls(controls);
    PlaceControls(controls);
  } catch (...) {
    EndUpdate();
    throw;
  }
  if (focused && IsWindow(focused)) ::SetFocus(focused);
  EndUpdate();
  UpdateHeight();
}

void TTessalineDeskBandForm::EndUpdate() {
  SendMessageA(Handle(), WM_SETREDRAW, 1, 0);
  Canvas()->Unlock();
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
}

void TTessalineDeskBandForm::PlaceControls(const std::vector<TToolBarControl*>& controls) {
  TBuildState s;
  TToolBarControl* lastDef = nullptr;
  TControl* lastVisual = nullptr;
  for (TToolBarControl* c : controls) {
    s.prevDef = lastDef;
    s.prevVisual = lastVisual;
    s.made = nullptr;
    s.isNew = true;
    s.vOffset = 0;
    s.fullHeight = ClientHeight();
    s.reusedWidth = 0;
    try {
      BuildOne(c, s);
    } catch (...) {
      if (s.made && s.isNew && builtControls_->IndexOf(s.made) < 0) s.made->Free();
      throw;
    }
    lastDef = c;
    lastVisual = s.made;
  }
  builtWidth_ = s.x;
}

void TTessalineDeskBandForm::BuildOne(TToolBarControl* c, TBuildState& s) {
  const TClassInfo* kind = c->ClassType();
  if (kind == TToolbarButtonControl::StaticClass())
    BuildButton(static_cast<TToolbarButtonControl*>(c), s);
  else if (kind == TToolbarSeparatorControl::StaticClass())
    BuildSeparator(static_cast<TToolbarSeparatorControl*>(c), s);
  else if (kind == TToolbarComboControl::StaticClass())
    BuildCombo(static_cast<TToolbarComboControl*>(c), s);
  else if (kind == TToolbarSelectControl::StaticClass())
    BuildSelect(static_cast<TToolbarSelectControl*>(c), s);
  else if (kind == TToolbarTextInputControl::StaticClass())
    BuildTextInput(static_cast<TToolbarTextInputControl*>(c), s);
  else if (kind == TToolbarHtmlControl::StaticClass())
    BuildHtmlArea(static_cast<TToolbarHtmlControl*>(c), s);
  else if (kind == TToolbarImageControl::StaticClass())
    BuildImage(static_cast<TToolbarImageControl*>(c), s);
  else if (kind == TToolbarSpacerControl::StaticClass())
    s.x += static_cast<TToolbarSpacerControl*>(c)->Width();
  else
    throw ETessaline(Format("Ismeretlen toolbarcontrol \"%s\"", {c->ClassName()}));
  if (!s.made) return;

  TEasyContextActivation* context = nullptr;
  BeginBandActCtx(context);
  struct End {
    TEasyContextActivation*& context;
    ~End() { EndBandActCtx(context); }
  } end{context};
  TControl* made = s.made;
  if (s.isNew) {
    if (s.prevDef && !(IsToolBarKind(s.prevDef) && IsToolBarKind(c))) s.x += currentDefinition_->ControlSpacing();
    made->SetLeft(s.x);
    made->SetTop(1000);
    made->SetTag(reinterpret_cast<intptr_t>(c));
    made->SetVisible(false);
    made->SetParent(this);
    made->SetTop((ClientHeight() - made->Height() - s.vOffset) / 2 + s.vOffset);
    builtControls_->Add(made);
  } else {
    s.x -= s.reusedWidth;
  }
  if (auto* bar = DynamicAs<TToolBar>(made)) GetToolBarWidth(bar);
  s.x += made->Width();
  if (auto* windowed = DynamicAs<TWinControl>(made)) windowed->HandleNeeded();
  made->SetVisible(true);
}

// ---- tool bars ----

void TTessalineDeskBandForm::PrepareToolBar(TToolBarControl* c, bool hasCaption, TBuildState& s) {
  auto* previous = DynamicAs<TMyToolBar>(s.prevVisual);
  bool joins = previous && s.curImages == s.prevImages &&
               (hasCaption == previous->ShowCaptions() ||
                (s.prevDef && s.prevDef->ClassType() == TToolbarSeparatorControl::StaticClass()) ||
                c->ClassType() == TToolbarSeparatorControl::StaticClass());
  TMyToolBar* bar = previous;
  if (joins) {
    s.isNew = false;
    s.reusedWidth = bar->Width();
  } else {
    bar = NewObject<TMyToolBar>(this);
  }
  s.made = bar;
  bar->SetVisible(false);
  bar->SetDoubleBuffered(true);
  bar->SetAutoSize(false);
  bar->SetAlign(alNone);
  bar->SetFlat(true);
  bar->SetEdgeInner(esNone);
  bar->SetEdgeOuter(esNone);
  bar->SetList(true);
  bar->SetHeight(s.fullHeight);
  bar->SetTransparent(true);
  bar->SetParent(this);
}

void TTessalineDeskBandForm::GetToolBarWidth(TToolBar* bar) {
  int width = 0;
  for (int i = 0; i < bar->ButtonCount(); ++i) width += bar->Buttons(i)->Width();
  bar->SetWidth(width + (bar->Width() - bar->ClientWidth()));
}

void TTessalineDeskBandForm::BuildButton(TToolbarButtonControl* c, TBuildState& s) {
  s.prevImages = s.curImages;
  s.curImages = c->ImageList();
  const bool hasCaption = !c->Caption().empty();
  PrepareToolBar(c, hasCaption, s);
  auto* bar = static_cast<TMyToolBar*>(s.made);
  bar->SetShowCaptions(hasCaption);
  TObjectPtr<TMyToolButton> button(NewObject<TMyToolButton>(bar));
  button->SetLeft(10000);
  button->SetParent(bar);
  button->SetTag(reinterpret_cast<intptr_t>(c));
  button->SetEnabled(!c->Disabled());
  SetHintOf(button.get(), c->Hint());
  if (TToolbarImageList* images = c->ImageList()) {
    bar->SetImages(images->Images());
    bar->SetHotImages(images->HotImages());
  }
  TPopupMenu* menu = BuildButtonMenu(c, button.get());
  button->SetDropdownMenu(menu);
  button->SetCaption(ExpandCaption(c->Caption()));
  button->SetImageIndex(c->ImageIndex());
  const TToolBarActionKind kind = c->Action() ? c->Action()->Kind() : akNone;
  if (menu)
    button->SetStyle(kind == akNone ? tbsButton : tbsDropDown);
  else
    button->SetStyle(kind == akToggle ? tbsCheck : tbsButton);
  button->SetAutoSize(false);
  if (c->Width() <= 0)
    button->SetAutoSize(true);
  else
    button->SetWidth(c->Width());
  button->OnClick = [this](TObject* sender) { ControlOnClick(sender); };
  button.release();
}

void TTessalineDeskBandForm::BuildSeparator(TToolbarSeparatorControl* c, TBuildState& s) {
  s.prevImages = s.curImages;
  PrepareToolBar(c, false, s);
  auto* bar = static_cast<TMyToolBar*>(s.made);
  TObjectPtr<TMyToolButton> divider(NewObject<TMyToolButton>(bar));
  divider->SetStyle(tbsDivider);
  divider->SetLeft(10000);
  divider->SetParent(bar);
  divider->SetTag(reinterpret_cast<intptr_t>(c));
  if (c->Width() < 1)
    divider->SetAutoSize(true);
  else
    divider->SetWidth(c->Width());
  divider.release();
}

// ---- other controls ----

void TTessalineDeskBandForm::BuildCombo(TToolbarComboControl* c, TBuildState& s) {
  auto* combo = MakeInBandActCtx<TComboBox>(this);
  s.made = combo;
  combo->SetVisible(false);
  combo->SetParent(this);
  combo->SetHeight(s.fullHeight);
  if (c->Width() != 0) combo->SetWidth(c->Width());
  SetHintOf(combo, c->Hint());
  combo->SetAutoComplete(c->AutoComplete());
  switch (c->ListType()) {
    case ltDropDown: combo->SetStyle(csDropDown); break;
    case ltDropDownList: combo->SetStyle(csDropDownList); break;
    case ltSimple: combo->SetStyle(csSimple); break;
    default: throw ETessaline(Format("Unhandled CtrlDef.ListType (%d)", {int(c->ListType())}));
  }
  if (c->DropDownSize() != 0) combo->SetDropDownCount(c->DropDownSize());
  FillList(combo, *c->Items(), c->DefaultValue());
  combo->OnEnter = [this](TObject* sender) { ComboEnter(sender); };
  combo->OnDropDown = [this](TObject* sender) { ComboDropDown(sender); };
  combo->OnKeyDown = [this](TObject* sender, WORD& key, TShiftState shift) { ComboKeyDown(sender, key, shift); };
}

void TTessalineDeskBandForm::BuildSelect(TToolbarSelectControl* c, TBuildState& s) {
  auto* select = MakeInBandActCtx<TComboBox>(this);
  s.made = select;
  select->SetVisible(false);
  select->SetParent(this);
  select->SetHeight(s.fullHeight);
  if (c->Width() != 0) select->SetWidth(c->Width());
  SetHintOf(select, c->Hint());
  select->SetStyle(csDropDownList);
  if (c->DropDownSize() != 0) select->SetDropDownCount(c->DropDownSize());
  FillList(select, *c->Items(), c->DefaultValue());
}

void TTessalineDeskBandForm::BuildTextInput(TToolbarTextInputControl* c, TBuildState& s) {
  auto* edit = MakeInBandActCtx<TEdit>(this);
  s.made = edit;
  edit->SetVisible(false);
  edit->SetParent(this);
  edit->SetHeight(s.fullHeight);
  if (c->Width() != 0)
    edit->SetWidth(c->Width());
  else
    edit->SetAutoSize(true);
  SetHintOf(edit, c->Hint());
  edit->SetText(c->DefaultValue());
}

void TTessalineDeskBandForm::BuildHtmlArea(TToolbarHtmlControl* c, TBuildState& s) {
  if (c->AutoHide() && !IsInternetConnected()) return;
  TEasyContextActivation* context = nullptr;
  BeginBandActCtx(context);
  try {
    s.made = MakeHtmlArea(c);
  } catch (...) {
    EndBandActCtx(context);
    throw;
  }
  EndBandActCtx(context);
  if (!s.made) return;
  s.made->SetHeight(s.fullHeight);
  s.made->SetWidth(c->Width());
  s.vOffset = -1;
}

void TTessalineDeskBandForm::BuildImage(TToolbarImageControl* c, TBuildState& s) {
  auto* image = NewObject<TImage>(this);
  s.made = image;
  SetHintOf(image, c->Hint());
  if (c->Action() && c->Action()->Kind() != akNone) {
    image->SetCursor(crHandPoint);
    image->OnClick = [this](TObject* sender) { ControlOnClick(sender); };
  }
  TBitmap* bitmap = c->Bitmap();
  image->SetWidth(bitmap->Width());
  image->SetHeight(bitmap->Height());
  if (c->MaskColor() == clNone) {
    auto* copy = NewObject<TBitmap>();
    image->Picture()->SetGraphic(copy);
    copy->Assign(bitmap);
    return;
  }
  TObjectPtr<TImageList> masked(TImageList::CreateSize(bitmap->Width(), bitmap->Height()));
  masked->AddMasked(bitmap, c->MaskColor());
  auto* icon = TIcon::Create();
  image->Picture()->SetGraphic(icon);
  masked->GetIcon(0, icon);
  image->SetTransparent(true);
}
