#include "toolbar/uParser.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string_view>
#include <type_traits>

#include "deskband/vekUtils.h"
#include "deskband/vekXML.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"
#include "platform/runtime/Variant.h"
#include "toolbar/uFileStorage.h"
#include "toolbar/uMacros.h"

namespace {

// ---- attribute kinds ----

std::string Text(TXMLNode* node, std::string_view name, std::string_view fallback) {
  std::optional<std::string> value = GetAttributeText(node, name);
  return value ? std::move(*value) : std::string(fallback);
}

std::string RequiredText(TXMLNode* node, std::string_view name) { return GetRequiredAttributeText(node, name); }

// The attribute as a variant (a string), or the default.
Variant Value(TXMLNode* node, std::string_view name, const Variant& fallback) {
  std::optional<std::string> value = GetAttributeText(node, name);
  return value ? Variant(std::move(*value)) : fallback;
}

// Converted as a variant.
int Integer(TXMLNode* node, std::string_view name, const Variant& fallback) {
  return Value(node, name, fallback).AsInteger();
}

int RequiredInteger(TXMLNode* node, std::string_view name) { return Variant(RequiredText(node, name)).AsInteger(); }

// Converted as text (decimal, or hexadecimal after "$"); without the attribute, the default.
int IntegerText(TXMLNode* node, std::string_view name, int fallback) {
  std::optional<std::string> value = GetAttributeText(node, name);
  return value ? StrToInt(*value) : fallback;
}

// "true", "false" or a number.
bool Flag(TXMLNode* node, std::string_view name, bool fallback) { return Value(node, name, fallback).AsBoolean(); }

// False only for the exact text "0".
bool ZeroFlag(TXMLNode* node, std::string_view name) {
  std::optional<std::string> value = GetAttributeText(node, name);
  return value && *value != "0";
}

// Any number but 0.
bool NumberFlag(TXMLNode* node, std::string_view name, int fallback) {
  return VarCompareValue(Value(node, name, fallback), Variant(0)) != vrEqual;
}

TColor Colour(TXMLNode* node, std::string_view name, const char* fallback) {
  return StringToColor(Text(node, name, fallback));
}

std::string Expanded(const std::string& text) { return ExpandMacros(text, nullptr); }

// The index of the text among the names, in any ASCII letter case; otherwise ETessaline with the text.
int Choice(const std::string& text, std::initializer_list<const char*> names, const char* error) {
  int index = 0;
  for (const char* name : names) {
    if (CompareText(text, name) == 0) return index;
    ++index;
  }
  throw ETessaline(Format(error, {text}));
}

bool Named(TXMLNode* node, std::string_view name) { return IsElementNamed(node, name); }

// Loads a new object and then hands it to `add`; a failure frees it.
template <class T, class Add, class Load>
void LoadOwned(T* object, Add add, Load load) {
  try {
    load(object);
  } catch (...) {
    object->Free();
    throw;
  }
  add(object);
}

// The lines "caption=value" of the first ITEMS child.
void LoadListItems(TXMLNode* node, TStringList* items, bool valueRequired) {
  TXMLNode* list = FindChildNode(node, "ITEMS");
  if (!list) return;
  for (TXMLNode* item : list->ChildNodes()) {
    if (!Named(item, "ITEM")) continue;
    std::string value = valueRequired ? RequiredText(item, "value") : Text(item, "value", "");
    std::string caption = RequiredText(item, "CaPtIoN");
    items->Add(caption + '=' + value);
  }
}

void ReadFileInto(TFileStorage* storage, const std::string& key, TStream& stream) {
  storage->ReadStream(key, stream);
  stream.SetPosition(0);
}

// An include of `url` inside `definition` must not repeat a document that is being read around it, nor
// nest deeper than kMaxIncludeDepth.
void CheckIncludeChain(TCustomToolbarDefinition* definition, const std::string& url) {
  int depth = 0;
  for (TCustomToolbarDefinition* d = definition; d;) {
    if (CompareText(d->URL(), url) == 0) throw ETessaline(Format("Include cycle: \"%s\" is already being read", {url}));
    auto* include = DynamicAs<TToolbarIncludeDefinition>(d);
    if (!include) break;
    ++depth;
    d = include->Parent();
  }
  if (depth >= kMaxIncludeDepth)
    throw ETessaline(Format("Includes nested deeper than %d levels at \"%s\"", {kMaxIncludeDepth, url}));
  definition->CountIncludedDocument(url);
}

}  // namespace

