#include "wizard-components/BSEdit.h"

#include "platform/components/FormResource.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Clipboard.h"

namespace {

// Keys that pass whatever the filter: Ctrl+C, Backspace, Ctrl+V, Ctrl+X.
bool AlwaysAllowed(unsigned char key) { return key == 3 || key == 8 || key == 22 || key == 24; }

const bool registered = [] {
  RegisterComponentClass<TBSEdit>();
  TProps<TBSEdit>()
      .Str("FilterChars", [](TBSEdit* e, const std::string& v) { e->SetFilterChars(v); })
      .Enum<TBasicFilter>("BasicFilter", [](TBSEdit* e, TBasicFilter v) { e->SetBasicFilter(v); },
                          {{"bfCustom", bfCustom},
                           {"bfNumbers", bfNumbers},
                           {"bfChars", bfChars},
                           {"bfUpperChars", bfUpperChars},
                           {"bfLowerChars", bfLowerChars}})
      .Color("ActiveColor", [](TBSEdit* e, TColor v) { e->SetActiveColor(v); })
      .Bool("EmptyIsNull", [](TBSEdit* e, bool v) { e->SetEmptyIsNull(v); })
      .Enum<TAlignment>("Alignment", [](TBSEdit* e, TAlignment v) { e->SetAlignment(v); },
                        {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}});
  return true;
}();

}  // namespace

TBSEdit::TBSEdit(TComponent* owner) : TEdit(owner) {}

std::string TBSEdit::PresetChars(TBasicFilter filter) {
  switch (filter) {
    case bfNumbers: return "0123456789";
    case bfChars: return "AÁBCDEÉFGHIÍJKLMNOÓPQRSTUÚÜŰVWXYZaábcdeéfghiíjklmnoópqrstuúüűvwxyz"_cp;
    case bfUpperChars: return "AÁBCDEÉFGHIÍJKLMNOÓPQRSTUÚÜŰVWXYZ"_cp;
    case bfLowerChars: return "aábcdeéfghiíjklmnoópqrstuúüűvwxyz"_cp;
    case bfCustom: break;
  }
  return {};
}

std::string TBSEdit::FilterChars() const {
  std::string chars;
  for (size_t c = 0; c < filter_.size(); ++c)
    if (filter_.test(c)) chars += char(c);
  return chars;
}

void TBSEdit::SetFilterChars(std::string_view chars) {
  basicFilter_ = bfCustom;
  for (TBasicFilter preset : {bfNumbers, bfChars, bfUpperChars, bfLowerChars})
    if (chars == PresetChars(preset)) basicFilter_ = preset;
  filter_.reset();
  for (unsigned char c : chars) filter_.set(c);
  if (filter_.any()) SetText(Strip(Text()));
}

void TBSEdit::SetBasicFilter(TBasicFilter filter) {
  if (filter != basicFilter_) {
    basicFilter_ = filter;
    SetFilterChars(PresetChars(filter));
  }
  if (filter != bfNumbers && emptyIsNull_) emptyIsNull_ = false;
}

void TBSEdit::SetEmptyIsNull(bool value) {
  emptyIsNull_ = value;
  if (value && basicFilter_ != bfNumbers) SetBasicFilter(bfNumbers);
}

void TBSEdit::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  RecreateWnd();
}

std::string TBSEdit::Strip(std::string_view text) const {
  std::string kept;
  kept.reserve(text.size());
  for (unsigned char c : text)
    if (Allows(c)) kept += char(c);
  return kept;
}

void TBSEdit::CreateParams(TCreateParams& params) {
  inherited::CreateParams(params);
  static constexpr DWORD kStyles[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  params.Style |= kStyles[alignment_];
}

void TBSEdit::KeyPress(char& key) {
  const unsigned char c = static_cast<unsigned char>(key);
  if (filter_.none() || filter_.test(c) || AlwaysAllowed(c)) {
    inherited::KeyPress(key);
    return;
  }
  key = 0;
}

void TBSEdit::Change() {
  if (filter_.any()) {
    std::string kept = Strip(Text());
    // Setting the stripped text runs Change again, which reports the change.
    if (kept != Text()) return SetText(kept);
  }
  if (emptyIsNull_ && Text().empty() && filter_.test('0')) {
    SetText("0");
    SelectAll();
    return;
  }
  inherited::Change();
}

void TBSEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_PASTE:
      // The filtered clipboard text goes in; the clipboard itself stays as the user left it.
      if (filter_.any() && IsClipboardFormatAvailable(CF_TEXT)) {
        SetSelText(Strip(ClipboardText()));
        message.Result = 0;
        return;
      }
      break;
    case CM_ENTER:
      inherited::WndProc(message);
      savedColor_ = Color();
      SetColor(activeColor_);
      return;
    case CM_EXIT:
      inherited::WndProc(message);
      SetColor(savedColor_);
      return;
  }
  inherited::WndProc(message);
}
