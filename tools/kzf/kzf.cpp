// kzf encode|decode [FILE]: writes the wizard's enciphered configuration lines, or reads them back.
// Lines are split at CR LF, LF or CR and written CR LF terminated. A line that does not decipher is written
// empty, as the wizard reads it, and reported on standard error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "wizard-components/CkLines.h"
#include "wizard/ConfigKey.h"

namespace {

enum ExitCode { kOk = 0, kLinesFailed = 1, kFailed = 2 };

constexpr const char* kUsage =
    "usage: kzf encode [FILE]   encipher the lines of FILE (or standard input)\n"
    "       kzf decode [FILE]   decipher the lines of FILE (or standard input)\n"
    "The result goes to standard output, one CR LF terminated line per input line.\n"
    "Exit status: 0 done, 1 some lines did not decipher (written empty), 2 error.\n";

bool ReadAll(std::FILE* in, std::string& out) {
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) out.append(buffer, n);
  return !std::ferror(in);
}

int Run(bool encode, std::string_view text, std::string& output) {
  const bool all = CryptLines(text, ConfigKey(), encode, output, [](size_t line, const std::string& message) {
    std::fprintf(stderr, "kzf: line %zu: %s\n", line, message.c_str());
  });
  return all ? kOk : kLinesFailed;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (argc < 2 || argc > 3 || (mode != "encode" && mode != "decode")) {
    std::fputs(kUsage, stderr);
    return kFailed;
  }
  std::FILE* in = stdin;
  const char* name = argc == 3 ? argv[2] : "standard input";
  if (argc == 3 && !(in = std::fopen(argv[2], "rb"))) {
    std::fprintf(stderr, "kzf: cannot open %s: %s\n", name, std::strerror(errno));
    return kFailed;
  }
  std::string text;
  const bool read = ReadAll(in, text);
  const int readError = errno;
  if (in != stdin) std::fclose(in);
  if (!read) {
    std::fprintf(stderr, "kzf: cannot read %s: %s\n", name, std::strerror(readError));
    return kFailed;
  }
  std::string output;
  const int status = Run(mode == "encode", text, output);
  if (std::fwrite(output.data(), 1, output.size(), stdout) != output.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kzf: cannot write the result: %s\n", std::strerror(errno));
    return kFailed;
  }
  return status;
}