// ---- actions and menus ----

void TToolBarAction::Assign(const TToolBarAction& other) {
  id_ = other.id_;
  kind_ = other.kind_;
  href_ = other.href_;
  target_ = other.target_;
  historySave_ = other.historySave_;
}

void TToolBarAction::LoadFromNode(TCustomToolbarDefinition* definition, TXMLNode* node) {
  if (idRequired_) {
    id_ = RequiredText(node, "id");
  } else {
    std::string reference = Text(node, "actionid", "");
    if (!reference.empty()) {
      TToolBarAction* named = definition->Actions()->Find(reference);
      if (!named) throw ETessaline(Format("Can't find action \"%s\"", {reference}));
      Assign(*named);
      return;
    }
  }
  kind_ = TToolBarActionKind(
      Choice(RequiredText(node, "action"), {"none", "toggle", "openurl"}, "\"%s\" is not a valid action"));
  href_ = Text(node, "href", "");
  target_ = Text(node, "target", "");
  historySave_ = Text(node, "historysave", "");
}

TToolbarMenuItem* TToolBarMenuItems::Items(int index) const { return As<TToolbarMenuItem>(items_.Items(index)); }

int TToolBarMenuItems::Add(TToolbarMenuItem* item) { return items_.Add(item); }

void TToolBarMenuItems::LoadFromNode(TCustomToolbarDefinition* definition, TXMLNode* node, TFileStorage* storage) {
  TXMLNode* menu = FindChildNode(node, "MENU");
  if (!menu) return;
  imageList_ = definition->FindImageList(Text(menu, "imagelist", ""), true);
  for (TXMLNode* child : menu->ChildNodes()) {
    if (!Named(child, "ITEM")) continue;
    LoadOwned<TToolbarMenuItem>(
        TToolbarMenuItem::Create(), [this](TToolbarMenuItem* item) { Add(item); },
        [&](TToolbarMenuItem* item) { item->LoadFromNode(definition, child, storage); });
  }
}

TToolbarMenuItem::TToolbarMenuItem()
    : subItems_(NewObject<TToolBarMenuItems>()), action_(TToolBarAction::Create(false)) {}

TToolbarMenuItem::~TToolbarMenuItem() {
  action_->Free();
  subItems_->Free();
}

void TToolbarMenuItem::LoadFromNode(TCustomToolbarDefinition* definition, TXMLNode* node, TFileStorage* storage) {
  caption_ = RequiredText(node, "CaPtIoN");
  action_->LoadFromNode(definition, node);
  checkedValue_ = Text(node, "checkedvalue", "");
  uncheckedValue_ = Text(node, "uncheckedvalue", "");
  hint_ = Text(node, "hint", "");
  id_ = Text(node, "id", "");
  imageIndex_ = Integer(node, "imageindex", -1);
  disabled_ = ZeroFlag(node, "disabled");
  style_ = TToolbarMenuItemStyle(
      Choice(Text(node, "style", ""), {"", "banner", "static"}, "\"%s\" is not a valid menuitem style"));
  height_ = Integer(node, "height", -1);
  subItems_->LoadFromNode(definition, node, storage);
}

// ---- controls ----

void TToolbarButtonControl::Initialize() {
  action_ = TToolBarAction::Create(false);
  menu_ = NewObject<TToolbarMenu>();
}

void TToolbarButtonControl::Finalize() {
  FreeAndNil(menu_);
  FreeAndNil(action_);
}

TToolbarButtonControl* TToolbarButtonControl::CreateFromInfo(TCustomToolbarDefinition* definition,
                                                             const TToolBarButtonInfo& info) {
  TToolbarButtonControl* button = Create(definition);
  try {
    button->caption_ = info.Caption;
    if (!info.ImageList.empty()) button->imageList_ = definition->FindImageList(info.ImageList, true);
    button->imageIndex_ = info.ImageIndex;
    button->action_->kind_ = akOpenURL;
    button->action_->href_ = info.Href;
    button->action_->target_ = info.Target;
  } catch (...) {
    button->Free();
    throw;
  }
  return button;
}

void TToolbarButtonControl::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  width_ = Integer(node, "width", 0);
  caption_ = Text(node, "caption", "");
  popupCaption_ = Text(node, "popupcaption", caption_);
  imageList_ = Definition()->FindImageList(Text(node, "imagelist", ""), true);
  imageIndex_ = Integer(node, "imageindex", -1);
  hint_ = Text(node, "hint", "");
  action_->LoadFromNode(Definition(), node);
  disabled_ = ZeroFlag(node, "disabled");
  menu_->Items()->LoadFromNode(Definition(), node, storage);
}

