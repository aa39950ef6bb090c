// The toolbar definition: the objects an XML toolbar definition is read into (one per element, grouped in
// owning lists per document), and the reader that builds them, resolving every named file through a file
// storage. A definition is not changed after it is loaded; its holder frees it.
#pragma once
#include <string>

#include "platform/components/Graphics.h"
#include "platform/components/ImgList.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"

class TFileStorage;
class TXMLNode;
class TCustomToolbarDefinition;
class TToolbarIncludeDefinition;
class TToolbarImageList;

VCL_EXCEPTION(ETessaline, Exception);

// Includes nested deeper than this fail the load.
constexpr int kMaxIncludeDepth = 16;
// What one load may read in all, its includes counted with it; more fails the load.
constexpr int kMaxIncludedDocuments = 256;
constexpr int kMaxLoadedControls = 10000;

enum TToolBarActionKind { akNone = 0, akToggle = 1, akOpenURL = 2 };
enum TToolbarMenuItemStyle { misNormal = 0, misBanner = 1, misStatic = 2 };
enum TToolbarComboListType { ltDropDown = 0, ltDropDownList = 1, ltSimple = 2 };

// What a control, menu item or named action does when it is used.
class TToolBarAction : public TObject {
  VCL_CLASS(TToolBarAction, TObject)
  explicit TToolBarAction(bool idRequired) : idRequired_(idRequired) {}
  static TToolBarAction* Create(bool idRequired) { return NewObject<TToolBarAction>(idRequired); }

  bool IdRequired() const { return idRequired_; }
  TToolBarActionKind Kind() const { return kind_; }
  const std::string& Href() const { return href_; }
  const std::string& Target() const { return target_; }
  const std::string& Id() const { return id_; }
  // The id of the variable control whose value goes to its history when the action runs.
  const std::string& HistorySave() const { return historySave_; }

  // Copies id, kind, href, target and historysave (not IdRequired).
  void Assign(const TToolBarAction& other);
  // Reads the action attributes of an element: a required id, or an actionid naming an action read
  // before in the same document, then action, href, target and historysave.
  void LoadFromNode(TCustomToolbarDefinition* definition, TXMLNode* node);

 private:
  friend class TToolbarButtonControl;
  friend struct TActionTestAccess;  // kinds the reader never gives, for tests
  bool idRequired_;
  TToolBarActionKind kind_ = akNone;
  std::string href_, target_, id_, historySave_;
};

class TToolbarMenuItem;

// The items of one menu and the image list of their images.
class TToolBarMenuItems : public TObject {
  VCL_CLASS(TToolBarMenuItems, TObject)
  int Count() const { return items_.Count(); }
  // EInvalidCast for an entry of another class; EListError outside the list.
  TToolbarMenuItem* Items(int index) const;
  int Add(TToolbarMenuItem* item);
  // Not owned; nil when the menu names none.
  TToolbarImageList* ImageList() const { return imageList_; }

  // Reads the first MENU child of a node (none leaves the list empty).
  void LoadFromNode(TCustomToolbarDefinition* definition, TXMLNode* node, TFileStorage* storage);

 private:
  TObjectList items_;
  TToolbarImageList* imageList_ = nullptr;
};

class TToolbarMenuItem : public TObject {
  VCL_CLASS(TToolbarMenuItem, TObject)
  TToolbarMenuItem();
  ~TToolbarMenuItem() override;
  static TToolbarMenuItem* Create() { return NewObject<TToolbarMenuItem>(); }

  TToolBarMenuItems* SubItems() const { return subItems_; }
  const std::string& Caption() const { return caption_; }
  TToolBarAction* Action() const { return action_; }
  const std::string& Id() const { return id_; }
  const std::string& CheckedValue() const { return checkedValue_; }
  const std::string& UncheckedValue() const { return uncheckedValue_; }
  const std::string& Hint() const { return hint_; }
  int ImageIndex() const { return imageIndex_; }
  bool Disabled() const { return disabled_; }
  TToolbarMenuItemStyle Style() const { return style_; }
  // -1: the default height.
  int Height() const { return height_; }

  void LoadFromNode(TCustomToolbarDefinition* definition, TXMLNode* node, TFileStorage* storage);

 private:
  TToolBarMenuItems* subItems_;
  std::string caption_;
  TToolBarAction* action_;
  std::string id_, checkedValue_, uncheckedValue_, hint_;
  int imageIndex_ = 0;
  bool disabled_ = false;
  TToolbarMenuItemStyle style_ = misNormal;
  int height_ = 0;
};

