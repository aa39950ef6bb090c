// An ordered list of icons that owns them, tells of every change and streams as the binary property
// "Icons": a signed 32-bit count, then per entry a signed 32-bit size and that many bytes of an icon file
// (size 0: an empty entry or an empty icon).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/components/Icons.h"
#include "platform/winapi/Module.h"

class TIconList : public TPersistent {
  VCL_CLASS(TIconList, TPersistent)
  TIconList() = default;
  ~TIconList() override;
  static TIconList* Create() { return NewObject<TIconList>(); }

  // None clears; another list or an icon is copied; anything else is the assignment error.
  void Assign(TPersistent* source) override;
  // Whether the property "Icons" is written: when there are entries, but beside an ancestor of as many
  // entries only when some entry is not the ancestor's.
  bool IconsStored(const TIconList* ancestor) const;

  // Changes are held while suspended; the last resume signals once.
  void SuspendChange() { ++updateCount_; }
  void ResumeChange();
  // Calls OnChange unless suspended.
  virtual void Changed();

  // Indexes out of range raise EListError "List index out of bounds (%d)".
  // The icon at i; none for an empty entry.
  virtual TIcon* IconAt(int i) const;
  virtual int Count() const { return int(items_.size()); }
  // The entry at i (i = Count appends one) becomes a copy of the icon.
  virtual void PutIcon(int i, TIcon* icon);
  // A copy of the icon (an empty icon for none) appended or inserted at i; returns its index.
  virtual int Add(TIcon* icon);
  // The module's icon resource appended or inserted; EResNotFound when there is none.
  virtual int AddResource(HINSTANCE module, const std::string& name);
  virtual void Clear();
  virtual void Delete(int i);
  virtual void Exchange(int i, int j);
  // The position of that icon object, -1 when absent.
  virtual int IndexOf(TIcon* icon) const;
  virtual void Insert(int i, TIcon* icon);
  virtual void InsertResource(int i, HINSTANCE module, const std::string& name);
  // Replaces the entries by the stream's form; a count or size beyond the bytes that remain, or an icon
  // that does not load, raises (EReadError "Stream read error", or the icon's error) and keeps the list.
  virtual void LoadFromStream(TStream* stream);
  virtual void Move(int from, int to);
  virtual void SaveToStream(TStream* stream);

  TNotifyEvent OnChange;

 private:
  void CheckIndex(int i, int limit) const;
  // Points the icon's change handler at the list.
  void Attach(TIcon* icon);
  // Takes the icon, points its change handler at the list and signals.
  void Place(int i, std::unique_ptr<TIcon> icon);

  std::vector<std::unique_ptr<TIcon>> items_;  // none: an empty entry
  int32_t updateCount_ = 0;
};