void TToolbarTextInputControl::LoadFromNode(TXMLNode* node, TFileStorage*) {
  id_ = RequiredText(node, "id");
  width_ = RequiredInteger(node, "width");
  maxLength_ = Integer(node, "maxlength", 0);
  passwordChar_ = Text(node, "passwordchar", "0");
  hint_ = Text(node, "hint", "");
  defaultValue_ = Text(node, "defaultvalue", "");
}

void TToolbarSelectControl::Initialize() { items_ = TStringList::Create(); }

void TToolbarSelectControl::Finalize() { FreeAndNil(items_); }

void TToolbarSelectControl::LoadFromNode(TXMLNode* node, TFileStorage*) {
  id_ = RequiredText(node, "id");
  width_ = RequiredInteger(node, "width");
  dropDownSize_ = Integer(node, "dropdownsize", 0);
  defaultValue_ = Text(node, "defaultvalue", "");
  persistentValue_ = Flag(node, "persistentvalue", false);
  hint_ = Text(node, "hint", "");
  LoadListItems(node, items_, true);
}

void TToolbarComboControl::Initialize() {
  items_ = TStringList::Create();
  action_ = TToolBarAction::Create(false);
}

void TToolbarComboControl::Finalize() {
  FreeAndNil(action_);
  FreeAndNil(items_);
}

void TToolbarComboControl::LoadFromNode(TXMLNode* node, TFileStorage*) {
  id_ = RequiredText(node, "id");
  persistentHistory_ = Flag(node, "persistenthistory", true);
  historyId_ = Text(node, "historyid", id_);
  width_ = RequiredInteger(node, "width");
  listType_ = TToolbarComboListType(Choice(Text(node, "listtype", "dropdown"), {"dropdown", "dropdownlist", "simple"},
                                           "\"%s\" is not a valid combotype"));
  maxLength_ = Integer(node, "maxlength", 0);
  dropDownSize_ = Integer(node, "dropdownsize", 0);
  defaultValue_ = Text(node, "defaultvalue", "");
  persistentValue_ = Flag(node, "persistentvalue", false);
  autoComplete_ = Flag(node, "autocomplete", true);
  clearOnFirstClick_ = Flag(node, "clearonfirstclick", false);
  hint_ = Text(node, "hint", "");
  action_->LoadFromNode(Definition(), node);
  LoadListItems(node, items_, listType_ == ltDropDownList);
}

void TToolbarSpacerControl::LoadFromNode(TXMLNode* node, TFileStorage*) { width_ = RequiredInteger(node, "width"); }

void TToolbarSeparatorControl::LoadFromNode(TXMLNode* node, TFileStorage*) { width_ = Integer(node, "width", 8); }

void TToolbarHtmlControl::LoadFromNode(TXMLNode* node, TFileStorage*) {
  width_ = RequiredInteger(node, "width");
  src_ = Expanded(RequiredText(node, "src"));
  defaultContent_ = Expanded(Text(node, "defaultcontent", ""));
  errorContent_ = Expanded(Text(node, "errorcontent", ""));
  autoHide_ = NumberFlag(node, "autohide", 1);
}

void TToolbarImageControl::Initialize() {
  action_ = TToolBarAction::Create(true);
  bitmap_ = TBitmap::Create();
}

void TToolbarImageControl::Finalize() {
  FreeAndNil(bitmap_);
  FreeAndNil(action_);
}

void TToolbarImageControl::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  src_ = Expanded(RequiredText(node, "src"));
  maskColor_ = Colour(node, "maskcolor", "clNone");
  hint_ = Text(node, "hint", "");
  action_->LoadFromNode(Definition(), node);
  TMemoryStream content;
  ReadFileInto(storage, src_, content);
  bitmap_->LoadFromStream(&content);
}

void TToolbarIncludeControl::Initialize() { includeDefinition_ = NewObject<TToolbarIncludeDefinition>(Definition()); }

void TToolbarIncludeControl::Finalize() { FreeAndNil(includeDefinition_); }