class TToolbarMenu : public TObject {
  VCL_CLASS(TToolbarMenu, TObject)
  TToolbarMenu() : items_(NewObject<TToolBarMenuItems>()) {}
  ~TToolbarMenu() override { items_->Free(); }
  TToolBarMenuItems* Items() const { return items_; }

 private:
  TToolBarMenuItems* items_;
};

// Base of every element: belongs to one definition. Create runs Initialize once the definition is
// stored; Free runs Finalize.
class TToolBarElement : public TObject {
  VCL_CLASS(TToolBarElement, TObject)
  explicit TToolBarElement(TCustomToolbarDefinition* definition) : definition_(definition) {}
  void AfterConstruction() override { Initialize(); }
  void BeforeDestruction() override { Finalize(); }

  // Creates the objects the element owns.
  virtual void Initialize() {}
  // Frees them.
  virtual void Finalize() {}
  // Reads the element from its node, resolving files through the storage.
  virtual void LoadFromNode(TXMLNode* node, TFileStorage* storage) = 0;

  // Not owned.
  TCustomToolbarDefinition* Definition() const { return definition_; }

 private:
  TCustomToolbarDefinition* definition_;
};

// An element that takes a place on the toolbar.
class TToolBarControl : public TToolBarElement {
  VCL_CLASS(TToolBarControl, TToolBarElement)
  using TToolBarElement::TToolBarElement;
};

// A control with an id, whose value macros and scripts can read.
class TToolbarVarControl : public TToolBarControl {
  VCL_CLASS(TToolbarVarControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  const std::string& Id() const { return id_; }

 protected:
  std::string id_;
};

// A button added by a web page.
struct TToolBarButtonInfo {
  std::string Caption;
  std::string ImageList;  // an image-list id
  int ImageIndex = 0;
  std::string Href;
  std::string Target;
};

// BUTTON (its Id stays empty).
class TToolbarButtonControl : public TToolbarVarControl {
  VCL_CLASS(TToolbarButtonControl, TToolbarVarControl)
  using TToolbarVarControl::TToolbarVarControl;
  static TToolbarButtonControl* Create(TCustomToolbarDefinition* definition) {
    return NewObject<TToolbarButtonControl>(definition);
  }
  // An openurl button with the caption, image and target of the info; an unknown image-list id raises
  // ETessaline "Can't find imagelist \"%s\"".
  static TToolbarButtonControl* CreateFromInfo(TCustomToolbarDefinition* definition, const TToolBarButtonInfo& info);

  void Initialize() override;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  const std::string& Caption() const { return caption_; }
  const std::string& PopupCaption() const { return popupCaption_; }
  int Width() const { return width_; }
  // Not owned; nil without one.
  TToolbarImageList* ImageList() const { return imageList_; }
  int ImageIndex() const { return imageIndex_; }
  const std::string& Hint() const { return hint_; }
  TToolBarAction* Action() const { return action_; }
  TToolbarMenu* Menu() const { return menu_; }
  bool Disabled() const { return disabled_; }

 private:
  std::string caption_, popupCaption_;
  int width_ = 0;
  TToolbarImageList* imageList_ = nullptr;
  int imageIndex_ = 0;
  std::string hint_;
  TToolBarAction* action_ = nullptr;
  TToolbarMenu* menu_ = nullptr;
  bool disabled_ = false;
};

// TEXT.
class TToolbarTextInputControl : public TToolbarVarControl {
  VCL_CLASS(TToolbarTextInputControl, TToolbarVarControl)
  using TToolbarVarControl::TToolbarVarControl;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  int Width() const { return width_; }
  int MaxLength() const { return maxLength_; }
  const std::string& PasswordChar() const { return passwordChar_; }
  const std::string& Hint() const { return hint_; }
  const std::string& DefaultValue() const { return defaultValue_; }

 private:
  int width_ = 0, maxLength_ = 0;
  std::string passwordChar_, hint_, defaultValue_;
};

// SELECT.
class TToolbarSelectControl : public TToolbarVarControl {
  VCL_CLASS(TToolbarSelectControl, TToolbarVarControl)
  using TToolbarVarControl::TToolbarVarControl;
  void Initialize() override;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  int Width() const { return width_; }
  const std::string& DefaultValue() const { return defaultValue_; }
  // Lines "caption=value".
  TStringList* Items() const { return items_; }
  bool PersistentValue() const { return persistentValue_; }
  int DropDownSize() const { return dropDownSize_; }
  const std::string& Hint() const { return hint_; }

