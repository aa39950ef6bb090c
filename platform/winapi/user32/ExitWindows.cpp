// ExitWindowsEx: the request goes to the machine's restart record.
#include "platform/winapi/ExitWindows.h"

#include "platform/winapi/LastError.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Security.h"

namespace {

std::string FlagNames(UINT flags) {
  static const struct {
    UINT flag;
    const char* name;
  } kNames[] = {{EWX_SHUTDOWN, "EWX_SHUTDOWN"},
                {EWX_REBOOT, "EWX_REBOOT"},
                {EWX_POWEROFF, "EWX_POWEROFF"},
                {EWX_FORCE, "EWX_FORCE"},
                {EWX_FORCEIFHUNG, "EWX_FORCEIFHUNG"}};
  std::string out = flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF) ? "" : "EWX_LOGOFF";
  for (const auto& n : kNames)
    if (flags & n.flag) out += (out.empty() ? "" : "|") + std::string(n.name);
  return out;
}

}  // namespace

BOOL ExitWindowsEx(UINT flags, DWORD) {
  if (flags & ~UINT(EWX_SHUTDOWN | EWX_REBOOT | EWX_FORCE | EWX_POWEROFF | EWX_FORCEIFHUNG)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool endsTheMachine = flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF);
  if (endsTheMachine && !vandrel::Is95FamilyMachine() && !vandrel::PrivilegeEnabled(SE_SHUTDOWN_NAME)) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
  }
  DWORD error = 0;
  if (!vandrel::AppendMachineRecord(vandrel::MachineRecord::Restarts, FlagNames(flags), error)) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}
