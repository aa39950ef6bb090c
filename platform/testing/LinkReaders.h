// Two independent readers of shell-link (".lnk") files, for the tests: exiftool and lnkinfo (from Debian's
// packages). Both take a host path and give UTF-8 text.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// What exiftool reads: tag name to value, for the tags asked ("LocalBasePath", "HotKey", ...); a tag the
// file lacks is missing from the map. Values are exiftool's readable forms.
std::map<std::string, std::string> ExifToolTags(const std::string& hostPath, const std::vector<std::string>& tags);
// What lnkinfo reads, with ANSI strings as code page 1250: its "label : value" lines ("Local path", "Command line
// arguments", "Description", "Icon location", ...) as label to value; "" for "error" when lnkinfo refuses the file,
// with its output.
std::map<std::string, std::string> LnkInfoFields(const std::string& hostPath);

}  // namespace testing_support