 private:
  int width_ = 0;
  std::string defaultValue_;
  TStringList* items_ = nullptr;
  bool persistentValue_ = false;
  int dropDownSize_ = 0;
  std::string hint_;
};

// A variable control that keeps a history of its values.
class TToolbarVarControlWithHistory : public TToolbarVarControl {
  VCL_CLASS(TToolbarVarControlWithHistory, TToolbarVarControl)
  using TToolbarVarControl::TToolbarVarControl;
  bool PersistentHistory() const { return persistentHistory_; }
  const std::string& HistoryId() const { return historyId_; }

 protected:
  bool persistentHistory_ = false;
  std::string historyId_;
};

// COMBO.
class TToolbarComboControl : public TToolbarVarControlWithHistory {
  VCL_CLASS(TToolbarComboControl, TToolbarVarControlWithHistory)
  using TToolbarVarControlWithHistory::TToolbarVarControlWithHistory;
  void Initialize() override;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  int Width() const { return width_; }
  const std::string& Hint() const { return hint_; }
  int MaxLength() const { return maxLength_; }
  const std::string& DefaultValue() const { return defaultValue_; }
  // Lines "caption=value".
  TStringList* Items() const { return items_; }
  bool PersistentValue() const { return persistentValue_; }
  bool AutoComplete() const { return autoComplete_; }
  int DropDownSize() const { return dropDownSize_; }
  TToolbarComboListType ListType() const { return listType_; }
  bool ClearOnFirstClick() const { return clearOnFirstClick_; }
  TToolBarAction* Action() const { return action_; }

 private:
  int width_ = 0;
  std::string hint_;
  int maxLength_ = 0;
  std::string defaultValue_;
  TStringList* items_ = nullptr;
  bool persistentValue_ = false, autoComplete_ = false;
  int dropDownSize_ = 0;
  TToolbarComboListType listType_ = ltDropDown;
  friend struct TDefinitionTestAccess;  // values the reader never gives, for tests
  bool clearOnFirstClick_ = false;
  TToolBarAction* action_ = nullptr;
};

// spacer.
class TToolbarSpacerControl : public TToolBarControl {
  VCL_CLASS(TToolbarSpacerControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;
  int Width() const { return width_; }

 private:
  int width_ = 0;
};

// SEPARATOR.
class TToolbarSeparatorControl : public TToolBarControl {
  VCL_CLASS(TToolbarSeparatorControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  static TToolbarSeparatorControl* Create(TCustomToolbarDefinition* definition) {
    return NewObject<TToolbarSeparatorControl>(definition);
  }
  void Initialize() override { width_ = 8; }
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;
  int Width() const { return width_; }

 private:
  int width_ = 0;
};

// HTMLAREA.
class TToolbarHtmlControl : public TToolBarControl {
  VCL_CLASS(TToolbarHtmlControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  int Width() const { return width_; }
  const std::string& Src() const { return src_; }
  // HTML shown until the page loads, and when it fails.
  const std::string& DefaultContent() const { return defaultContent_; }
  const std::string& ErrorContent() const { return errorContent_; }
  bool AutoHide() const { return autoHide_; }

 private:
  int width_ = 0;
  std::string src_, defaultContent_, errorContent_;
  bool autoHide_ = false;
};

// IMAGE.
class TToolbarImageControl : public TToolBarControl {
  VCL_CLASS(TToolbarImageControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  void Initialize() override;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  const std::string& Src() const { return src_; }
  TColor MaskColor() const { return maskColor_; }
  const std::string& Hint() const { return hint_; }
  TToolBarAction* Action() const { return action_; }
  TBitmap* Bitmap() const { return bitmap_; }

 private:
  std::string src_;
  TColor maskColor_ = 0;
  std::string hint_;
  TToolBarAction* action_ = nullptr;
  TBitmap* bitmap_ = nullptr;
};

// INCLUDE: its controls are those of its own definition.
class TToolbarIncludeControl : public TToolBarControl {
  VCL_CLASS(TToolbarIncludeControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  void Initialize() override;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  TToolbarIncludeDefinition* IncludeDefinition() const { return includeDefinition_; }
  const std::string& Src() const { return src_; }
  // Seconds; -1: never refreshed.
  int Refresh() const { return refresh_; }

 private:
  TToolbarIncludeDefinition* includeDefinition_ = nullptr;
  std::string src_;
  int refresh_ = 0;
};

// IMAGELIST: normal, hot and disabled images cut from bitmaps.
class TToolbarImageList : public TToolBarElement {
  VCL_CLASS(TToolbarImageList, TToolBarElement)
  using TToolBarElement::TToolBarElement;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  const std::string& Id() const { return id_; }
  TImageList* Images() const { return images_; }
  // Nil without hotsrc, disabledsrc.
  TImageList* HotImages() const { return hotImages_; }
  TImageList* DisabledImages() const { return disabledImages_; }
  const std::string& Src() const { return src_; }
  TColor MaskColor() const { return maskColor_; }
  const std::string& HotSrc() const { return hotSrc_; }
  TColor HotMaskColor() const { return hotMaskColor_; }
  const std::string& DisabledSrc() const { return disabledSrc_; }
  TColor DisabledMaskColor() const { return disabledMaskColor_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  TImageList* MakeImages(const std::string& src, TColor maskColor, TFileStorage* storage) const;

  std::string id_;
  TImageList *images_ = nullptr, *hotImages_ = nullptr, *disabledImages_ = nullptr;
  std::string src_;
  TColor maskColor_ = 0;
  std::string hotSrc_;
  TColor hotMaskColor_ = 0;
  std::string disabledSrc_;
  TColor disabledMaskColor_ = 0;
  int width_ = 0, height_ = 0;
};

// feed: an RSS feed the worker downloads and the band announces.
class TToolbarFeed : public TToolBarElement {
  VCL_CLASS(TToolbarFeed, TToolBarElement)
  using TToolBarElement::TToolBarElement;
  void Initialize() override;
  void Finalize() override;
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  // Also the feed's registry key.
  const std::string& Id() const { return id_; }
  const std::string& Src() const { return src_; }
  const std::string& Target() const { return target_; }
  // Seconds between downloads.
  int Refresh() const { return refresh_; }
  // Seconds a pop-up stays; milliseconds of its fade.
  int ShowTimeout() const { return showTimeout_; }
  int ShowSpeed() const { return showSpeed_; }
  const std::string& SoundSrc() const { return soundSrc_; }
  // The sound file's bytes, positioned at the start; empty without a sound.
  TMemoryStream* Sound() const { return sound_; }