void TToolbarIncludeControl::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  src_ = Expanded(RequiredText(node, "src"));
  refresh_ = IntegerText(node, "refresh", -1);
  std::string url = storage->CombineURL(src_);
  CheckIncludeChain(Definition(), url);
  std::string text = storage->ReadString(src_);
  std::string saved = storage->GetBaseURL();
  storage->SetBaseURL(url);
  try {
    includeDefinition_->ParseXML(text, storage);
  } catch (...) {
    storage->SetBaseURL(saved);
    throw;
  }
  storage->SetBaseURL(saved);
}

// ---- image lists and feeds ----

void TToolbarImageList::Finalize() {
  FreeAndNil(disabledImages_);
  FreeAndNil(hotImages_);
  FreeAndNil(images_);
}

TImageList* TToolbarImageList::MakeImages(const std::string& src, TColor maskColor, TFileStorage* storage) const {
  TImageList* images = TImageList::CreateSize(width_, height_);
  try {
    TMemoryStream content;
    ReadFileInto(storage, src, content);
    TBitmap bitmap;
    bitmap.LoadFromStream(&content);
    images->AddMasked(&bitmap, maskColor);
  } catch (...) {
    images->Free();
    throw;
  }
  return images;
}

void TToolbarImageList::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  id_ = RequiredText(node, "id");
  src_ = Expanded(RequiredText(node, "src"));
  maskColor_ = Colour(node, "maskcolor", "$ff00ff");
  hotSrc_ = Expanded(Text(node, "hotsrc", ""));
  hotMaskColor_ = Colour(node, "hotmaskcolor", "$ff00ff");
  disabledSrc_ = Expanded(Text(node, "disabledsrc", ""));
  disabledMaskColor_ = Colour(node, "disabledmaskcolor", "$ff00ff");
  width_ = Integer(node, "width", "16");
  height_ = Integer(node, "height", "16");
  images_ = MakeImages(src_, maskColor_, storage);
  if (!hotSrc_.empty()) hotImages_ = MakeImages(hotSrc_, hotMaskColor_, storage);
  if (!disabledSrc_.empty()) disabledImages_ = MakeImages(disabledSrc_, disabledMaskColor_, storage);
}

void TToolbarFeed::Initialize() { sound_ = TMemoryStream::Create(); }

void TToolbarFeed::Finalize() { FreeAndNil(sound_); }

void TToolbarFeed::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  id_ = RequiredText(node, "id");
  src_ = Expanded(RequiredText(node, "src"));
  target_ = Text(node, "target", "_blank");
  refresh_ = IntegerText(node, "refresh", 1800);
  showTimeout_ = Integer(node, "showtimeout", 8);
  showSpeed_ = Integer(node, "showspeed", 500);
  soundSrc_ = Expanded(Text(node, "soundsrc", ""));
  if (!soundSrc_.empty()) ReadFileInto(storage, soundSrc_, *sound_);
}

// ---- definitions ----

TCustomToolbarDefinition::TCustomToolbarDefinition()
    : controls_(nullptr), feeds_(nullptr), actions_(nullptr), imageLists_(NewObject<TToolbarImageListList>()) {
  controls_ = NewObject<TToolbarControlList>();
  actions_ = NewObject<TToolbarActionList>();
  feeds_ = NewObject<TToolbarFeedList>();
}

TCustomToolbarDefinition::~TCustomToolbarDefinition() {
  feeds_->Free();
  actions_->Free();
  controls_->Free();
  imageLists_->Free();
}

void TCustomToolbarDefinition::HandleUnknownNode(TXMLNode*, TFileStorage*) {}

namespace {

template <class T>
TToolBarControl* MakeControl(TCustomToolbarDefinition* definition) {
  return NewObject<T>(definition);
}

// The children of TOOLBAR that go to Controls, in the order their names are tested (after action and feed,
// before IMAGELIST).
constexpr struct {
  std::string_view name;
  TToolBarControl* (*make)(TCustomToolbarDefinition*);
} kControlElements[] = {
    {"spacer", MakeControl<TToolbarSpacerControl>},       {"BUTTON", MakeControl<TToolbarButtonControl>},
    {"SEPARATOR", MakeControl<TToolbarSeparatorControl>}, {"COMBO", MakeControl<TToolbarComboControl>},
    {"TEXT", MakeControl<TToolbarTextInputControl>},      {"SELECT", MakeControl<TToolbarSelectControl>},
    {"HTMLAREA", MakeControl<TToolbarHtmlControl>},       {"IMAGE", MakeControl<TToolbarImageControl>},
    {"INCLUDE", MakeControl<TToolbarIncludeControl>},
};

}  // namespace

