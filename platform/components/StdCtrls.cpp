#include "platform/components/StdCtrls.h"

#include <algorithm>

#include "platform/components/Forms.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Input.h"

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  width_ = 65;
  height_ = 13;
  color_ = clBtnFace;
  parentColor_ = true;
}

std::string TLabel::DisplayText() const {
  if (!showAccelChar_) return text_;
  std::string out;
  for (size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '&') {
      if (i + 1 < text_.size() && text_[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += text_[i];
  }
  return out;
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || (ComponentState() & csLoading)) return;
  std::string text = DisplayText();
  int lineHeight = TextHeightOf(*font_);
  if (!wordWrap_) {
    SetBounds(left_, top_, TextWidthOf(*font_, text), lineHeight);
    return;
  }
  // Word wrap within the current width: words move to the next line when they do not fit.
  int lines = 1, used = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find(' ', i);
    std::string word = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
    int w = TextWidthOf(*font_, word);
    int space = used ? TextWidthOf(*font_, " ") : 0;
    if (used && used + space + w > width_) {
      ++lines;
      used = w;
    } else {
      used += space + w;
    }
    if (end == std::string::npos) break;
    i = end + 1;
  }
  SetBounds(left_, top_, width_, lines * lineHeight);
}

void TLabel::SetAutoSize(bool value) {
  autoSize_ = value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
  wordWrap_ = value;
  AdjustBounds();
}

void TLabel::SetShowAccelChar(bool v) {
  showAccelChar_ = v;
  AdjustBounds();
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = control;
  if (control) control->FreeNotification(this);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TLabel::WndProc(TMessage& m) {
  if (m.Msg == CM_DIALOGCHAR) {
    if (focusControl_ && enabled_ && showAccelChar_ && IsAccel(m.WParam, text_) && focusControl_->CanFocus()) {
      focusControl_->SetFocus();
      m.Result = 1;
    }
    return;
  }
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
  TGraphicControl::WndProc(m);
}

// ---- TButton ----

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) { tabStop_ = true; }

bool TButtonControl::ReleasedOver(const TMessage& m) {
  bool clicked = controlState_ & csClicked;
  controlState_ &= ~(csClicked | csLButtonDown);
  RECT r = ClientRect();
  int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  MouseUp(mbLeft, KeyboardShiftState(), x, y);
  return clicked && x >= 0 && y >= 0 && x < r.right && y < r.bottom;
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  width_ = 75;
  height_ = 25;
  color_ = clBtnFace;
}

void TButton::SetDefault(bool value) {
  default_ = value;
  TCustomForm* form = GetParentForm(this);
  active_ = value && (!form || !DynamicAs<TButton>(form->ActiveControl()));
}

void TButton::Click() {
  if (modalResult_)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

LRESULT TButton::DialogCode() const { return active_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON; }

void TButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
      active_ = DynamicAs<TButton>(focused) ? focused == this : default_;
      return;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(m.WParam, text_) && CanFocus()) {
        Click();
        m.Result = 1;
      }
      return;
    case CM_DIALOGKEY:
      if (((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) &&
          KeyDataToShiftState(m.LParam) == 0 && CanFocus()) {
        Click();
        m.Result = 1;
      }
      return;
    case WM_KEYUP:
      if (m.WParam == VK_SPACE) {
        if (DoKeyUp(m)) return;
        Click();
        return;
      }
      break;
    case WM_CHAR:
      if (m.WParam == VK_RETURN && Focused()) {
        if (DoKeyPress(m)) return;
        Click();
        return;
      }
      break;
  }
  TButtonControl::WndProc(m);
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
  width_ = 97;
  height_ = 17;
}

void TCheckBox::SetState(TCheckBoxState state) {
  if (state == state_) return;
  state_ = state;
  if (!(ComponentState() & csLoading)) Click();
}

void TCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCheckBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_DIALOGCHAR:
      if (IsAccel(m.WParam, text_) && CanFocus()) {
        SetFocus();
        if (Focused()) Toggle();
        m.Result = 1;
      }
      return;
    case WM_LBUTTONUP:
      if (ReleasedOver(m)) Toggle();
      return;
    case WM_KEYUP:
      if (m.WParam == VK_SPACE) {
        if (DoKeyUp(m)) return;
        Toggle();
        return;
      }
      break;
  }
  TButtonControl::WndProc(m);
}