 private:
  std::string id_, src_, target_;
  int refresh_ = 0, showTimeout_ = 0, showSpeed_ = 0;
  std::string soundSrc_;
  TMemoryStream* sound_ = nullptr;
};

// Typed owning lists over an object list.
template <class T>
class TToolbarListOf : public TObject {
 public:
  int Count() const { return items_.Count(); }
  // EListError outside the list; EInvalidCast for an entry of another class.
  T* Items(int index) const { return As<T>(items_.Items(index)); }
  int Add(T* item) { return items_.Add(item); }

 protected:
  // The first entry whose Id equals the text in any ASCII letter case; nil when none does.
  T* FindById(const std::string& id) const;
  TObjectList items_;
};

template <class T>
T* TToolbarListOf<T>::FindById(const std::string& id) const {
  for (int i = 0; i < Count(); ++i) {
    T* item = static_cast<T*>(items_.Items(i));
    if (CompareText(item->Id(), id) == 0) return item;
  }
  return nullptr;
}

class TToolbarControlList : public TToolbarListOf<TToolBarControl> {
  VCL_CLASS(TToolbarControlList, TToolbarListOf<TToolBarControl>)
  void Clear() { items_.Clear(); }
};

class TToolbarFeedList : public TToolbarListOf<TToolbarFeed> {
  VCL_CLASS(TToolbarFeedList, TToolbarListOf<TToolbarFeed>)
};

class TToolbarImageListList : public TToolbarListOf<TToolbarImageList> {
  VCL_CLASS(TToolbarImageListList, TToolbarListOf<TToolbarImageList>)
  TToolbarImageList* Find(const std::string& id) const { return FindById(id); }
};

class TToolbarActionList : public TToolbarListOf<TToolBarAction> {
  VCL_CLASS(TToolbarActionList, TToolbarListOf<TToolBarAction>)
  TToolBarAction* Find(const std::string& id) const { return FindById(id); }
};

// One parsed TOOLBAR document.
class TCustomToolbarDefinition : public TObject {
  VCL_CLASS(TCustomToolbarDefinition, TObject)
  TCustomToolbarDefinition();
  ~TCustomToolbarDefinition() override;

