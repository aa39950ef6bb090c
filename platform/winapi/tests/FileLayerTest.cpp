#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/testing/TestMachine.h"

namespace {

TEST(FileLayer, StreamsAndListsOpenWindowsPathsOfTheMachine) {
  testing_support::TestMachine machine;
  EXPECT_NE(&FileSystem(), &HostFileSystem()) << "installed when the platform library loads";
  TStringList list;
  list.SetText("első\nmásodik"_cp);
  list.SaveToFile("c:\\documents and settings\\felhasználó\\asztal\\Lista.txt"_cp);
  std::ifstream in(machine.DriveC() + "/Documents and Settings/Felhasználó/Asztal/Lista.txt", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "első\r\nmásodik\r\n"_cp);

  TFileStream writer("C:\\zarolt.dat", fmCreate);
  try {
    TFileStream reader("C:\\ZAROLT.DAT", fmOpenRead | fmShareDenyNone);
    ADD_FAILURE() << "a file created without sharing is locked";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot open file \"C:\\ZAROLT.DAT\". The process cannot access the file because it is "
              "being used by another process.");
  }
  try {
    TFileStream bad("C:\\a|b.dat", fmCreate);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot create file \"C:\\a|b.dat\". The filename, directory name, or volume label "
              "syntax is incorrect.");
  }
}

}  // namespace
