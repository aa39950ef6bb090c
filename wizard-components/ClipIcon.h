// The clipboard format of icons (an icon file in a global block), registered with the system and with
// the picture class, so that a picture loads such data as a TIcon.
#pragma once
#include "platform/winapi/WinTypes.h"

constexpr const char* kIconClipboardFormatName = "Vandrel Icon";

// The format's number; 0 until registered.
UINT IconClipboardFormat();
// Run once by InitPictureUnits, which unregisters it from the picture class when the module unloads.
void RegisterIconClipboardFormat();
void UnregisterIconClipboardFormat();
