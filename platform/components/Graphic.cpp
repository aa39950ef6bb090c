// The graphic base class and shared images.
#include "platform/components/Graphics.h"

namespace {

[[noreturn]] void Unsupported() { throw EInvalidGraphicOperation("Invalid graphic operation"); }

}  // namespace

void TGraphic::SetWidth(int) { Unsupported(); }
void TGraphic::SetHeight(int) { Unsupported(); }
void TGraphic::SaveToStream(TStream*) { Unsupported(); }
void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) { Unsupported(); }
void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) { Unsupported(); }
void TGraphic::Draw(TCanvas*, const RECT&) { Unsupported(); }

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream* stream = TFileStream::Create(fileName, fmOpenRead | fmShareDenyWrite);
  try {
    LoadFromStream(stream);
  } catch (...) {
    stream->Free();
    throw;
  }
  stream->Free();
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream* stream = TFileStream::Create(fileName, fmCreate);
  try {
    SaveToStream(stream);
  } catch (...) {
    stream->Free();
    throw;
  }
  stream->Free();
}

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed(this);
}

bool TGraphic::Equals(TGraphic* other) {
  if (!other || other->ClassName() != ClassName()) return false;
  if (Empty() || other->Empty()) return Empty() && other->Empty();
  TStringStream mine(""), theirs("");
  SaveToStream(&mine);
  other->SaveToStream(&theirs);
  return mine.DataString() == theirs.DataString();
}

void TGraphic::SetModified(bool value) {
  if (value)
    Changed(this);
  else
    modified_ = false;
}

void TGraphic::Changed(TObject*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, BYTE percentDone, bool redrawNow, const RECT& rect,
                        const std::string& message) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

void TSharedImage::Release() {
  if (--refCount_ > 0) return;
  FreeHandle();
  Free();
}
