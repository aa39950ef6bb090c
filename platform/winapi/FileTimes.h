// Conversions shared by the file calls: host times and modes to FILETIMEs and attributes.
#pragma once
#include <ctime>

#include "platform/winapi/WinTypes.h"

struct stat;

namespace vandrel {

FILETIME FileTimeOf(const timespec& time);
timespec TimespecOf(const FILETIME& time);
// The attributes of a host file: directory, read-only (no write permission), else archive.
DWORD AttributesOf(const struct stat& st);

}  // namespace vandrel
