#include "toolbar/tests/DefinitionTestSupport.h"

#include "platform/runtime/Streams.h"
#include "platform/runtime/SysUtils.h"

namespace {

std::string B(bool value) { return value ? "1" : "0"; }
std::string N(int value) { return std::to_string(value); }
std::string L(TToolbarImageList* list) { return list ? list->Id() : "-"; }
std::string C(TColor color) { return ColorToString(color); }

std::string A(TToolBarAction* a) {
  return "{" + N(a->Kind()) + " id=" + a->Id() + " href=" + a->Href() + " target=" + a->Target() +
         " historysave=" + a->HistorySave() + "}";
}

std::string Lines(TStrings* items) {
  std::string out;
  for (int i = 0; i < items->Count(); ++i) out += (i ? ";" : "") + items->Strings(i);
  return out;
}

std::string Count(TCustomImageList* list) { return list ? N(list->Count()) : "-"; }

void Menu(TToolBarMenuItems* items, const std::string& pad, std::string& out) {
  if (items->Count() == 0) return;
  out += pad + "MENU imagelist=" + L(items->ImageList()) + "\n";
  for (int i = 0; i < items->Count(); ++i) {
    TToolbarMenuItem* item = items->Items(i);
    out += pad + item->ClassName() + " caption=" + item->Caption() + " action=" + A(item->Action()) +
           " checked=" + item->CheckedValue() + " unchecked=" + item->UncheckedValue() + " hint=" + item->Hint() +
           " id=" + item->Id() + " imageindex=" + N(item->ImageIndex()) + " disabled=" + B(item->Disabled()) +
           " style=" + N(item->Style()) + " height=" + N(item->Height()) + "\n";
    Menu(item->SubItems(), pad + "  ", out);
  }
}

}  // namespace

std::string DumpDefinition(TCustomToolbarDefinition& d, int indent) {
  std::string pad(size_t(indent), ' '), out;
  for (int i = 0; i < d.Actions()->Count(); ++i) {
    TToolBarAction* a = d.Actions()->Items(i);
    out += pad + a->ClassName() + " " + A(a) + "\n";
  }
  for (int i = 0; i < d.ImageLists()->Count(); ++i) {
    TToolbarImageList* l = d.ImageLists()->Items(i);
    out += pad + l->ClassName() + " id=" + l->Id() + " src=" + l->Src() + " mask=" + C(l->MaskColor()) +
           " hotsrc=" + l->HotSrc() + " hotmask=" + C(l->HotMaskColor()) + " disabledsrc=" + l->DisabledSrc() +
           " disabledmask=" + C(l->DisabledMaskColor()) + " size=" + N(l->Width()) + "x" + N(l->Height()) +
           " images=" + Count(l->Images()) + "/" + Count(l->HotImages()) + "/" + Count(l->DisabledImages()) + "\n";
  }
  for (int i = 0; i < d.Controls()->Count(); ++i) {
    TToolBarControl* c = d.Controls()->Items(i);
    std::string line = pad + c->ClassName();
    if (auto* b = DynamicAs<TToolbarButtonControl>(c)) {
      line += " id=" + b->Id() + " width=" + N(b->Width()) + " caption=" + b->Caption() +
              " popup=" + b->PopupCaption() + " imagelist=" + L(b->ImageList()) + " imageindex=" + N(b->ImageIndex()) +
              " hint=" + b->Hint() + " action=" + A(b->Action()) + " disabled=" + B(b->Disabled());
    } else if (auto* t = DynamicAs<TToolbarTextInputControl>(c)) {
      line += " id=" + t->Id() + " width=" + N(t->Width()) + " maxlength=" + N(t->MaxLength()) +
              " passwordchar=" + t->PasswordChar() + " hint=" + t->Hint() + " default=" + t->DefaultValue();
    } else if (auto* s = DynamicAs<TToolbarSelectControl>(c)) {
      line += " id=" + s->Id() + " width=" + N(s->Width()) + " dropdownsize=" + N(s->DropDownSize()) +
              " default=" + s->DefaultValue() + " persistentvalue=" + B(s->PersistentValue()) + " hint=" + s->Hint() +
              " items=" + Lines(s->Items());
    } else if (auto* k = DynamicAs<TToolbarComboControl>(c)) {
      line += " id=" + k->Id() + " persistenthistory=" + B(k->PersistentHistory()) + " historyid=" + k->HistoryId() +
              " width=" + N(k->Width()) + " listtype=" + N(k->ListType()) + " maxlength=" + N(k->MaxLength()) +
              " dropdownsize=" + N(k->DropDownSize()) + " default=" + k->DefaultValue() +
              " persistentvalue=" + B(k->PersistentValue()) + " autocomplete=" + B(k->AutoComplete()) +
              " clearonfirstclick=" + B(k->ClearOnFirstClick()) + " hint=" + k->Hint() + " action=" + A(k->Action()) +
              " items=" + Lines(k->Items());
    } else if (auto* s = DynamicAs<TToolbarSpacerControl>(c)) {
      line += " width=" + N(s->Width());
    } else if (auto* s = DynamicAs<TToolbarSeparatorControl>(c)) {
      line += " width=" + N(s->Width());
    } else if (auto* h = DynamicAs<TToolbarHtmlControl>(c)) {
      line += " width=" + N(h->Width()) + " src=" + h->Src() + " default=" + h->DefaultContent() +
              " error=" + h->ErrorContent() + " autohide=" + B(h->AutoHide());
    } else if (auto* m = DynamicAs<TToolbarImageControl>(c)) {
      line += " src=" + m->Src() + " mask=" + C(m->MaskColor()) + " hint=" + m->Hint() + " action=" + A(m->Action()) +
              " bitmap=" + N(m->Bitmap()->Width()) + "x" + N(m->Bitmap()->Height());
    } else if (auto* n = DynamicAs<TToolbarIncludeControl>(c)) {
      line += " src=" + n->Src() + " refresh=" + N(n->Refresh()) + "\n" +
              DumpDefinition(*n->IncludeDefinition(), indent + 2);
      line.pop_back();
    }
    out += line + "\n";
    if (auto* b = DynamicAs<TToolbarButtonControl>(c)) Menu(b->Menu()->Items(), pad + "  ", out);
  }
  for (int i = 0; i < d.Feeds()->Count(); ++i) {
    TToolbarFeed* f = d.Feeds()->Items(i);
    std::string sound(static_cast<const char*>(f->Sound()->Memory()), size_t(f->Sound()->Size()));
    out += pad + f->ClassName() + " id=" + f->Id() + " src=" + f->Src() + " target=" + f->Target() +
           " refresh=" + N(f->Refresh()) + " showtimeout=" + N(f->ShowTimeout()) + " showspeed=" + N(f->ShowSpeed()) +
           " soundsrc=" + f->SoundSrc() + " sound=" + sound + "@" + N(int(f->Sound()->Position())) + "\n";
  }
  return out;
}

