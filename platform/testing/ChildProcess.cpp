#include "platform/testing/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/testing/Watchdog.h"

namespace testing_support {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, ChildOutput output) {
  int toChild[2], fromChild[2];
  // Close-on-exec, so that a later child does not hold this one's standard input open.
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    if (output == ChildOutput::StdoutAndStderr) dup2(fromChild[1], 2);
    close(toChild[0]), close(toChild[1]), close(fromChild[0]), close(fromChild[1]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  in_ = toChild[1];
  out_ = fromChild[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Wait();
}

std::string ChildProcess::ReadLine() {
  TWaitWatchdog watchdog("a line from child process " + std::to_string(pid_));
  for (;;) {
    size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    char chunk[4096];
    ssize_t n = out_ >= 0 ? read(out_, chunk, sizeof chunk) : 0;
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string line;
      line.swap(buffer_);
      return line;
    }
    buffer_.append(chunk, size_t(n));
  }
}

void ChildProcess::WriteLine(const std::string& line) {
  std::string text = line + "\n";
  for (size_t at = 0; in_ >= 0 && at < text.size();) {
    ssize_t n = write(in_, text.data() + at, text.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    at += size_t(n);
  }
}

void ChildProcess::Release() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

int ChildProcess::Wait(std::string* rest) {
  TWaitWatchdog watchdog("the end of child process " + std::to_string(pid_));
  Release();
  if (out_ >= 0) {
    char chunk[4096];
    ssize_t n;
    while ((n = read(out_, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
      if (n > 0) buffer_.append(chunk, size_t(n));
    close(out_);
    out_ = -1;
  }
  if (rest) *rest += buffer_;
  buffer_.clear();
  if (pid_ <= 0) return -1;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* output,
               ChildOutput what) {
  ChildProcess child(program, arguments, what);
  return child.Wait(output);
}

}  // namespace testing_support
