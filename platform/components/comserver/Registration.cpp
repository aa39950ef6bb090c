// The standard classes that form resources may name, with their published properties.
#include <mutex>

#include "platform/components/Application.h"
#include "platform/components/ComCtrls.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/FormResource.h"
#include "platform/components/Forms.h"
#include "platform/components/Menus.h"
#include "platform/components/StdCtrls.h"
#include "platform/components/Themes.h"
#include "platform/components/data/DataSet.h"

namespace {

// Built on first use: resources may be read while the static objects of other units are still being made
// (a library's start-up runs in its initialisation).
const std::vector<std::pair<std::string, TAlign>>& Aligns() {
  static const std::vector<std::pair<std::string, TAlign>> values = {
      {"alNone", alNone},   {"alTop", alTop},       {"alBottom", alBottom}, {"alLeft", alLeft},
      {"alRight", alRight}, {"alClient", alClient}, {"alCustom", alCustom}};
  return values;
}
const std::vector<std::pair<std::string, TAlignment>>& Alignments() {
  static const std::vector<std::pair<std::string, TAlignment>> values = {
      {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
  return values;
}
const std::vector<std::pair<std::string, TBevelCut>>& Bevels() {
  static const std::vector<std::pair<std::string, TBevelCut>> values = {
      {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
  return values;
}

void DefineControl() {
  // Non-visual components keep their design-time position in the resource; it has no effect.
  TProps<TComponent>().Ignored("Left").Ignored("Top").Int("Tag", [](TComponent* c, int v) { c->SetTag(v); });
  TProps<TControl>()
      .Int("Left", [](TControl* c, int v) { c->SetLeft(v); })
      .Int("Top", [](TControl* c, int v) { c->SetTop(v); })
      .Int("Width", [](TControl* c, int v) { c->SetWidth(v); })
      .Int("Height", [](TControl* c, int v) { c->SetHeight(v); })
      .Int("Tag", [](TControl* c, int v) { c->SetTag(v); })
      .Str("Caption", [](TControl* c, const std::string& v) { c->SetCaption(v); })
      .Str("Hint", [](TControl* c, const std::string& v) { c->SetHint(v); })
      .Bool("Visible", [](TControl* c, bool v) { c->SetVisible(v); })
      .Bool("Enabled", [](TControl* c, bool v) { c->SetEnabled(v); })
      .Bool("ShowHint", [](TControl* c, bool v) { c->SetShowHint(v); })
      .Bool("ParentShowHint", [](TControl* c, bool v) { c->SetParentShowHint(v); })
      .Bool("ParentFont", [](TControl* c, bool v) { c->SetParentFont(v); })
      .Bool("ParentColor", [](TControl* c, bool v) { c->SetParentColor(v); })
      .Color("Color", [](TControl* c, TColor v) { c->SetColor(v); })
      .Enum<TAlign>(
          "Align", [](TControl* c, TAlign v) { c->SetAlign(v); }, Aligns())
      .Custom("Cursor",
              [](TControl* c, const TResValue& v, TReader& r) {
                static const std::vector<std::pair<std::string, TCursor>> cursors = {
                    {"crDefault", crDefault}, {"crArrow", crArrow},         {"crHourGlass", crHourGlass},
                    {"crIBeam", crIBeam},     {"crHandPoint", crHandPoint}, {"crCross", crCross}};
                if (v.kind == TResValue::Integer) return c->SetCursor(TCursor(v.integer));
                for (auto& [name, value] : cursors)
                  if (v.kind == TResValue::Ident && name == v.text) return c->SetCursor(value);
                r.Fail("Cursor", "Invalid property value");
              })
      .Str("Font.Name", [](TControl* c, const std::string& v) { c->Font()->SetName(v); })
      .Int("Font.Height", [](TControl* c, int v) { c->Font()->SetHeight(v); })
      .Int("Font.Size", [](TControl* c, int v) { c->Font()->SetSize(v); })
      .Color("Font.Color", [](TControl* c, TColor v) { c->Font()->SetColor(v); })
      .SetOf("Font.Style", [](TControl* c, unsigned v) { c->Font()->SetStyle(v); },
             {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}})
      .Ignored("Font.Charset")
      .Ignored("Font.Pitch")
      .Int("Constraints.MinWidth", [](TControl* c, int v) { c->Constraints()->MinWidth = v; })
      .Int("Constraints.MinHeight", [](TControl* c, int v) { c->Constraints()->MinHeight = v; })
      .Int("Constraints.MaxWidth", [](TControl* c, int v) { c->Constraints()->MaxWidth = v; })
      .Int("Constraints.MaxHeight", [](TControl* c, int v) { c->Constraints()->MaxHeight = v; })
      .Reference<TPopupMenu>("PopupMenu", [](TControl* c, TPopupMenu* m) { c->SetPopupMenu(m); })
      .Event<void(TObject*)>("OnClick", &TControl::OnClick)
      .Event<void(TObject*)>("OnDblClick", &TControl::OnDblClick)
      .Event<void(TObject*)>("OnResize", &TControl::OnResize)
      .Event<void(TObject*, TMouseButton, TShiftState, int, int)>("OnMouseDown", &TControl::OnMouseDown)
      .Event<void(TObject*, TMouseButton, TShiftState, int, int)>("OnMouseUp", &TControl::OnMouseUp)
      .Event<void(TObject*, TShiftState, int, int)>("OnMouseMove", &TControl::OnMouseMove);
  TProps<TWinControl>()
      .Int("TabOrder", [](TWinControl* c, int v) { c->SetTabOrder(v); })
      .Bool("TabStop", [](TWinControl* c, bool v) { c->SetTabStop(v); })
      .Bool("DoubleBuffered", [](TWinControl* c, bool v) { c->SetDoubleBuffered(v); })
      .Bool("ParentBackground", [](TWinControl* c, bool v) { c->SetParentBackground(v); })
      .Event<void(TObject*)>("OnEnter", &TWinControl::OnEnter)
      .Event<void(TObject*)>("OnExit", &TWinControl::OnExit)
      .Event<void(TObject*, WORD&, TShiftState)>("OnKeyDown", &TWinControl::OnKeyDown)
      .Event<void(TObject*, WORD&, TShiftState)>("OnKeyUp", &TWinControl::OnKeyUp)
      .Event<void(TObject*, char&)>("OnKeyPress", &TWinControl::OnKeyPress);
}

void DefineForms() {
  TProps<TCustomForm>()
      .Enum<TFormBorderStyle>("BorderStyle", [](TCustomForm* f, TFormBorderStyle v) { f->SetBorderStyle(v); },
                              {{"bsNone", bsNone},
                               {"bsSingle", bsSingle},
                               {"bsSizeable", bsSizeable},
                               {"bsDialog", bsDialog},
                               {"bsToolWindow", bsToolWindow},
                               {"bsSizeToolWin", bsSizeToolWin}})
      .SetOf(
          "BorderIcons", [](TCustomForm* f, unsigned v) { f->SetBorderIcons(v); },
          {{"biSystemMenu", biSystemMenu}, {"biMinimize", biMinimize}, {"biMaximize", biMaximize}, {"biHelp", biHelp}})
      .Int("ClientWidth", [](TCustomForm* f, int v) { f->SetFormClientWidth(v); })
      .Int("ClientHeight", [](TCustomForm* f, int v) { f->SetFormClientHeight(v); })
      .Enum<TPosition>("Position", [](TCustomForm* f, TPosition v) { f->SetPosition(v); },
                       {{"poDesigned", poDesigned},
                        {"poDefault", poDefault},
                        {"poDefaultPosOnly", poDefaultPosOnly},
                        {"poDefaultSizeOnly", poDefaultSizeOnly},
                        {"poScreenCenter", poScreenCenter},
                        {"poDesktopCenter", poDesktopCenter},
                        {"poMainFormCenter", poMainFormCenter},
                        {"poOwnerFormCenter", poOwnerFormCenter}})
      .Enum<TFormStyle>("FormStyle", [](TCustomForm* f, TFormStyle v) { f->SetFormStyle(v); },
                        {{"fsNormal", fsNormal}, {"fsStayOnTop", fsStayOnTop}})
      .Enum<TWindowState>("WindowState", [](TCustomForm* f, TWindowState v) { f->SetWindowState(v); },
                          {{"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}})
      .Bool("KeyPreview", [](TCustomForm* f, bool v) { f->SetKeyPreview(v); })
      .Bool("OldCreateOrder", [](TCustomForm* f, bool v) { f->SetOldCreateOrder(v); })
      .Reference<TWinControl>("ActiveControl", [](TCustomForm* f, TWinControl* c) { f->SetActiveControl(c); })
      .Ignored("PixelsPerInch")
      .Ignored("TextHeight")
      .Ignored("Scaled")
      .Event<void(TObject*)>("OnCreate", &TCustomForm::OnCreate)
      .Event<void(TObject*)>("OnDestroy", &TCustomForm::OnDestroy)
      .Event<void(TObject*)>("OnShow", &TCustomForm::OnShow)
      .Event<void(TObject*)>("OnHide", &TCustomForm::OnHide)
      .Event<void(TObject*)>("OnActivate", &TCustomForm::OnActivate)
      .Event<void(TObject*)>("OnDeactivate", &TCustomForm::OnDeactivate)
      .Event<void(TObject*)>("OnPaint", &TCustomForm::OnPaint)
      .Event<void(TObject*, TCloseAction&)>("OnClose", &TCustomForm::OnClose)
      .Event<void(TObject*, bool&)>("OnCloseQuery", &TCustomForm::OnCloseQuery);
  TProps<TDataModule>()
      .Bool("OldCreateOrder", [](TDataModule* d, bool v) { d->SetOldCreateOrder(v); })
      .Ignored("Height")
      .Ignored("Width")
      .Event<void(TObject*)>("OnCreate", &TDataModule::OnCreate)
      .Event<void(TObject*)>("OnDestroy", &TDataModule::OnDestroy);
  TProps<TTimer>()
      .Bool("Enabled", [](TTimer* t, bool v) { t->SetEnabled(v); })
      .Int("Interval", [](TTimer* t, int v) { t->SetInterval(unsigned(v)); })
      .Event<void(TObject*)>("OnTimer", &TTimer::OnTimer);
}

void DefineStdControls() {
  TProps<TLabel>()
      .Bool("AutoSize", [](TLabel* l, bool v) { l->SetAutoSize(v); })
      .Bool("WordWrap", [](TLabel* l, bool v) { l->SetWordWrap(v); })
      .Bool("Transparent", [](TLabel* l, bool v) { l->SetTransparent(v); })
      .Bool("ShowAccelChar", [](TLabel* l, bool v) { l->SetShowAccelChar(v); })
      .Enum<TAlignment>(
          "Alignment", [](TLabel* l, TAlignment v) { l->SetAlignment(v); }, Alignments())
      .Enum<TTextLayout>("Layout", [](TLabel* l, TTextLayout v) { l->SetLayout(v); },
                         {{"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}})
      .Reference<TWinControl>("FocusControl", [](TLabel* l, TWinControl* c) { l->SetFocusControl(c); });
  TProps<TButton>()
      .Bool("Default", [](TButton* b, bool v) { b->SetDefault(v); })
      .Bool("Cancel", [](TButton* b, bool v) { b->SetCancel(v); })
      .Int("ModalResult", [](TButton* b, int v) { b->SetModalResult(v); });
  TProps<TCheckBox>()
      .Bool("Checked", [](TCheckBox* c, bool v) { c->SetChecked(v); })
      .Bool("AllowGrayed", [](TCheckBox* c, bool v) { c->SetAllowGrayed(v); })
      .Enum<TCheckBoxState>("State", [](TCheckBox* c, TCheckBoxState v) { c->SetState(v); },
                            {{"cbUnchecked", cbUnchecked}, {"cbChecked", cbChecked}, {"cbGrayed", cbGrayed}})
      .Enum<TAlignment>(
          "Alignment", [](TCheckBox* c, TAlignment v) { c->SetAlignment(v); }, Alignments());
  TProps<TRadioButton>()
      .Bool("Checked", [](TRadioButton* c, bool v) { c->SetChecked(v); })
      .Enum<TAlignment>(
          "Alignment", [](TRadioButton* c, TAlignment v) { c->SetAlignment(v); }, Alignments());
  TProps<TCustomEdit>()
      .Str("Text", [](TCustomEdit* e, const std::string& v) { e->SetText(v); })
      .Int("MaxLength", [](TCustomEdit* e, int v) { e->SetMaxLength(v); })
      .Custom("PasswordChar",
              [](TCustomEdit* e, const TResValue& v, TReader& r) {
                if (v.kind != TResValue::String || v.text.size() > 1) r.Fail("PasswordChar", "Invalid property value");
                e->SetPasswordChar(v.text.empty() ? 0 : v.text[0]);
              })
      .Bool("ReadOnly", [](TCustomEdit* e, bool v) { e->SetReadOnly(v); })
      .Bool("AutoSelect", [](TCustomEdit* e, bool v) { e->SetAutoSelect(v); })
      .Bool("AutoSize", [](TCustomEdit* e, bool v) { e->SetAutoSize(v); })
      .Enum<TEditCharCase>("CharCase", [](TCustomEdit* e, TEditCharCase v) { e->SetCharCase(v); },
                           {{"ecNormal", ecNormal}, {"ecUpperCase", ecUpperCase}, {"ecLowerCase", ecLowerCase}})
      .Event<void(TObject*)>("OnChange", &TCustomEdit::OnChange);
  TProps<TMemo>()
      .Strings("Lines.Strings", [](TMemo* m) { return m->Lines(); })
      .Enum<TScrollStyle>(
          "ScrollBars", [](TMemo* m, TScrollStyle v) { m->SetScrollBars(v); },
          {{"ssNone", ssNone}, {"ssHorizontal", ssHorizontal}, {"ssVertical", ssVertical}, {"ssBoth", ssBoth}})
      .Bool("WordWrap", [](TMemo* m, bool v) { m->SetWordWrap(v); })
      .Bool("WantReturns", [](TMemo* m, bool v) { m->SetWantReturns(v); });
  TProps<TComboBox>()
      .Strings("Items.Strings", [](TComboBox* c) { return c->Items(); })
      .Enum<TComboBoxStyle>("Style", [](TComboBox* c, TComboBoxStyle v) { c->SetStyle(v); },
                            {{"csDropDown", csDropDown},
                             {"csSimple", csSimple},
                             {"csDropDownList", csDropDownList},
                             {"csOwnerDrawFixed", csOwnerDrawFixed},
                             {"csOwnerDrawVariable", csOwnerDrawVariable}})
      .Bool("Sorted", [](TComboBox* c, bool v) { c->SetSorted(v); })
      .Int("ItemIndex", [](TComboBox* c, int v) { c->SetItemIndex(v); })
      .Int("DropDownCount", [](TComboBox* c, int v) { c->SetDropDownCount(v); })
      .Bool("AutoComplete", [](TComboBox* c, bool v) { c->SetAutoComplete(v); })
      .Int("ItemHeight", [](TComboBox*, int) {})
      .Event<void(TObject*)>("OnSelect", &TComboBox::OnSelect)
      .Event<void(TObject*)>("OnDropDown", &TComboBox::OnDropDown)
      .Event<void(TObject*)>("OnCloseUp", &TComboBox::OnCloseUp);
}

void DefineExtControls() {
  TProps<TCustomPanel>()
      .Enum<TBevelCut>(
          "BevelOuter", [](TCustomPanel* p, TBevelCut v) { p->SetBevelOuter(v); }, Bevels())
      .Enum<TBevelCut>(
          "BevelInner", [](TCustomPanel* p, TBevelCut v) { p->SetBevelInner(v); }, Bevels())
      .Int("BevelWidth", [](TCustomPanel* p, int v) { p->SetBevelWidth(v); })
      .Enum<TBorderStyle>("BorderStyle", [](TCustomPanel* p, TBorderStyle v) { p->SetBorderStyle(v); },
                          {{"bsNone", bsNoBorder}, {"bsSingle", bsSingleBorder}})
      .Enum<TAlignment>(
          "Alignment", [](TCustomPanel* p, TAlignment v) { p->SetAlignment(v); }, Alignments());
  TProps<TNotebook>()
      .Int("PageIndex", [](TNotebook* n, int v) { n->SetPageIndex(v); })
      .Custom("ActivePage",
              [](TNotebook* n, const TResValue& v, TReader& r) {
                if (v.kind != TResValue::String) r.Fail("ActivePage", "Invalid property value");
                n->SetActivePage(v.text);
              })
      .Event<void(TObject*)>("OnPageChanged", &TNotebook::OnPageChanged);
  TProps<TImage>()
      .Bool("AutoSize", [](TImage* i, bool v) { i->SetAutoSize(v); })
      .Bool("Stretch", [](TImage* i, bool v) { i->SetStretch(v); })
      .Bool("Center", [](TImage* i, bool v) { i->SetCenter(v); })
      .Bool("Transparent", [](TImage* i, bool v) { i->SetTransparent(v); });
  TProps<TBevel>()
      .Enum<TBevelShape>("Shape", [](TBevel* b, TBevelShape v) { b->SetShape(v); },
                         {{"bsBox", bsBox},
                          {"bsFrame", bsFrame},
                          {"bsTopLine", bsTopLine},
                          {"bsBottomLine", bsBottomLine},
                          {"bsLeftLine", bsLeftLine},
                          {"bsRightLine", bsRightLine},
                          {"bsSpacer", bsSpacer}})
      .Enum<TBevelCut>(
          "Style", [](TBevel* b, TBevelCut v) { b->SetStyle(v); }, Bevels());
  TProps<TProgressBar>()
      .Int("Min", [](TProgressBar* p, int v) { p->SetMin(v); })
      .Int("Max", [](TProgressBar* p, int v) { p->SetMax(v); })
      .Int("Position", [](TProgressBar* p, int v) { p->SetPosition(v); })
      .Int("Step", [](TProgressBar* p, int v) { p->SetStep(v); })
      .Bool("Smooth", [](TProgressBar* p, bool v) { p->SetSmooth(v); });
}

void DefineMenus() {
  TProps<TMenuItem>()
      .Str("Caption", [](TMenuItem* m, const std::string& v) { m->SetCaption(v); })
      .Bool("Checked", [](TMenuItem* m, bool v) { m->SetChecked(v); })
      .Bool("Enabled", [](TMenuItem* m, bool v) { m->SetEnabled(v); })
      .Bool("Visible", [](TMenuItem* m, bool v) { m->SetVisible(v); })
      .Bool("AutoCheck", [](TMenuItem* m, bool v) { m->SetAutoCheck(v); })
      .Bool("RadioItem", [](TMenuItem* m, bool v) { m->SetRadioItem(v); })
      .Bool("Default", [](TMenuItem* m, bool v) { m->SetDefault(v); })
      .Int("GroupIndex", [](TMenuItem* m, int v) { m->SetGroupIndex(v); })
      .Int("ImageIndex", [](TMenuItem* m, int v) { m->SetImageIndex(v); })
      .Str("Hint", [](TMenuItem* m, const std::string& v) { m->SetHint(v); })
      .Event<void(TObject*)>("OnClick", &TMenuItem::OnClick)
      .Event<void(TObject*, TCanvas*, int&, int&)>("OnMeasureItem", &TMenuItem::OnMeasureItem)
      .Event<void(TObject*, TCanvas*, RECT, TOwnerDrawState)>("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem);
  TProps<TMenu>()
      .Bool("OwnerDraw", [](TMenu* m, bool v) { m->SetOwnerDraw(v); })
      .Reference<TComponent>("Images", [](TMenu* m, TComponent* c) { m->SetImages(c); });
  TProps<TPopupMenu>()
      .Bool("AutoPopup", [](TPopupMenu* m, bool v) { m->SetAutoPopup(v); })
      .Event<void(TObject*)>("OnPopup", &TPopupMenu::OnPopup);
}

// FieldDefs = < item Name = 'Nev' DataType = ftString Size = 255 end ... >
void DefineDataSets() {
  TProps<TDataSet>().Custom("FieldDefs", [](TDataSet* d, const TResValue& v, TReader& r) {
    if (v.kind != TResValue::Collection) r.Fail("FieldDefs", "Invalid property value");
    d->FieldDefs().Clear();
    for (const std::vector<TResProperty>& item : v.collection) {
      std::string name;
      int type = -1;
      int64_t size = 0;
      for (const TResProperty& p : item) {
        if (p.name == "Name" && p.value.kind == TResValue::String) {
          name = p.value.text;
        } else if (p.name == "DataType" && p.value.kind == TResValue::Ident) {
          for (int t = 0; t < kFieldTypeCount && type < 0; ++t)
            if (p.value.text == "ft" + std::string(FieldTypeName(TFieldType(t)))) type = t;
          if (type < 0) r.Fail("FieldDefs", "Invalid property value");
        } else if (p.name == "Size" && p.value.kind == TResValue::Integer) {
          size = p.value.integer;
        } else {
          r.Fail("FieldDefs." + p.name, "Invalid property value");
        }
      }
      if (size < 0 || size > 65535) r.Fail("FieldDefs.Size", "Invalid property value");
      d->FieldDefs().Add(name, type < 0 ? ftUnknown : TFieldType(type), int(size));
    }
  });
}

}  // namespace

void RegisterStandardClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass<TLabel>();
    RegisterComponentClass<TButton>();
    RegisterComponentClass<TCheckBox>();
    RegisterComponentClass<TRadioButton>();
    RegisterComponentClass<TEdit>();
    RegisterComponentClass<TMemo>();
    RegisterComponentClass<TComboBox>();
    RegisterComponentClass<TPanel>();
    RegisterComponentClass<TPage>();
    RegisterComponentClass<TNotebook>();
    RegisterComponentClass<TImage>();
    RegisterComponentClass<TBevel>();
    RegisterComponentClass<TTimer>();
    RegisterComponentClass<TProgressBar>();
    RegisterComponentClass<TMenuItem>();
    RegisterComponentClass<TPopupMenu>();
    RegisterComponentClass<TXPManifest>();
    DefineControl();
    DefineForms();
    DefineStdControls();
    DefineExtControls();
    DefineMenus();
    DefineDataSets();
  });
}

TComponent* ResourceChildOwner(TComponent* container) { return DynamicAs<TNotebook>(container) ? container : nullptr; }

void ResourceChildParent(TComponent* container, TComponent* child) {
  if (auto* notebook = DynamicAs<TNotebook>(container)) {
    if (auto* page = DynamicAs<TPage>(child)) return notebook->AdoptPage(page);
  }
  if (auto* item = DynamicAs<TMenuItem>(child)) {
    if (auto* menu = DynamicAs<TMenu>(container)) return menu->Items()->Add(item);
    if (auto* parentItem = DynamicAs<TMenuItem>(container)) return parentItem->Add(item);
    return;
  }
  auto* control = DynamicAs<TControl>(child);
  if (!control) return;
  for (TComponent* c = container; c; c = c->Owner())
    if (auto* parent = DynamicAs<TWinControl>(c)) return control->SetParent(parent);
}
