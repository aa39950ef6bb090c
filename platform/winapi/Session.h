// The logon session of the machine's user: a host folder private to the host user that holds the lock files
// of named mutexes and the sockets of window-message broadcasts.
#pragma once
#include <cstdint>
#include <string>

namespace vandrel {

// Host path of the session folder of the current machine and user: "vandrel-<uid>-<hash>" in the host user's
// runtime folder ($XDG_RUNTIME_DIR, when set and short), else in /tmp. The hash is of the machine folder's
// full path and $VANDREL_USER, so the path stays short enough for socket names whatever the machine folder.
std::string SessionFolderPath();
// Makes the session folder when it is missing (mode 0700) and checks it. False, with ERROR_ACCESS_DENIED as
// the last error, when it is not a folder of its own (a link, a file), another user owns it, or its mode
// grants anything to group or others; false with the host's error when it cannot be made.
bool OpenSessionFolder(std::string& path);
// 16 lower-case hexadecimal digits that name `text` among the session's files (64-bit FNV-1a).
std::string SessionHash(const std::string& text);

}  // namespace vandrel
