// The texts of the RAS results that the machine's dials give.
#include <cstring>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/rasapi32/CallHook.h"

namespace {

struct Text {
  UINT code;
  const char* text;
};

constexpr Text kTexts[] = {
    {ERROR_BUFFER_TOO_SMALL, "The buffer is too small."},
    {ERROR_BUFFER_INVALID, "The buffer is invalid."},
    {ERROR_CANNOT_OPEN_PHONEBOOK, "Cannot open the phone book file."},
    {ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "Cannot find the phone book entry."},
    {ERROR_DISCONNECTION, "The port was disconnected."},
    {ERROR_REMOTE_DISCONNECTION, "The port was disconnected by the remote machine."},
    {ERROR_INVALID_SIZE, "The structure size is incorrect."},
    {ERROR_PORT_NOT_AVAILABLE, "The port is already in use or is not configured for Remote Access dial out."},
    {ERROR_LINE_BUSY, "The line is busy."},
    {ERROR_VOICE_ANSWER, "A person answered instead of a modem."},
    {ERROR_NO_ANSWER, "There is no answer."},
    {ERROR_NO_CARRIER, "Cannot detect carrier."},
    {ERROR_NO_DIALTONE, "There is no dial tone."},
    {ERROR_AUTHENTICATION_FAILURE, "Access denied because username and/or password is invalid on the domain."},
    {ERROR_PPP_TIMEOUT, "Timed out waiting for a valid response from the remote PPP peer."},
};

}  // namespace

DWORD RasGetErrorStringA(UINT code, LPSTR buffer, DWORD size) {
  if (DWORD hooked = ras::HookedResult("RasGetErrorStringA")) return hooked;
  for (const Text& t : kTexts) {
    if (t.code != code) continue;
    const size_t length = std::strlen(t.text);
    if (!buffer || size <= length) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, t.text, length + 1);
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}
