// Which device a serial port is: a test's in-process scripted port, else devices/COMn of the machine
// folder (a host device), else devices/COMn.script (a scripted device). CreateFileA opens them through
// the device hook of the file layer.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <stdexcept>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/kernel32/CommPort.h"
#include "platform/winapi/kernel32/CommScript.h"

namespace {

constexpr int kHighestPort = 255;

struct ScriptedPort {
  std::shared_ptr<const CommScript> script;
  bool open = false;  // until the handle's line goes
};

struct Ports {
  std::mutex lock;
  std::map<std::string, ScriptedPort> scripted;  // by upper-case name
  std::map<std::string, DCB> lastState;
};

Ports& P() {
  static Ports* ports = new Ports;
  return *ports;
}

std::string PortName(std::string name) {
  if (name.compare(0, 4, "\\\\.\\") == 0 || name.compare(0, 4, "//./") == 0) name.erase(0, 4);
  return cp1250::AsciiUpper(name);
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE Opened(std::shared_ptr<CommPort> port) {
  port->Start();
  SetLastError(ERROR_SUCCESS);
  return NewHandle(std::move(port));
}

// A script file of the machine, kept locked while its port is open.
HANDLE OpenScriptFile(const std::string& name, const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(Win32ErrorFromErrno(errno));
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return Fail(ERROR_ACCESS_DENIED);
  }
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, size_t(n));
  std::shared_ptr<const CommScript> script;
  try {
    if (n < 0) throw std::invalid_argument("unreadable");
    script = std::make_shared<const CommScript>(ParseCommScript(text));
  } catch (const std::invalid_argument&) {
    close(fd);
    return Fail(ERROR_INVALID_DATA);
  }
  return Opened(std::make_shared<CommPort>(name, NewScriptedLine(std::move(script), fd)));
}

HANDLE OpenPort(const std::string& fileName, DWORD, DWORD) {
  const std::string name = PortName(fileName);
  {
    Ports& p = P();
    std::lock_guard<std::mutex> guard(p.lock);
    auto it = p.scripted.find(name);
    if (it != p.scripted.end()) {
      if (it->second.open) return Fail(ERROR_ACCESS_DENIED);
      it->second.open = true;
      auto released = [name] {
        Ports& ports = P();
        std::lock_guard<std::mutex> guard(ports.lock);
        auto entry = ports.scripted.find(name);
        if (entry != ports.scripted.end()) entry->second.open = false;
      };
      return Opened(std::make_shared<CommPort>(name, NewScriptedLine(it->second.script, -1, released)));
    }
  }
  const std::string device = vandrel::MachineRoot() + "/devices/" + name;
  struct stat st;
  if (lstat(device.c_str(), &st) == 0) {
    DWORD error = ERROR_SUCCESS;
    std::unique_ptr<CommLine> line = OpenHostLine(device, &error);
    if (!line) return Fail(error);
    return Opened(std::make_shared<CommPort>(name, std::move(line)));
  }
  if (stat((device + ".script").c_str(), &st) == 0) return OpenScriptFile(name, device + ".script");
  return Fail(ERROR_FILE_NOT_FOUND);
}

const bool registered = [] {
  for (int i = 1; i <= kHighestPort; ++i) vandrel::RegisterDevice("COM" + std::to_string(i), OpenPort);
  return true;
}();

}  // namespace

void RecordCommState(const std::string& port, const DCB& dcb) {
  Ports& p = P();
  std::lock_guard<std::mutex> guard(p.lock);
  p.lastState[port] = dcb;
}

bool vandrel::LastCommState(const std::string& port, DCB* dcb) {
  Ports& p = P();
  std::lock_guard<std::mutex> guard(p.lock);
  auto it = p.lastState.find(PortName(port));
  if (it == p.lastState.end()) return false;
  *dcb = it->second;
  return true;
}

void vandrel::RegisterScriptedPort(const std::string& port, const std::string& script) {
  auto parsed = std::make_shared<const CommScript>(ParseCommScript(script));
  Ports& p = P();
  std::lock_guard<std::mutex> guard(p.lock);
  p.scripted[PortName(port)].script = std::move(parsed);
}

void vandrel::RemoveScriptedPort(const std::string& port) {
  Ports& p = P();
  std::lock_guard<std::mutex> guard(p.lock);
  p.scripted.erase(PortName(port));
}