// ---- TRadioButton ----

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
  width_ = 113;
  height_ = 17;
  tabStop_ = false;  // only the checked button of a group is a tab stop
}

void TRadioButton::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  tabStop_ = value;
  if (!value) return;
  if (parent_)
    for (int i = 0; i < parent_->ControlCount(); ++i)
      if (auto* other = DynamicAs<TRadioButton>(parent_->Controls(i)); other && other != this) other->SetChecked(false);
  if (!(ComponentState() & csLoading)) Click();
}

void TRadioButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_DIALOGCHAR:
      if (IsAccel(m.WParam, text_) && CanFocus()) {
        SetFocus();
        if (Focused()) SetChecked(true);
        m.Result = 1;
      }
      return;
    case WM_LBUTTONUP:
      if (ReleasedOver(m)) SetChecked(true);
      return;
    case WM_KEYUP:
      if (m.WParam == VK_SPACE) {
        if (DoKeyUp(m)) return;
        SetChecked(true);
        return;
      }
      break;
  }
  TButtonControl::WndProc(m);
}

// ---- TCustomEdit ----

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  width_ = 121;
  height_ = 21;
  tabStop_ = true;
  color_ = clWindow;
}

namespace {

std::string ApplyCase(const std::string& s, TEditCharCase c) {
  if (c == ecUpperCase) return cp1250::Upper(s);
  if (c == ecLowerCase) return cp1250::Lower(s);
  return s;
}

}  // namespace

void TCustomEdit::SetText(const std::string& text) {
  std::string t = ApplyCase(text, charCase_);
  if (t == text_) return;
  text_ = t;
  selStart_ = 0;
  selLength_ = 0;
  if (handle_) SetWindowTextA(handle_, t.c_str());
  Perform(CM_TEXTCHANGED, 0, 0);
  Change();
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style |= MultiLine() ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN : ES_AUTOHSCROLL;
  if (passwordChar_) p.Style |= ES_PASSWORD;
  if (readOnly_) p.Style |= ES_READONLY;
}

void TCustomEdit::SetMaxLength(int value) { maxLength_ = std::max(0, value); }

void TCustomEdit::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  if (handle_) {
    LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
    SetWindowLongPtrA(handle_, GWL_STYLE, value ? style | ES_READONLY : style & ~LONG_PTR(ES_READONLY));
  }
}

void TCustomEdit::SetPasswordChar(char c) {
  if (c == passwordChar_) return;
  passwordChar_ = c;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase c) {
  charCase_ = c;
  std::string t = ApplyCase(text_, c);
  if (t != text_) SetText(t);
}

void TCustomEdit::SetAutoSize(bool v) {
  autoSize_ = v;
  if (v && !(ComponentState() & csLoading)) SetHeight(TextHeightOf(*font_) + 8);
}

void TCustomEdit::SetSelStart(int pos) {
  selStart_ = std::clamp(pos, 0, int(text_.size()));
  selLength_ = 0;
}

void TCustomEdit::SetSelLength(int length) {
  selLength_ = std::clamp(length, -selStart_, int(text_.size()) - selStart_);
  if (selLength_ < 0) {
    selStart_ += selLength_;
    selLength_ = -selLength_;
  }
}

std::string TCustomEdit::SelText() const { return text_.substr(size_t(selStart_), size_t(selLength_)); }

void TCustomEdit::SelectAll() {
  selStart_ = 0;
  selLength_ = int(text_.size());
}

void TCustomEdit::ReplaceText(const std::string& text, int caret) {
  selStart_ = std::clamp(caret, 0, int(text.size()));
  selLength_ = 0;
  if (text == text_) return;
  text_ = text;
  modified_ = true;
  if (handle_) SetWindowTextA(handle_, text.c_str());
  Perform(CM_TEXTCHANGED, 0, 0);
  Change();
}

void TCustomEdit::SetSelText(const std::string& insert) {
  if (readOnly_) return;
  std::string piece = ApplyCase(insert, charCase_);
  if (!MultiLine()) {
    size_t br = piece.find_first_of("\r\n");
    if (br != std::string::npos) piece.resize(br);
  }
  int room = maxLength_ ? maxLength_ - (int(text_.size()) - selLength_) : int(piece.size());
  if (room < int(piece.size())) piece.resize(size_t(std::max(0, room)));
  std::string next = text_.substr(0, size_t(selStart_)) + piece + text_.substr(size_t(selStart_ + selLength_));
  ReplaceText(next, selStart_ + int(piece.size()));
}

