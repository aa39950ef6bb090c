#include "wizard-components/ClipIcon.h"

#include "platform/components/Icons.h"
#include "platform/winapi/Clipboard.h"

namespace {
UINT format = 0;
}  // namespace

UINT IconClipboardFormat() { return format; }

void RegisterIconClipboardFormat() {
  format = RegisterClipboardFormatA(kIconClipboardFormatName);
  TPicture::RegisterClipboardFormat(format, [] { return TIcon::Create(); });
}

void UnregisterIconClipboardFormat() {
  if (format) TPicture::UnregisterClipboardFormat(format);
}
