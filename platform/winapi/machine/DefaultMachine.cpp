// The default machine, in one readable place: a Hungarian Windows XP with one user. The machine part is
// imported when a machine is created; the user part whenever a user first logs on, with "%USERPROFILE%"
// standing for the user's profile folder. (The thousands separator is a no-break space.)
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Machine.h"

namespace vandrel {

const std::string& DefaultMachineText() {
  static const std::string text = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE]

[HKEY_LOCAL_MACHINE\SOFTWARE\Classes]

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion]
"ProductId"="55274-OEM-0011903-00102"
"ProgramFilesDir"="C:\\Program Files"
"CommonFilesDir"="C:\\Program Files\\Common Files"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup]
"BootDir"="C:\\"
"PrivateHash"=hex:5c,e2,07,9b,a1,00,3f,8e,44,d6,10,c7,fa,29,b3,6d

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Common Desktop"="C:\\Documents and Settings\\All Users\\Asztal"
"Common AppData"="C:\\Documents and Settings\\All Users\\Application Data"
"Common Documents"="C:\\Documents and Settings\\All Users\\Dokumentumok"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"ProductName"="Microsoft Windows XP"
"CurrentVersion"="5.1"
"CurrentBuildNumber"="2600"
"CSDVersion"="Service Pack 2"
"ProductId"="55274-OEM-0011903-00102"
"DigitalProductId"=hex:a4,00,00,00,03,00,00,00,35,35,32,37,34,2d,4f,45,4d,2d,30,30,31,31,39,30,33,2d,\
  30,30,31,30,32,00,2e,00,00,00,41,32,32,2d,30,30,30,30,31,00,00,00,00,00,00,00,\
  9e,8f,d4,71,b2,5a,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00
"SystemRoot"="C:\\WINDOWS"
"RegisteredOwner"="Felhasználó"
"RegisteredOrganization"=""

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon]
"DefaultUserName"="Felhasználó"

[HKEY_LOCAL_MACHINE\SYSTEM]

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ComputerName\ComputerName]
"ComputerName"="VANDREL-PC"
)"_cp;
  return text;
}

const std::string& DefaultUserText() {
  static const std::string text = R"(REGEDIT4

[HKEY_CURRENT_USER\Control Panel\International]
"Locale"="0000040E"
"sLanguage"="HUN"
"sCountry"="Hungary"
"iCountry"="36"
"sShortDate"="yyyy.MM.dd."
"sTimeFormat"="H:mm:ss"
"sDate"="."
"sTime"=":"
"sDecimal"=","
"sThousand"=" "

[HKEY_CURRENT_USER\Environment]
"TEMP"="%USERPROFILE%\\Helyi beállítások\\Temp"
"TMP"="%USERPROFILE%\\Helyi beállítások\\Temp"

[HKEY_CURRENT_USER\Software]

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Desktop"="%USERPROFILE%\\Asztal"
"Favorites"="%USERPROFILE%\\Kedvencek"
"Personal"="%USERPROFILE%\\Dokumentumok"
"AppData"="%USERPROFILE%\\Application Data"
"Local AppData"="%USERPROFILE%\\Helyi beállítások\\Application Data"
"Cache"="%USERPROFILE%\\Helyi beállítások\\Temporary Internet Files"
"Start Menu"="%USERPROFILE%\\Start menü"
"Programs"="%USERPROFILE%\\Start menü\\Programok"

[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main]
"Start Page"="about:blank"

[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Toolbar]
"LinksFolderName"="Hivatkozások"
)"_cp;
  return text;
}

}  // namespace vandrel