  TToolbarControlList* Controls() const { return controls_; }
  TToolbarFeedList* Feeds() const { return feeds_; }
  // The top-level action elements of this document.
  TToolbarActionList* Actions() const { return actions_; }
  TToolbarImageListList* ImageLists() const { return imageLists_; }
  // The URL the document was read from: the storage's base URL when ParseXML began.
  const std::string& URL() const { return url_; }

  // Called for each child of TOOLBAR the reader does not know; ignores it.
  virtual void HandleUnknownNode(TXMLNode* node, TFileStorage* storage);
  // Reads the children of a TOOLBAR element.
  virtual void LoadFromNode(TXMLNode* node, TFileStorage* storage);
  // The image list with that id; nil for an empty id, and for an unknown one unless it must exist, when
  // ETessaline "Can't find imagelist \"%s\"" is raised.
  virtual TToolbarImageList* FindImageList(const std::string& id, bool mustExist);

  // Parses a document (its declaration decides the encoding) and loads its TOOLBAR root; files resolve
  // against the storage's base URL, which the caller sets to the document's URL. On failure the caller
  // frees the definition.
  void ParseXML(const std::string& text, TFileStorage* storage);
  void LoadFromXML(const std::string& text, TFileStorage* storage) { ParseXML(text, storage); }

  // Counts one more included document or control against the load's budget, kept by the outermost document;
  // ETessaline when the budget is spent.
  void CountIncludedDocument(const std::string& url);
  void CountControl();

 private:
  TCustomToolbarDefinition* Outermost();

  int includedDocuments_ = 0;
  int loadedControls_ = 0;
  TToolbarControlList* controls_;
  TToolbarFeedList* feeds_;
  TToolbarActionList* actions_;
  TToolbarImageListList* imageLists_;
  std::string url_;
};

// A document loaded by INCLUDE: its image lists resolve outward through the documents around it.
class TToolbarIncludeDefinition : public TCustomToolbarDefinition {
  VCL_CLASS(TToolbarIncludeDefinition, TCustomToolbarDefinition)
  explicit TToolbarIncludeDefinition(TCustomToolbarDefinition* parent) : parent_(parent) {}

  // The definition holding the INCLUDE; not owned.
  TCustomToolbarDefinition* Parent() const { return parent_; }
  // Its own image lists first (never raising), then the parent's.
  TToolbarImageList* FindImageList(const std::string& id, bool mustExist) override;

 private:
  TCustomToolbarDefinition* parent_;
};

// The top-level document, with the attributes of its TOOLBAR element.
class TToolbarDefinition : public TCustomToolbarDefinition {
  VCL_CLASS(TToolbarDefinition, TCustomToolbarDefinition)
  TToolbarDefinition() = default;
  static TToolbarDefinition* Create() { return NewObject<TToolbarDefinition>(); }

  // Reads the TOOLBAR attributes, then the children.
  void LoadFromNode(TXMLNode* node, TFileStorage* storage) override;

  // The URL the worker refreshes the definition from; seconds between refreshes (-1: not set).
  const std::string& Src() const { return src_; }
  int Refresh() const { return refresh_; }
  const std::string& Caption() const { return caption_; }
  const std::string& MenuCaption() const { return menuCaption_; }
  const std::string& DefaultControl() const { return defaultControl_; }
  const std::string& Shortcut() const { return shortcut_; }
  int MinHeight() const { return minHeight_; }
  int MaxHeight() const { return maxHeight_; }
  int MinWidth() const { return minWidth_; }
  int MaxWidth() const { return maxWidth_; }
  int ControlSpacing() const { return controlSpacing_; }
  const std::string& Guid() const { return guid_; }
  // Seconds.
  int PopupMinDelay() const { return popupMinDelay_; }
  int PopupMinDelayAfterClick() const { return popupMinDelayAfterClick_; }
  // ";"-separated URL masks of the pages that may script the toolbar.
  const std::string& ScriptableBy() const { return scriptableBy_; }

 private:
  std::string src_;
  int refresh_ = -1;
  std::string caption_, menuCaption_, defaultControl_, shortcut_;
  int minHeight_ = 0, maxHeight_ = 0, minWidth_ = 0, maxWidth_ = 0;
  int controlSpacing_ = 2;
  std::string guid_;
  int popupMinDelay_ = 0, popupMinDelayAfterClick_ = 0;
  std::string scriptableBy_;
};

// Whether a file refreshed every `refresh` seconds (-1: never) and stamped `lastDate` is due: more than
// refresh x 1000 milliseconds have passed since then (a date in the future counts from now; 0 is long ago).
bool IsRefreshDue(int refresh, TDateTime lastDate);
