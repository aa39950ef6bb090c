// Opening an address outside any host browser: in the user's default browser when it is one that takes
// addresses over DDE, else through the system's handler of web addresses. Nothing is ever started as a
// command line.
#pragma once
#include <string>

// The program registered under HKEY_CLASSES_ROOT to open files of the extension (without the dot), as a
// bare path: placeholders, quotes and arguments cut away; empty when none is registered.
std::string GetRegisteredAppPath(const std::string& ext);
// True when the address was handed to a browser: the default browser over DDE when it is one of the
// known ones (Internet Explorer not with `skipIE`), else the system's handler when it is a web address
// (http, https, ftp, mailto). Anything else (a program, a drive or network path, file:) gives false.
bool OpenURLInBrowser(const std::string& url, bool skipIE);
