#include "platform/testing/LinkReaders.h"

#include <sstream>

#include "platform/testing/ChildProcess.h"

namespace testing_support {

namespace {

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Lines "name<separator>value", split at the first separator.
std::map<std::string, std::string> Fields(const std::string& output, const std::string& separator) {
  std::map<std::string, std::string> fields;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    size_t at = line.find(separator);
    if (at != std::string::npos) fields[Trim(line.substr(0, at))] = Trim(line.substr(at + separator.size()));
  }
  return fields;
}

}  // namespace

std::map<std::string, std::string> ExifToolTags(const std::string& hostPath, const std::vector<std::string>& tags) {
  std::vector<std::string> arguments = {"-S", "-charset", "filename=utf8"};
  for (const std::string& tag : tags) arguments.push_back("-" + tag);
  arguments.push_back(hostPath);
  std::string output;
  RunProgram("/usr/bin/exiftool", arguments, &output);
  return Fields(output, ": ");
}

std::map<std::string, std::string> LnkInfoFields(const std::string& hostPath) {
  std::string output;
  if (RunProgram("/usr/bin/lnkinfo", {"-c", "windows-1250", hostPath}, &output, ChildOutput::StdoutAndStderr) != 0)
    return {{"error", output}};
  return Fields(output, ": ");
}

}  // namespace testing_support
