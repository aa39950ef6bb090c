// kzf encode|decode [FILE]: writes the wizard's enciphered configuration lines, or reads them back.
// Lines are split at CR LF, LF or CR and written CR LF terminated. A line that does not decipher is written
// empty, as the wizard reads it, and reported on standard error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "wizard-components/CkCipher.h"
#include "wizard-components/CkString.h"

namespace {

// The pass phrase the wizard derives its configuration key from.
constexpr std::string_view kPassPhrase = "morvane cordaLIN";

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

// Splits at CR LF, LF or a lone CR; a final terminator starts no further line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

int Run(bool encode, std::string_view text, std::string& output) {
  TCipherKey key;
  DigestString(key.data(), int32_t(key.size()), kPassPhrase);
  int status = kOk;
  std::string line;
  size_t number = 0;
  for (std::string_view source : SplitLines(text)) {
    ++number;
    try {
      BlowfishCryptString(std::string(source), key, encode, line);
      output += line;
    } catch (const Exception& e) {
      std::fprintf(stderr, "kzf: line %zu: %s\n", number, e.Message().c_str());
      status = kLinesFailed;
    }
    output += "\r\n";
  }
  return status;
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