std::string DumpToolbar(TToolbarDefinition& d) {
  return "guid=" + d.Guid() + " src=" + d.Src() + " refresh=" + N(d.Refresh()) + " caption=" + d.Caption() +
         " menucaption=" + d.MenuCaption() + " shortcut=" + d.Shortcut() + " defaultcontrol=" + d.DefaultControl() +
         " height=" + N(d.MinHeight()) + ".." + N(d.MaxHeight()) + " width=" + N(d.MinWidth()) + ".." +
         N(d.MaxWidth()) + " spacing=" + N(d.ControlSpacing()) + " popup=" + N(d.PopupMinDelay()) + "/" +
         N(d.PopupMinDelayAfterClick()) + " scriptableby=" + d.ScriptableBy();
}

std::string Outcome(const std::function<std::string()>& call) {
  try {
    return call();
  } catch (const Exception& e) {
    return e.ClassName() + ": " + e.Message();
  }
}

TDefinitionFiles::TDefinitionFiles() : storage_(TDynamicFileStorage::Create("C:\\Defs")) {}

TDefinitionFiles::~TDefinitionFiles() { storage_->Free(); }

void TDefinitionFiles::Put(const std::string& name, const std::string& bytes) {
  TStringStream content(bytes);
  storage_->StoreFile("http://host/tb/" + name, content, 0, "");
}

std::unique_ptr<TToolbarDefinition> TDefinitionFiles::Read(const std::string& text, std::string& outcome,
                                                           const std::string& name) {
  storage_->SetBaseURL("http://host/tb/" + name);
  TToolbarDefinition* definition = TToolbarDefinition::Create();
  try {
    definition->ParseXML(text, storage_);
  } catch (const Exception& e) {
    outcome = e.ClassName() + ": " + e.Message();
    definition->Free();
    return nullptr;
  }
  outcome = DumpDefinition(*definition);
  return std::unique_ptr<TToolbarDefinition>(definition);
}

std::string TDefinitionFiles::Load(const std::string& text, const std::string& name) {
  std::string outcome;
  Read(text, outcome, name);
  return outcome;
}
