// TBSEdit: a single-line edit that accepts only the characters of a filter set, with presets for digits
// and for the Hungarian letters; it takes its own colour while focused, can force "0" when emptied and
// aligns its text.
#pragma once
#include <bitset>
#include <string>
#include <string_view>

#include "platform/components/StdCtrls.h"

enum TBasicFilter { bfCustom, bfNumbers, bfChars, bfUpperChars, bfLowerChars };

class TBSEdit : public TEdit {
  VCL_CLASS(TBSEdit, TEdit)
  explicit TBSEdit(TComponent* owner);
  static TBSEdit* Create(TComponent* owner) { return NewObject<TBSEdit>(owner); }

  // The preset's characters (empty for bfCustom).
  static std::string PresetChars(TBasicFilter filter);

  // The allowed characters in ascending code order; empty means no filtering. Setting them picks the
  // preset they spell exactly (else bfCustom) and strips the text of every other character.
  std::string FilterChars() const;
  void SetFilterChars(std::string_view chars);
  TBasicFilter BasicFilter() const { return basicFilter_; }
  void SetBasicFilter(TBasicFilter filter);
  TColor ActiveColor() const { return activeColor_; }
  void SetActiveColor(TColor color) { activeColor_ = color; }
  // An emptied text becomes "0" (when "0" is allowed); turning it on selects bfNumbers.
  bool EmptyIsNull() const { return emptyIsNull_; }
  void SetEmptyIsNull(bool value);
  TAlignment Alignment() const { return alignment_; }
  // Recreates the window, whose style carries the alignment.
  void SetAlignment(TAlignment alignment);

  // Whether a character passes the filter (every one does while it is empty).
  bool Allows(unsigned char c) const { return filter_.none() || filter_.test(c); }
  // The text without the characters the filter refuses.
  std::string Strip(std::string_view text) const;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void KeyPress(char& key) override;
  void Change() override;

 private:
  std::bitset<256> filter_;
  TColor savedColor_ = clWindow;
  TBasicFilter basicFilter_ = bfCustom;
  TColor activeColor_ = clWindow;
  bool emptyIsNull_ = false;
  TAlignment alignment_ = taLeftJustify;
};
