// The machine's records: appended by any process of the machine, one whole line per write.
#include "platform/winapi/MachineRecords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"

namespace vandrel {

std::string MachineRecordPath(MachineRecord record) {
  switch (record) {
    case MachineRecord::OpenedAddresses: return MachineRoot() + "/opened.txt";
    case MachineRecord::Restarts: return MachineRoot() + "/restarts.txt";
    case MachineRecord::DialledNumbers: break;
  }
  return MachineRoot() + "/dialled.txt";
}

bool AppendMachineRecord(MachineRecord record, const std::string& line, DWORD& error) {
  if (line.find_first_of("\r\n") != std::string::npos) {
    error = ERROR_INVALID_PARAMETER;
    return false;
  }
  int fd = open(MachineRecordPath(record).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = Win32ErrorFromErrno(errno);
    return false;
  }
  std::string text = line + "\n";
  ssize_t written = write(fd, text.data(), text.size());
  error = written == ssize_t(text.size()) ? ERROR_SUCCESS : written < 0 ? Win32ErrorFromErrno(errno) : ERROR_DISK_FULL;
  close(fd);
  return error == ERROR_SUCCESS;
}

uint64_t MachineRecordSize(MachineRecord record) {
  struct stat st;
  return stat(MachineRecordPath(record).c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

std::vector<std::string> MachineRecordLinesAfter(MachineRecord record, uint64_t size) {
  std::vector<std::string> lines;
  std::ifstream in(MachineRecordPath(record), std::ios::binary);
  if (!in || !in.seekg(std::streamoff(size))) return lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace vandrel
