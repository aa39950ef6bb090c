// Scripted serial devices: each line written to the device is answered by the chunks its script gives,
// delivered at their moments on the clock.
#include <unistd.h>

#include "platform/runtime/Clock.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/kernel32/CommPort.h"
#include "platform/winapi/kernel32/CommScript.h"

namespace {

constexpr size_t kLongestLine = 65536;  // a longer line is dropped unanswered

class ScriptedLine final : public CommLine {
 public:
  ScriptedLine(std::shared_ptr<const CommScript> script, int lockFd, std::function<void()> released)
      : script_(std::move(script)), lockFd_(lockFd), released_(std::move(released)) {}
  ~ScriptedLine() override {
    if (lockFd_ >= 0) close(lockFd_);
    if (released_) released_();
  }

  void Attach(CommPort* port) override { port_ = port; }
  // Answers reach the port through CommPort::At, which skips a port that is gone.
  void Detach() override {}
  DWORD Configure(const DCB&) override { return ERROR_SUCCESS; }

  size_t Send(const char* data, size_t size, DWORD*) override {
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == '\r' || data[i] == '\n') {
        if (!line_.empty()) Answer(line_);
        line_.clear();
      } else if (line_.size() < kLongestLine) {
        line_ += data[i];
      }
    }
    return size;
  }

  DWORD ModemLines(DWORD* lines) override {
    *lines = 0;
    return ERROR_SUCCESS;
  }

 private:
  void Answer(const std::string& line) {
    const CommScript::Rule* rule = script_->Find(line);
    if (!rule) return;
    uint64_t tick = ClockTickMs();
    for (const CommScript::Chunk& chunk : rule->chunks) {
      tick += chunk.delayMs;
      port_->At(tick, [bytes = chunk.bytes](CommPort& port) { port.Deliver(bytes.data(), bytes.size()); });
    }
  }

  std::shared_ptr<const CommScript> script_;
  const int lockFd_;
  const std::function<void()> released_;
  CommPort* port_ = nullptr;
  std::string line_;
};

}  // namespace

std::unique_ptr<CommLine> NewScriptedLine(std::shared_ptr<const CommScript> script, int lockFd,
                                          std::function<void()> released) {
  return std::make_unique<ScriptedLine>(std::move(script), lockFd, std::move(released));
}
