#include "toolbar/uDownload.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "deskband/vekWinInet.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"

using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;

namespace {

namespace fs = std::filesystem;

class LoadUrlToStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(fs::path(machine_.DriveC()) / "tb"); }
  void Write(const std::string& relative, const std::string& bytes) {
    std::ofstream(fs::path(machine_.DriveC()) / relative, std::ios::binary) << bytes;
  }
  // Loads into a stream that already holds "pre"; returns what was appended.
  std::string Load(const std::string& source, int policy = 0) {
    TMemoryStream stream;
    stream.WriteBuffer("pre", 3);
    LoadUrlToStream(source, stream, policy);
    std::string all(static_cast<const char*>(stream.Memory()), size_t(stream.Size()));
    EXPECT_EQ(all.substr(0, 3), "pre");
    EXPECT_EQ(stream.Position(), stream.Size());
    return all.substr(3);
  }
  template <class E>
  std::string Failure(const std::string& source) {
    try {
      Load(source);
    } catch (const E& e) {
      return e.ClassName() + ": " + e.Message();
    } catch (const Exception& e) {
      return "unexpected " + e.ClassName() + ": " + e.Message();
    }
    return "no exception";
  }

  testing_support::TestMachine machine_;
};

TEST_F(LoadUrlToStreamTest, DrivePathsAreReadFromDisk) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary.push_back(char(i * 31));
  Write("tb/toolbar.xml", "<TOOLBAR/>");
  Write("tb/logo.gif", binary);
  Write("tb/empty.txt", "");
  EXPECT_EQ(Load("C:\\tb\\toolbar.xml"), "<TOOLBAR/>");
  EXPECT_TRUE(Load("C:\\tb\\logo.gif") == binary);
  EXPECT_EQ(Load("C:\\tb\\empty.txt"), "") << "an empty file leaves the stream unchanged";

  // Read with sharing allowed: a writer that shares does not keep it out.
  TFileStream writer("C:\\tb\\toolbar.xml", fmOpenReadWrite | fmShareDenyNone);
  EXPECT_EQ(Load("C:\\tb\\toolbar.xml"), "<TOOLBAR/>");
}

TEST_F(LoadUrlToStreamTest, MissingAndLockedFilesRaiseTheFileOpenError) {
  EXPECT_EQ(Failure<EFOpenError>("C:\\tb\\missing.xml"),
            "EFOpenError: Cannot open file \"C:\\tb\\missing.xml\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  Write("tb/locked.xml", "<TOOLBAR/>");
  {
    TFileStream locker("C:\\tb\\locked.xml", fmOpenReadWrite | fmShareExclusive);
    EXPECT_EQ(Failure<EFOpenError>("C:\\tb\\locked.xml"),
              "EFOpenError: Cannot open file \"C:\\tb\\locked.xml\". " + SysErrorMessage(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(Load("C:\\tb\\locked.xml"), "<TOOLBAR/>") << "readable again once the lock is gone";
}

TEST_F(LoadUrlToStreamTest, EverythingElseIsAURL) {
  Write("tb/toolbar.xml", "<TOOLBAR/>");
  const std::string unrecognized =
      "EOSError: System Error.  Code: 12006.\r\n" + SysErrorMessage(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  EXPECT_EQ(Failure<EOSError>("x"), unrecognized) << "a source of one character";
  EXPECT_EQ(Failure<EOSError>("\\\\server\\share\\toolbar.xml"), unrecognized) << "a UNC path";
  EXPECT_EQ(Failure<EWinInet>("C:/tb/toolbar.xml"), "EWinInet: Unsupported URL scheme in \"C:/tb/toolbar.xml\"")
      << "forward slashes after the drive letter";
  EXPECT_EQ(Failure<EWinInet>("file:///C:/tb/toolbar.xml"),
            "EWinInet: Unsupported URL scheme in \"file:///C:/tb/toolbar.xml\"");
}

TEST_F(LoadUrlToStreamTest, URLsAreFetchedWithThePolicyAndTheToolbarTimeouts) {
  HttpTestServer server;
  server.On("/tb/toolbar.xml", HttpScriptedResponse::Ok("<TOOLBAR/>"));
  server.On("/tb/gone.xml", HttpScriptedResponse::Status(404));
  EXPECT_EQ(Load(server.Url("/tb/toolbar.xml"), 0), "<TOOLBAR/>");
  EXPECT_EQ(Load(server.Url("/tb/toolbar.xml"), 1), "<TOOLBAR/>");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_FALSE(server.Requests()[0].HasHeader("Pragma"));
  EXPECT_EQ(server.Requests()[1].Header("Pragma"), "no-cache") << "policy 1 forces a reload";
  for (auto [option, ms] :
       {std::pair{INTERNET_OPTION_CONNECT_TIMEOUT, 30000u}, {INTERNET_OPTION_RECEIVE_TIMEOUT, 60000u}}) {
    DWORD value = 0, size = sizeof value;
    ASSERT_TRUE(InternetQueryOptionA(nullptr, option, &value, &size));
    EXPECT_EQ(value, ms);
  }
  EXPECT_EQ(Failure<EWinInetServerError>(server.Url("/tb/gone.xml")),
            "EWinInetServerError: Server returned error code 404 for document \"" + server.Url("/tb/gone.xml") + "\"");
  EXPECT_EQ(Failure<EWinInet>(server.Url("/tb/toolbar.xml").replace(0, 4, "HTTPX")),
            "EWinInet: Unsupported URL scheme in \"" + server.Url("/tb/toolbar.xml").replace(0, 4, "HTTPX") + "\"");
  TMemoryStream stream;
  EXPECT_THROW(LoadUrlToStream(server.Url("/tb/toolbar.xml"), stream, 3), EWinInet);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(server.Connections(), 3);
}

}  // namespace
