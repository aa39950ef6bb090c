// Records the machine keeps of what its programs asked for that the emulation does not do: web addresses
// opened in a browser (ShellExecuteA), restarts (ExitWindowsEx) and the numbers dialled (RasDialA). Each is a
// text file of CP1250 lines in the machine folder; the hosts print the opened addresses and the restarts after
// a run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi/WinTypes.h"

namespace vandrel {

enum class MachineRecord { OpenedAddresses, Restarts, DialledNumbers };

// Host path of a record: "opened.txt", "restarts.txt" or "dialled.txt" in the machine folder.
std::string MachineRecordPath(MachineRecord record);
// Appends one line (which holds no line break); false with a Win32 error when it cannot be written.
bool AppendMachineRecord(MachineRecord record, const std::string& line, DWORD& error);
// The size of a record now (0 when it is missing), and the lines added after such a size.
uint64_t MachineRecordSize(MachineRecord record);
std::vector<std::string> MachineRecordLinesAfter(MachineRecord record, uint64_t size);

}  // namespace vandrel
