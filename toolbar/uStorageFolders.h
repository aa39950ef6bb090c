// The folders of the file storages and the three storages of the process: the shipped files beside the
// library (static), the user's copy (user) and the download cache (download).
#pragma once
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"
#include "toolbar/uFileStorage.h"

// The path with "\" appended unless it ends with one (an empty path becomes "\").
std::string AddTrailingBackslash(std::string_view path);
// The folder of the library file (the instance unit's module), with a trailing backslash.
std::string GetModuleFolder();
// The user's local application-data folder and the temporary folder, with a trailing backslash; a failing
// system call raises.
std::string GetLocalAppDataFolder();
std::string GetTempFolder();
// The user and download storage folders of a toolbar (its CLSID), without the final backslash.
std::string GetDynamicStoragePath(REFCLSID clsid);
std::string GetDownloadStoragePath(REFCLSID clsid);

// The static storage exists from InitializeStorageFolders to FinalizeStorageFolders; the user and download
// storages from CreateStorages to FreeStorages.
TStaticFileStorage* StaticStorage();
TDynamicFileStorage* UserStorage();
TDownloadFileStorage* DownloadStorage();
// The user storage when it exists and is valid, else the static storage.
TFileStorage* CurrentStorage();

void CreateStorages(REFCLSID clsid);
void FreeStorages();

// The unit's initialisation (the static storage on the library's folder) and finalisation (every storage);
// each runs once however often it is called.
void InitializeStorageFolders();
void FinalizeStorageFolders();
