// The standard controls: label, button, edit, memo, check box, radio button and combo box. Their behaviour
// lives here (typing, selection, paste, checking, item lists); nothing is drawn.
#pragma once
#include <string>

#include "platform/components/Controls.h"
#include "platform/runtime/Strings.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
  VCL_CLASS(TLabel, TGraphicControl)
  explicit TLabel(TComponent* owner);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout l) { layout_ = l; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control);
  // The caption as shown: "&&" is "&", a single "&" marks the accelerator and is dropped.
  std::string DisplayText() const;
  void WndProc(TMessage& message) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void AdjustBounds();
  bool autoSize_ = true;
  bool wordWrap_ = false;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TButtonControl : public TWinControl {
  VCL_CLASS(TButtonControl, TWinControl)
  explicit TButtonControl(TComponent* owner);

 protected:
  // Ends a press of the left button (its mouse-up event fired): true when the press began on the control
  // and the button was let go over it.
  bool ReleasedOver(const TMessage& m);
};

class TButton : public TButtonControl {
  VCL_CLASS(TButton, TButtonControl)
  explicit TButton(TComponent* owner);
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }
  // Whether Enter presses this button now (it is focused, or it is the default and no button is).
  bool Active() const { return active_; }
  void Click() override;
  void WndProc(TMessage& message) override;

 protected:
  LRESULT DialogCode() const override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
  int modalResult_ = 0;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
  VCL_CLASS(TCheckBox, TButtonControl)
  explicit TCheckBox(TComponent* owner);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState state);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  // A user's click: the next state in the cycle, then OnClick.
  void Toggle();
  void WndProc(TMessage& message) override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
};

// Checking a radio button unchecks the radio buttons of the same parent.
class TRadioButton : public TButtonControl {
  VCL_CLASS(TRadioButton, TButtonControl)
  explicit TRadioButton(TComponent* owner);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  void WndProc(TMessage& message) override;

 private:
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// Single-line editing: typing at the selection (MaxLength respected), Backspace and Delete, the caret keys,
// Ctrl+C, Ctrl+X and Ctrl+V, and WM_PASTE (the clipboard's text up to its first line break).
class TCustomEdit : public TWinControl {
  VCL_CLASS(TCustomEdit, TWinControl)
  explicit TCustomEdit(TComponent* owner);
  std::string Text() const { return text_; }
  // Setting the same text does nothing; another text moves the caret to the start and fires OnChange.
  void SetText(const std::string& text) override;
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase c);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool v) { autoSelect_ = v; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  int SelStart() const { return selStart_; }
  void SetSelStart(int pos);
  int SelLength() const { return selLength_; }
  void SetSelLength(int length);
  std::string SelText() const;
  // Replaces the selection (the user's typing path: MaxLength and ReadOnly apply, OnChange fires).
  void SetSelText(const std::string& text);
  void SelectAll();
  void ClearSelection() { SetSelText(""); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // The text as shown: password characters stand in for every character when set.
  std::string DisplayText() const;

  TNotifyEvent OnChange;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

 protected:
  // The edit styles of the window: ES_AUTOHSCROLL, ES_PASSWORD, ES_READONLY (and ES_MULTILINE for memos).
  void CreateParams(TCreateParams& params) override;
  virtual void Change();
  // Whether Enter and line breaks belong to the text.
  virtual bool MultiLine() const { return false; }
  LRESULT DialogCode() const override { return DLGC_WANTCHARS | DLGC_WANTARROWS; }
  // Stores a new text from editing and reports the change.
  void ReplaceText(const std::string& text, int caret);
  void TypeChar(char c);

  int maxLength_ = 0;
  char passwordChar_ = 0;
  bool readOnly_ = false;
  TEditCharCase charCase_ = ecNormal;
  bool autoSelect_ = true;
  bool autoSize_ = true;
  bool modified_ = false;
  int selStart_ = 0;
  int selLength_ = 0;
};

class TEdit : public TCustomEdit {
  VCL_CLASS(TEdit, TCustomEdit)
  using TCustomEdit::TCustomEdit;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Multi-line editing; Lines and Text are one content (lines joined by CR LF).
class TMemo : public TCustomEdit {
  VCL_CLASS(TMemo, TCustomEdit)
  explicit TMemo(TComponent* owner);
  ~TMemo() override;
  TStrings* Lines() { return lines_; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s) { scrollBars_ = s; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v) { wordWrap_ = v; }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  void SetText(const std::string& text) override;

 protected:
  bool MultiLine() const override { return true; }
  LRESULT DialogCode() const override;
  void Change() override;

 private:
  TStringList* lines_;
  bool syncing_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Items own their objects (freed when an item or the list goes). A drop-down list's Text is its selected
// item; the other styles edit the text, and a typed text equal to an item selects it.
// Height: a combo box of any style but csSimple is as high as its font's text height + 8 (the height an
// auto-sized edit takes), whatever Height is set, as the native control keeps its own; it follows a
// change of font or style. A simple combo box takes the Height it is given.
class TComboBox : public TCustomEdit {
  VCL_CLASS(TComboBox, TCustomEdit)
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;
  TStringList* Items() { return items_; }
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool value);
  int ItemIndex() const { return itemIndex_; }
  // -1 clears the selection; other indexes out of range raise EListError "List index out of bounds (%d)".
  void SetItemIndex(int index);
  void SetText(const std::string& text) override;
  void SetBounds(int left, int top, int width, int height) override;
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int n) { dropDownCount_ = n; }
  bool AutoComplete() const { return autoComplete_; }
  void SetAutoComplete(bool v) { autoComplete_ = v; }
  bool DroppedDown() const { return droppedDown_; }
  void SetDroppedDown(bool value);
  // A user's choice from the list: selects, sets the text, fires OnChange then OnSelect.
  void Select(int index);
  void Clear();

  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

 protected:
  void Change() override;

 private:
  void ItemsChanged();
  TStringList* items_;
  TComboBoxStyle style_ = csDropDown;
  int itemIndex_ = -1;
  int dropDownCount_ = 8;
  bool autoComplete_ = true;
  bool droppedDown_ = false;
  bool settingText_ = false;
  std::string selectedText_;
};