void TCustomEdit::CopyToClipboard() {
  if (passwordChar_ || selLength_ == 0) return;
  SetClipboardText(SelText());
}

void TCustomEdit::CutToClipboard() {
  if (passwordChar_ || readOnly_ || selLength_ == 0) return;
  SetClipboardText(SelText());
  SetSelText("");
}

void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE, 0, 0); }

std::string TCustomEdit::DisplayText() const {
  return passwordChar_ ? std::string(text_.size(), passwordChar_) : text_;
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::TypeChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  switch (u) {
    case 8:
      if (readOnly_) return;
      if (selLength_ == 0 && selStart_ > 0) {
        selStart_--;
        selLength_ = 1;
      }
      SetSelText("");
      return;
    case 3: CopyToClipboard(); return;
    case 24: CutToClipboard(); return;
    case 22: PasteFromClipboard(); return;
    case 1: SelectAll(); return;
    case 13:
      if (MultiLine()) SetSelText("\r\n");
      return;
    default:
      if (u < 32 && u != 9) return;
      if (u == 9 && !MultiLine()) return;
      SetSelText(std::string(1, c));
  }
}

void TCustomEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_ENTER:
      if (autoSelect_ && !MultiLine()) SelectAll();
      break;
    case WM_SETTEXT: DefaultHandler(m); return;
  }
  TWinControl::WndProc(m);
}

void TCustomEdit::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_CHAR:
      TypeChar(char(m.WParam));
      m.Result = 0;
      return;
    case WM_KEYDOWN: {
      bool shift = GetKeyState(VK_SHIFT) & 0x8000;
      int caret = selStart_ + selLength_;
      switch (m.WParam) {
        case VK_DELETE:
          if (!readOnly_) {
            if (selLength_ == 0) selLength_ = std::min(1, int(text_.size()) - selStart_);
            SetSelText("");
          }
          return;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END: {
          int anchor = selLength_ && shift ? selStart_ : (shift ? selStart_ : caret);
          int target = m.WParam == VK_HOME   ? 0
                       : m.WParam == VK_END  ? int(text_.size())
                       : m.WParam == VK_LEFT ? (selLength_ && !shift ? selStart_ : caret - 1)
                                             : (selLength_ && !shift ? caret : caret + 1);
          target = std::clamp(target, 0, int(text_.size()));
          if (shift) {
            selStart_ = std::min(anchor, target);
            selLength_ = std::abs(target - anchor);
          } else {
            selStart_ = target;
            selLength_ = 0;
          }
          return;
        }
      }
      break;
    }
    case WM_PASTE: {
      std::string text = ClipboardText();
      if (!text.empty()) SetSelText(text);
      m.Result = 0;
      return;
    }
    case WM_COPY: CopyToClipboard(); return;
    case WM_CUT: CutToClipboard(); return;
    case WM_CLEAR: ClearSelection(); return;
    case WM_SETTEXT: {
      std::string t = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
      if (handle_) m.Result = DefWindowProcA(handle_, WM_SETTEXT, 0, LPARAM(t.c_str()));
      if (t != text_) {
        text_ = t;
        Change();
      }
      m.Result = TRUE;
      return;
    }
  }
  TWinControl::DefaultHandler(m);
}

// ---- TMemo ----

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner), lines_(new TStringList) {
  width_ = 185;
  height_ = 89;
  autoSelect_ = false;
  lines_->OnChange = [this](TObject*) {
    if (syncing_) return;
    syncing_ = true;
    std::string t = lines_->Text();
    if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) t.resize(t.size() - 2);
    TCustomEdit::SetText(t);
    syncing_ = false;
  };
}

TMemo::~TMemo() { lines_->Free(); }

void TMemo::SetText(const std::string& text) { TCustomEdit::SetText(text); }

void TMemo::Change() {
  if (!syncing_) {
    syncing_ = true;
    lines_->SetText(text_);
    syncing_ = false;
  }
  TCustomEdit::Change();
}

LRESULT TMemo::DialogCode() const { return DLGC_WANTCHARS | DLGC_WANTARROWS | (wantReturns_ ? DLGC_WANTALLKEYS : 0); }

// ---- TComboBox ----

