// The emulated machine: the folder that holds its drives and registry, its users, and the default machine
// that the hosts create when the folder is empty.
#pragma once
#include <string>

namespace vandrel {

// Host folder of the machine: $VANDREL_ROOT, else "vandrel" under the user's data folder
// (~/.local/share). Read anew on every call, so a test switches machines by setting the variable.
std::string MachineRoot();
// Host folder of drive C: and of the registry databases.
std::string DriveCFolder();
std::string RegistryFolder();

// The user the process runs as (CP1250): $VANDREL_USER, else the machine's default user.
std::string CurrentUserName();
// The profile folder of a user ("C:\Documents and Settings\<name>").
std::string UserProfileFolder(const std::string& user);
// Host path of a user's registry database.
std::string UserHivePath(const std::string& user);
std::string MachineHivePath();

// Whether the machine has been created (its registry holds the default machine).
bool MachineExists();
// Creates the default machine when it does not exist: folders of drive C:, the machine's registry, and its
// default user. Safe to call from several processes at once.
void CreateDefaultMachine();
// Sets the runtime's formats (FormatSettings) from the current user's "Control Panel\International".
void ApplyUserLocale();
// What a host does first: creates the default machine when missing and applies the user's locale.
void StartMachine();
// Gives a user a profile: its folders and registry (HKEY_CURRENT_USER) from the per-user defaults. Runs
// once per user; the registry calls it when a user's database is first opened.
void EnsureUserProfile(const std::string& user);

// The default machine's contents as REGEDIT4 text: the machine part, and the per-user part in which
// "%USERPROFILE%" stands for the user's profile folder.
const std::string& DefaultMachineText();
const std::string& DefaultUserText();
// The per-user part for one user, with the profile folder put in.
std::string DefaultUserTextFor(const std::string& user);
// Makes the folders that a new profile's registry names (shell folders, TEMP, the links folder).
void MakeProfileFolders(const std::string& user);

}  // namespace vandrel
