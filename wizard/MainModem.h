// The modem's registry look-ups under HKEY_LOCAL_MACHINE: an instance key of a modem (its name value
// compared exactly with the name), its port and its shortest initialisation command. Every failure reads
// as an empty text.
#pragma once
#include <string>

// The value "Class" of the key.
std::string ReadDeviceClass(const std::string& key);

// The value "AttachedTo" of the instance whose "FriendlyName" (NT) or "Model" (95 family) is the name.
std::string FindModemPortByFriendlyName(const std::string& instanceKey, const std::string& name);
std::string FindModemPortByModel(const std::string& instanceKey, const std::string& name);
// The shortest value under the instance's "Init" key, the earliest of equally short ones; an empty value
// empties the choice, and the next one is then taken whatever its length.
std::string FindModemInitByFriendlyName(const std::string& instanceKey, const std::string& name);
std::string FindModemInitByModel(const std::string& instanceKey, const std::string& name);

// Each "<cr>" becomes a carriage return; after each, at most 255 characters of the rest remain.
std::string ConvertCrTokens(const std::string& text);
