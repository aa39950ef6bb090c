// TFMain: the download of page 6 over a temporary dial-up connection, the version hand-shake with the
// program's copies, and the relaunch of the newest copy from the temporary folder.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/FileUtils.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/ShellExecute.h"
#include "platform/winapi/Windows.h"
#include "wizard/Main.h"

namespace {

constexpr const char* kVersionFile = "Selvaring.ini";
constexpr int kDialedPosition = 60;
constexpr int64_t kKilobyte = 1024;

// received × 100 / total, rounded to the nearest integer, halves to even.
int64_t PercentHalfEven(int64_t received, int64_t total) {
  const int64_t scaled = received * 100, quotient = scaled / total, twice = (scaled % total) * 2;
  if (twice > total || (twice == total && quotient % 2 != 0)) return quotient + 1;
  return quotient;
}

bool IsSuccess(int status) { return status >= 200 && status <= 299; }

std::vector<std::string> SplitFileList(const std::string& list) {
  std::vector<std::string> files;
  size_t start = 0;
  while (start <= list.size()) {
    size_t bar = list.find('|', start);
    if (bar == std::string::npos) bar = list.size();
    // An empty item names no file.
    if (bar > start) files.push_back(list.substr(start, bar - start));
    start = bar + 1;
  }
  return files;
}

}  // namespace

int64_t ParseContentLength(const std::string& header) {
  static const std::string kName = "Content-Length: ";
  for (std::string_view line : SplitTextLines(header)) {
    if (line.compare(0, kName.size(), kName) != 0) continue;
    return StrToInt64(Trim(line.substr(kName.size(), 255)));
  }
  return 0;
}