void TCustomToolbarDefinition::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  auto load = [&](auto* object, auto* list, TXMLNode* child) {
    using T = std::remove_pointer_t<decltype(object)>;
    LoadOwned<T>(
        object, [list](T* o) { list->Add(o); }, [&](T* o) { o->LoadFromNode(child, storage); });
  };
  for (TXMLNode* child : node->ChildNodes()) {
    if (Named(child, "action")) {
      LoadOwned<TToolBarAction>(
          TToolBarAction::Create(true), [this](TToolBarAction* a) { actions_->Add(a); },
          [&](TToolBarAction* a) { a->LoadFromNode(this, child); });
      continue;
    }
    if (Named(child, "feed")) {
      load(NewObject<TToolbarFeed>(this), feeds_, child);
      continue;
    }
    auto kind = std::find_if(std::begin(kControlElements), std::end(kControlElements),
                             [&](const auto& k) { return Named(child, k.name); });
    if (kind != std::end(kControlElements)) {
      CountControl();
      load(kind->make(this), controls_, child);
    } else if (Named(child, "IMAGELIST"))
      load(NewObject<TToolbarImageList>(this), imageLists_, child);
    else
      HandleUnknownNode(child, storage);
  }
}

TToolbarImageList* TCustomToolbarDefinition::FindImageList(const std::string& id, bool mustExist) {
  if (id.empty()) return nullptr;
  if (TToolbarImageList* list = imageLists_->Find(id)) return list;
  if (mustExist) throw ETessaline(Format("Can't find imagelist \"%s\"", {id}));
  return nullptr;
}

TCustomToolbarDefinition* TCustomToolbarDefinition::Outermost() {
  TCustomToolbarDefinition* d = this;
  while (auto* include = DynamicAs<TToolbarIncludeDefinition>(d)) d = include->Parent();
  return d;
}

void TCustomToolbarDefinition::CountIncludedDocument(const std::string& url) {
  if (++Outermost()->includedDocuments_ > kMaxIncludedDocuments)
    throw ETessaline(Format("More than %d documents included at \"%s\"", {kMaxIncludedDocuments, url}));
}

void TCustomToolbarDefinition::CountControl() {
  if (++Outermost()->loadedControls_ > kMaxLoadedControls)
    throw ETessaline(Format("More than %d controls at \"%s\"", {kMaxLoadedControls, url_}));
}

void TCustomToolbarDefinition::ParseXML(const std::string& text, TFileStorage* storage) {
  url_ = storage->GetBaseURL();
  if (Outermost() == this) includedDocuments_ = loadedControls_ = 0;
  TFileStorage::TIndexSnapshot snapshot(*storage);  // one reading of the index for every file named
  std::unique_ptr<TXMLDocument> document = LoadXMLData(text);
  LoadFromNode(GetRequiredChildNode(document->Node(), "TOOLBAR"), storage);
}

TToolbarImageList* TToolbarIncludeDefinition::FindImageList(const std::string& id, bool mustExist) {
  if (TToolbarImageList* list = inherited::FindImageList(id, false)) return list;
  return parent_->FindImageList(id, mustExist);
}

void TToolbarDefinition::LoadFromNode(TXMLNode* node, TFileStorage* storage) {
  guid_ = Text(node, "guid", "");
  src_ = Expanded(Text(node, "src", ""));
  refresh_ = IntegerText(node, "refresh", -1);
  caption_ = Text(node, "caption", "");
  menuCaption_ = Text(node, "menucaption", caption_);
  shortcut_ = Text(node, "shortcut", "");
  defaultControl_ = Text(node, "defaultcontrol", "");
  minHeight_ = Integer(node, "minheight", 0);
  maxHeight_ = Integer(node, "maxheight", minHeight_);
  minWidth_ = Integer(node, "minwidth", 0);
  maxWidth_ = Integer(node, "maxwidth", 0);
  controlSpacing_ = Integer(node, "controlspacing", 2);
  popupMinDelay_ = Integer(node, "popupmindelay", 10);
  popupMinDelayAfterClick_ = Integer(node, "popupmindelayafterclick", 120);
  scriptableBy_ = Text(node, "scriptableby", "");
  inherited::LoadFromNode(node, storage);
}

bool IsRefreshDue(int refresh, TDateTime lastDate) {
  if (refresh == -1) return false;
  TDateTime now = Now();
  if (now < lastDate) lastDate = now;  // stamped in the future (the clock was set back): counts from now
  return MillisecondsBetween(now, lastDate, false) > int64_t(refresh) * 1000;
}