TComboBox::TComboBox(TComponent* owner) : TCustomEdit(owner), items_(new TStringList) {
  width_ = 145;
  height_ = 21;
  autoSelect_ = false;
  items_->SetOwnsObjects(true);
  items_->OnChange = [this](TObject*) { ItemsChanged(); };
}

TComboBox::~TComboBox() { items_->Free(); }

void TComboBox::ItemsChanged() {
  // The selection follows its text through sorting; it goes when its item goes.
  if (itemIndex_ < 0) return;
  int index = itemIndex_ < items_->Count() && items_->Strings(itemIndex_) == selectedText_
                  ? itemIndex_
                  : items_->IndexOf(selectedText_);
  itemIndex_ = index;
  if (index < 0 && style_ == csDropDownList) TCustomEdit::SetText("");
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  RecreateWnd();
  SetHeight(height_);
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
  if (style_ != csSimple) height = TextHeightOf(*font_) + 8;
  TCustomEdit::SetBounds(left, top, width, height);
}

void TComboBox::SetSorted(bool value) { items_->SetSorted(value); }

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= items_->Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  itemIndex_ = index;
  selectedText_ = index >= 0 ? items_->Strings(index) : std::string();
  settingText_ = true;
  if (index >= 0)
    TCustomEdit::SetText(selectedText_);
  else if (style_ == csDropDownList)
    TCustomEdit::SetText("");
  settingText_ = false;
}

void TComboBox::SetText(const std::string& text) {
  if (style_ == csDropDownList) {
    int index = items_->IndexOf(text);
    if (index >= 0) SetItemIndex(index);
    return;
  }
  settingText_ = true;
  TCustomEdit::SetText(text);
  settingText_ = false;
  itemIndex_ = items_->IndexOf(text);
  selectedText_ = itemIndex_ >= 0 ? text : std::string();
}

void TComboBox::Change() {
  if (!settingText_ && style_ != csDropDownList) {
    itemIndex_ = items_->IndexOf(text_);
    selectedText_ = itemIndex_ >= 0 ? text_ : std::string();
  }
  TCustomEdit::Change();
}

void TComboBox::SetDroppedDown(bool value) {
  if (value == droppedDown_) return;
  droppedDown_ = value;
  if (value && OnDropDown) OnDropDown(this);
  if (!value && OnCloseUp) OnCloseUp(this);
}

void TComboBox::Select(int index) {
  if (index < 0 || index >= items_->Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  bool changed = index != itemIndex_;
  itemIndex_ = index;
  selectedText_ = items_->Strings(index);
  settingText_ = true;
  std::string before = text_;
  TCustomEdit::SetText(selectedText_);
  settingText_ = false;
  if (changed && before == text_) Change();
  if (OnSelect) OnSelect(this);
}

void TComboBox::Clear() {
  items_->Clear();
  itemIndex_ = -1;
  selectedText_.clear();
  TCustomEdit::SetText("");
}

void TComboBox::WndProc(TMessage& m) {
  TCustomEdit::WndProc(m);
  if (m.Msg == CM_FONTCHANGED) SetHeight(height_);
}

void TComboBox::DefaultHandler(TMessage& m) {
  if (style_ == csDropDownList) {
    if (m.Msg == WM_CHAR) {
      // Typing in a drop-down list selects the next item that starts with the character.
      unsigned char c = static_cast<unsigned char>(m.WParam);
      if (c < 32 || items_->Count() == 0) return;
      int n = items_->Count();
      for (int k = 1; k <= n; ++k) {
        int i = (itemIndex_ + k) % n;
        std::string item = items_->Strings(i);
        if (!item.empty() && cp1250::ToUpperByte(static_cast<unsigned char>(item[0])) == cp1250::ToUpperByte(c)) {
          Select(i);
          return;
        }
      }
      return;
    }
    if (m.Msg == WM_KEYDOWN && (m.WParam == VK_DOWN || m.WParam == VK_UP)) {
      int next = itemIndex_ + (m.WParam == VK_DOWN ? 1 : -1);
      if (next >= 0 && next < items_->Count()) Select(next);
      return;
    }
    if (m.Msg == WM_PASTE) return;
  } else if (m.Msg == WM_KEYDOWN && (m.WParam == VK_DOWN || m.WParam == VK_UP) && items_->Count()) {
    int next = itemIndex_ + (m.WParam == VK_DOWN ? 1 : -1);
    if (next >= 0 && next < items_->Count()) Select(next);
    return;
  }
  TCustomEdit::DefaultHandler(m);
}