std::string TFMain::GetTempDir() {
  char buffer[1025] = "";
  const DWORD length = GetTempPathA(sizeof buffer - 1, buffer);
  std::string folder(buffer, length < sizeof buffer ? length : 0);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// ---- the version hand-shake

std::string TFMain::GetExeVersion(const std::string& path) {
  try {
    if (path.empty() || !FileExists(path)) return {};
    const std::string handshake = ExtractFilePath(path) + kVersionFile;
    DeleteFile(handshake);
    ShellExecuteA(Handle(), "open", ("\"" + path + "\"").c_str(), "VERSION", nullptr, SW_HIDE);
    Wait(1000);
    if (!FileExists(handshake)) return {};
    std::unique_ptr<TStringList, mox_detail::FreeObject> lines(TStringList::Create());
    lines->LoadFromFile(handshake);
    std::string version;
    for (int i = 0; i < lines->Count(); ++i)
      if (SameText(lines->Names(i), "EXEVersion")) {
        version = lines->ValueFromIndex(i);
        break;
      }
    DeleteFile(handshake);
    return version;
  } catch (...) {
    return {};
  }
}

std::string TFMain::GetConfigFileVersion(const std::string& path) {
  try {
    mox_detail::Owned<TmoxXMLParser2> document(TmoxXMLParser2::Create());
    document->SetXml(ReadConfigText(path));
    TmoxXMLNode2* settings = document->Child(2);
    for (int i = 0; i < settings->Children->Count(); ++i)
      if (settings->Child(i)->Name == "exeverzio") return settings->Child(i)->Text;
  } catch (...) {
  }
  return {};
}

// ---- progress

void TFMain::hcModemPacketRecvd(TObject*, int64_t received) {
  if (BytesTotal() > 0) {
    const int64_t total = BytesTotal(), done = received + BytesDone();
    const int64_t position = kDialedPosition + PercentHalfEven(done, total);
    pbModemLetoltes->SetPosition(int(std::min<int64_t>(position, pbModemLetoltes->Max())));
    Application->ProcessPendingMessages();
    lbModemLetoltesAllapot->SetCaption(IntToStr(std::min(total, done) / kKilobyte) + " K / " +
                                       IntToStr(total / kKilobyte) + " K");
  }
  Application->ProcessPendingMessages();
}

void TFMain::trModemDialEntryTimer(TObject*) {
  if (pbModemLetoltes->Position() < kDialedPosition) pbModemLetoltes->SetPosition(pbModemLetoltes->Position() + 1);
  if (pbModemLetoltes->Position() >= kDialedPosition) trModemDialEntry->SetEnabled(false);
}

// ---- the operation

void TFMain::AbortTransfer() { hcModem->Abort(); }

void TFMain::DownloadConfiguration() {
  Screen->SetCursor(crHourGlass);
  SetDownloading(true);
  EnableDisableButtons(this);
  pbModemLetoltes->SetPosition(0);
  lbModemLetoltes->SetCaption(GetText(98));
  lbModemLetoltesVaras->Show();
  Application->ProcessPendingMessages();
  try {
    if (ConnectForDownload())
      FetchAndRelaunch();
    else
      NoDownloadConnection();
  } catch (...) {
    // Any failure ends the operation without relaunch; the flow goes on with the local configuration.
  }
  lbModemLetoltes->SetCaption(GetText(62));
  lbModemLetoltesVaras->Hide();
  lbModemLetoltesAllapot->Hide();
  pbModemLetoltes->SetPosition(0);
  SetDownloading(false);
  Screen->SetCursor(crArrow);
}

bool TFMain::ConnectForDownload() {
  std::string phone = GetSetting("letoltesbehivoszam");
  if (PrefixNeeded()) phone = edModemElohivoszam->Text() + "W" + phone;
  if (!CreateDialEntry(GetSetting("modemideigleneskapcsolatneve"), false, cbModem->Text(), phone,
                       GetSetting("letoltesfelhasznalo"), GetSetting("letoltesjelszo"))
           .empty())
    return false;
  std::string detail;
  return DialEntry(detail).empty();
}

void TFMain::NoDownloadConnection() {
  pbModemLetoltes->SetPosition(pbModemLetoltes->Max());
  Wait(1000);
}

void TFMain::FetchAndRelaunch() {
  pbModemLetoltes->SetPosition(kDialedPosition);
  lbModemLetoltes->SetCaption(GetText(99));
  lbModemLetoltesVaras->Show();
  SetBytesTotal(-1);
  Application->ProcessPendingMessages();
  // The folder the program runs from may be read-only.
  hcModem->SetHeaderFile(GetTempDir() + "Head.txt");

  lbModemLetoltesAllapot->SetCaption("képek"_cp);
  lbModemLetoltesAllapot->Show();
  int64_t length = 0;
  if (!FetchFile(GetSetting("kepfajlneve"), false, length) || !FetchFile(GetSetting("ikonfajlneve"), false, length))
    return;
  lbModemLetoltesAllapot->SetCaption("konfigurációs állományok"_cp);
  const std::string configuration = ChangeFileExt(ExtractFileName(Application->ExeName()), ".kzf");
  if (!FetchFile(configuration, false, length)) return;
  lbModemLetoltesAllapot->Hide();
  lbModemLetoltesAllapot->SetCaption("0 K / 0 K");
  EnableDisableButtons(this);

  const std::string temp = GetTempDir();
  const std::string inTemp = GetExeVersion(temp + ExtractFileName(Application->ExeName()));
  const std::string own = kProgramVersion;
  const std::string announced = GetConfigFileVersion(temp + configuration);
  // Ordinal comparison; a tie keeps the earlier copy.
  const std::string* newest = &inTemp;
  if (own > *newest) newest = &own;
  if (announced > *newest) newest = &announced;
  if (newest == &announced && !FetchUpdateFiles()) return;
  if (newest == &own) CopyUpdateFiles();
  Relaunch();
}

bool TFMain::FetchUpdateFiles() {
  const std::vector<std::string> files = SplitFileList(GetSetting("letoltendofajlok"));
  SetBytesTotal(0);
  for (const std::string& file : files) {
    hcModem->SetBodyFile(GetTempDir() + "Default.htm");
    hcModem->SetURL(GetSetting("letoltesurl") + "/" + file);
    hcModem->Head();
    if (!Downloading() || !IsSuccess(hcModem->StatusCode())) return false;
    const int64_t length = ParseContentLength(hcModem->Header());
    if (length <= 0) return false;
    SetBytesTotal(BytesTotal() + length);
  }
  lbModemLetoltesAllapot->Show();
  SetBytesDone(0);
  for (const std::string& file : files) {
    int64_t length = 0;
    if (!FetchFile(file, true, length)) return false;
    SetBytesDone(BytesDone() + length);
  }
  HangUp();
  return true;
}

bool TFMain::FetchFile(const std::string& name, bool sized, int64_t& length) {
  // Written under a temporary name, so that a failed transfer leaves the file that was there.
  const std::string target = GetTempDir() + name, part = target + ".part";
  hcModem->SetURL(GetSetting("letoltesurl") + "/" + name);
  hcModem->SetBodyFile(part);
  bool complete = false;
  try {
    hcModem->Get();
    length = ParseContentLength(hcModem->Header());
    complete = Downloading() && IsSuccess(hcModem->StatusCode()) && (!sized || length > 0) &&
               MoveFileExA(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  } catch (...) {
    DeleteFile(part);
    throw;
  }
  if (!complete) DeleteFile(part);
  return complete;
}

void TFMain::CopyUpdateFiles() {
  for (const std::string& file : SplitFileList(GetSetting("letoltendofajlok")))
    CopyFileA(file.c_str(), (GetTempDir() + file).c_str(), FALSE);
}

void TFMain::Relaunch() {
  const std::string prefix = cbModemElohivoKell->ItemIndex() == 1 ? std::string("-") : edModemElohivoszam->Text();
  const std::string file = "\"" + GetTempDir() + ExtractFileName(Application->ExeName()) + "\"";
  const std::string parameters =
      "CONTINUE " + IntToStr(Left()) + " " + IntToStr(Top()) + " " + prefix + " \"" + cbModem->Text() + "\"";
  const auto started = reinterpret_cast<intptr_t>(
      ShellExecuteA(Handle(), "open", file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
  // A copy that did not start leaves the flow to go on here.
  if (started <= 32) return;
  Hide();
  Close();
}
