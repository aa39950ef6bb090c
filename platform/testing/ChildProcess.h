// Real child processes for tests across processes: started with arguments (and the test's environment),
// their standard output collected, their exit awaited.
#pragma once
#include <sys/types.h>
#include <string>
#include <vector>

namespace testing_support {

// What the parent reads of the child: its standard output, or its standard error too, as one stream.
enum class ChildOutput { Stdout, StdoutAndStderr };

class ChildProcess {
 public:
  // Starts `program` with `arguments`; its standard input is a pipe that Release closes.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               ChildOutput output = ChildOutput::Stdout);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads one line of the child's output (without its line end); empty at the end of the output.
  std::string ReadLine();
  // Writes one line (with its line end) to the child's standard input.
  void WriteLine(const std::string& line);
  // Closes the child's standard input (a child that waits for it then ends).
  void Release();
  // Waits for the child to end; returns its exit code (-1 when it did not exit normally). Any output not
  // yet read is appended to `rest` when given.
  int Wait(std::string* rest = nullptr);
  // Sends the child a signal (SIGKILL: it ends without cleaning up).
  void Kill(int signal);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string buffer_;
};

// Runs a program to its end: its exit code and its whole output.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* output = nullptr,
               ChildOutput what = ChildOutput::Stdout);

}  // namespace testing_support
