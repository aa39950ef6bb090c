#include "toolbar/uFileStorage.h"

#include <gtest/gtest.h>

#include <memory>

#include "deskband/vekWinInet.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/testing/Hex.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"

namespace {

using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;

using testing_support::Hex;

class FileStorage : public ::testing::Test {
 protected:
  std::unique_ptr<TFileStorage> Make(const std::string& folder = "C:\\Storage") {
    return std::unique_ptr<TFileStorage>(TDynamicFileStorage::Create(folder));
  }
  // The bytes of a file of the machine as the host reads them, in hexadecimal.
  std::string HostBytes(const std::string& windowsPath) {
    return testing_support::RunPython("import sys\nsys.stdout.write(open(input(), 'rb').read().hex())\n",
                                      vandrel::MapWindowsPath(windowsPath).path + "\n");
  }
  void Put(TFileStorage& storage, const std::string& key, const std::string& bytes, TDateTime date = 0,
           const std::string& localName = "") {
    TStringStream content(bytes);
    content.SetPosition(int64_t(bytes.size()));  // the whole stream is stored, wherever it stands
    storage.StoreFile(key, content, date, localName);
  }
  bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  testing_support::TestMachine machine_;
};

TEST_F(FileStorage, MakeLocalNameSanitisesCutsAndTakesAPlainExtension) {
  auto storage = Make();
  struct Case {
    const char* base;
    std::string key;
    std::string name;
  } cases[] = {
      {"", "http://host/tb/toolbar.xml", "host_tb_toolbar_xml.xml"},
      {"", "https://host/a.gif", "https___host_a_gif.gif"},
      {"", "HTTP://Host/x.BMP", "HTTP___Host_x_BMP.BMP"},
      {"", "http://host/dir/", "host_dir"},
      {"http://host/tb/", "img/logo.bmp", "host_tb_img_logo_bmp.bmp"},
      {"", "http://host/" + std::string(60, 'a') + ".png", "host_" + std::string(45, 'a') + ".png"},
      {"", "http://host/\xE1rv\xEDz.xml", "host__rv_z_xml.xml"},
      // Only the last path segment, before any query or fragment, gives an extension of letters and digits.
      {"", "http://host/page.php?id=3", "host_page_php_id_3.php"},
      {"", "http://host/get?file=a.xml", "host_get_file_a_xml"},
      {"", "http://host/v1.2/readme", "host_v1_2_readme"},
      {"", "http://host/a/b.txt#top", "host_a_b_txt_top.txt"},
      {"", "http://host/file.tar-gz", "host_file_tar_gz"},
      {"", "http://host/file.", "host_file"},
      {"", "http://host.test", "host_test"},
      {"", "http://www.host.test?f=a.xml", "www_host_test_f_a_xml"},
      {"", "C:\\Shipped\\logo.bmp", "C__Shipped_logo_bmp.bmp"},
      // An extension keeps at most 8 characters, so that a long one cannot make the name too long.
      {"", "http://host/a." + std::string(300, 'x'), "host_a_" + std::string(43, 'x') + ".xxxxxxxx"},
      {"", "http://host/a.abcdefgh", "host_a_abcdefgh.abcdefgh"},
  };
  for (const Case& c : cases) {
    storage->SetBaseURL(c.base);
    EXPECT_EQ(storage->MakeLocalName(c.key), c.name) << c.key;
  }
}

TEST_F(FileStorage, AKeyWithALongExtensionIsStored) {
  auto storage = Make();
  Put(*storage, "http://host/a." + std::string(300, 'x'), "long");
  EXPECT_TRUE(Exists("C:\\Storage\\host_a_" + std::string(43, 'x') + ".xxxxxxxx"));
}

TEST_F(FileStorage, MakeLocalNameAvoidsExistingFiles) {
  auto storage = Make();
  Put(*storage, "http://host/tb/toolbar.xml", "first");
  EXPECT_TRUE(Exists("C:\\Storage\\host_tb_toolbar_xml.xml"));
  std::string second = storage->MakeLocalName("http://host/tb/toolbar.xml");
  // "-", a number below 9999999, then the extension.
  const std::string stem = "host_tb_toolbar_xml-";
  ASSERT_GT(second.size(), stem.size() + 4) << second;
  EXPECT_EQ(second.substr(0, stem.size()), stem);
  EXPECT_EQ(second.substr(second.size() - 4), ".xml");
  const std::string number = second.substr(stem.size(), second.size() - stem.size() - 4);
  EXPECT_TRUE(number.size() <= 7 && number.find_first_not_of("0123456789") == std::string::npos) << second;
  Put(*storage, "http://host/tb/toolbar.xml", "again");
  TFileStorageFileList index;
  index.LoadFromFile("C:\\Storage\\.files");
  ASSERT_EQ(index.Count(), 2);
  EXPECT_NE(index.LocalNames(0), index.LocalNames(1));
  EXPECT_EQ(storage->ReadString("http://host/tb/toolbar.xml"), "first") << "the first line of a key answers";
}

TEST_F(FileStorage, GetLocalNameWithAndWithoutIndex) {
  auto storage = Make();
  struct Case {
    const char* key;
    const char* name;
  } plain[] = {
      {"img\\logo.bmp", "img_logo.bmp"},
      {"..\\x.bmp", "___x.bmp"},
      {"a:b..c...d", "a_b__c__.d"},
      {"C:\\Program Files\\Tessaline\\logo.bmp", "C:\\Program Files\\Tessaline\\logo.bmp"},
  };
  for (const Case& c : plain) EXPECT_EQ(storage->GetLocalName(c.key), c.name) << c.key;
  try {
    storage->GetLocalName("http://host/x.xml");
    ADD_FAILURE() << "a URL without an index was found";
  } catch (const EStorageFileNotFound& e) {
    EXPECT_EQ(e.Message(), "Can't find http://host/x.xml in filestorage");
  }

  Put(*storage, "http://host/tb/toolbar.xml", "<TOOLBAR/>");
  Put(*storage, "http://host/tb/img/logo.bmp", "BM");
  EXPECT_EQ(storage->GetLocalName("HTTP://HOST/TB/TOOLBAR.XML"), "host_tb_toolbar_xml.xml");
  storage->SetBaseURL("http://host/tb/toolbar.xml");
  EXPECT_EQ(storage->GetLocalName("img/logo.bmp"), "host_tb_img_logo_bmp.bmp");
  EXPECT_EQ(storage->ReadString("img/logo.bmp"), "BM");
  EXPECT_EQ(storage->GetLocalName("img\\logo.bmp"), "host_tb_img_logo_bmp.bmp") << "with an index, names resolve";
  EXPECT_THROW(storage->GetLocalName("img\\other.bmp"), EStorageFileNotFound);
  EXPECT_EQ(storage->GetLocalName("C:\\abs\\x.xml"), "C:\\abs\\x.xml");
}

TEST_F(FileStorage, AnIndexSnapshotReadsOnceSeesTheStoragesOwnChangesAndEndsWithItsScope) {
  auto storage = Make();
  auto other = Make();  // another writer of the same folder, as another process would be
  Put(*storage, "http://host/a.xml", "a");
  {
    TFileStorage::TIndexSnapshot snapshot(*storage);
    EXPECT_EQ(storage->GetLocalName("http://host/a.xml"), "host_a_xml.xml");
    Put(*other, "http://host/b.xml", "b");
    EXPECT_THROW(storage->GetLocalName("http://host/b.xml"), EStorageFileNotFound) << "one reading per snapshot";
    EXPECT_EQ(other->GetLocalName("http://host/b.xml"), "host_b_xml.xml") << "other storages read the disk";
    {
      TFileStorage::TIndexSnapshot nested(*storage);
      EXPECT_THROW(storage->GetLocalName("http://host/b.xml"), EStorageFileNotFound) << "the outer reading serves";
    }
    Put(*storage, "http://host/c.xml", "c");
    EXPECT_EQ(storage->GetLocalName("http://host/c.xml"), "host_c_xml.xml") << "its own change is seen";
    EXPECT_EQ(storage->GetLocalName("http://host/b.xml"), "host_b_xml.xml") << "by reading the index again";
  }
  Put(*other, "http://host/d.xml", "d");
  EXPECT_EQ(storage->ReadString("http://host/d.xml"), "d") << "no reading outlives its snapshot";

  // A storage without an index: plain names are sanitised until its own first file creates one.
  auto empty = Make("C:\\Empty");
  TFileStorage::TIndexSnapshot snapshot(*empty);
  EXPECT_EQ(empty->GetLocalName("img\\x.bmp"), "img_x.bmp");
  Put(*empty, "http://host/img/x.bmp", "BM");
  empty->SetBaseURL("http://host/");
  EXPECT_EQ(empty->GetLocalName("img/x.bmp"), "host_img_x_bmp.bmp");
  EXPECT_THROW(empty->GetLocalName("img\\y.bmp"), EStorageFileNotFound);
}

TEST_F(FileStorage, IndexLinesAreExactAndNamesAlreadyIndexedStayValid) {
  auto storage = Make();
  Put(*storage, "http://host/tb/toolbar.xml", "a");
  Put(*storage, "http://host/tb/q.php?x=1&y=2", "b");
  Put(*storage, "C:\\Shipped\\old.name.bmp", "c", 0, "old.name.bmp");
  EXPECT_EQ(HostBytes("C:\\Storage\\.files"), Hex("host_tb_toolbar_xml.xml=http://host/tb/toolbar.xml\r\n"
                                                  "host_tb_q_php_x_1_y_2.php=http://host/tb/q.php?x=1&y=2\r\n"
                                                  "old.name.bmp=C:\\Shipped\\old.name.bmp\r\n"));
  TFileStorageFileList index;
  index.LoadFromFile("C:\\Storage\\.files");
  EXPECT_EQ(index.Keys(1), "http://host/tb/q.php?x=1&y=2") << "split at the first =";
  EXPECT_EQ(index.IndexOfKey("HTTP://host/TB/q.php?x=1&y=2"), 1);
  EXPECT_EQ(index.IndexOfKey("http://host/tb/q.php"), -1);
  EXPECT_EQ(storage->GetRootURL(), "http://host/tb/toolbar.xml");

  // A name made by an older rule keeps serving its key.
  TFileStorageFileList legacy;
  legacy.AddFile("host_page.php", "http://host/page.php?id=3");
  legacy.SaveToFile("C:\\Storage\\.files");
  {
    TStringStream text(std::string("legacy"));
    TFileStream("C:\\Storage\\host_page.php", fmCreate).CopyFrom(text, 0);
  }
  EXPECT_EQ(storage->GetLocalName("http://host/page.php?id=3"), "host_page.php");
  EXPECT_EQ(storage->ReadString("http://host/page.php?id=3"), "legacy");
}

TEST_F(FileStorage, RootUrlOfAnEmptyStorage) {
  auto storage = Make();
  for (int round = 0; round < 2; ++round) {
    try {
      storage->GetRootURL();
      ADD_FAILURE() << "an empty storage has a root";
    } catch (const EStorage& e) {
      EXPECT_EQ(e.Message(), "File storage empty. Unable to get root url.");
    }
    storage->Clear();  // now with an empty index
  }
}

TEST_F(FileStorage, FileDatesAreLocalTimeAtTwoSeconds) {
  auto storage = Make();
  Put(*storage, "http://host/a.xml", "x", EncodeDateTime(2005, 3, 7, 14, 30, 15, 0));
  EXPECT_EQ(storage->GetFileDate("http://host/a.xml"), EncodeDateTime(2005, 3, 7, 14, 30, 14, 0));
  std::string host = testing_support::RunPython(
      "import os, time\nprint(time.strftime('%Y-%m-%d %H:%M:%S', time.localtime(os.stat(input()).st_mtime)))\n",
      vandrel::MapWindowsPath("C:\\Storage\\host_a_xml.xml").path + "\n");
  EXPECT_EQ(host, "2005-03-07 14:30:14\n");
  Put(*storage, "http://host/b.xml", "y");
  EXPECT_NEAR(storage->GetFileDate("http://host/b.xml"), Now(), 10.0 / 86400);
  Put(*storage, "http://host/c.xml", "z");
  DeleteFileA("C:\\Storage\\host_c_xml.xml");
  EXPECT_EQ(storage->GetFileDate("http://host/c.xml"), 0.0);
}

TEST_F(FileStorage, WriteFileOverwritesFromThePositionAndKeepsTheIndex) {
  auto storage = Make();
  Put(*storage, "http://host/a.xml", "old content");
  std::string index = HostBytes("C:\\Storage\\.files");
  TStringStream update(std::string("skip:new"));
  update.SetPosition(5);
  storage->WriteFile("http://host/a.xml", update);
  EXPECT_EQ(storage->ReadString("http://host/a.xml"), "new");
  EXPECT_EQ(HostBytes("C:\\Storage\\.files"), index);
  TMemoryStream appended;
  appended.Write("<<", 2);
  storage->ReadStream("http://host/a.xml", appended);
  EXPECT_EQ(std::string(static_cast<char*>(appended.Memory()), size_t(appended.Size())), "<<new");
}

TEST_F(FileStorage, ValidityMarker) {
  auto storage = Make();
  EXPECT_FALSE(storage->IsValid());
  storage->Invalidate();  // nothing to delete is no error
  storage->Validate();
  EXPECT_TRUE(storage->IsValid());
  EXPECT_EQ(HostBytes("C:\\Storage\\.valid"), "");
  storage->Validate();
  EXPECT_TRUE(storage->IsValid());
  storage->Invalidate();
  EXPECT_FALSE(storage->IsValid());
}

TEST_F(FileStorage, ClearDeletesIndexedFilesAndCountsMissingOnesAsDeleted) {
  auto storage = Make();
  Put(*storage, "http://host/a.xml", "a");
  Put(*storage, "http://host/b.xml", "b");
  ASSERT_TRUE(CreateDirectoryA("C:\\Outside", nullptr));
  Put(*storage, "C:\\Outside\\keep.xml", "k", 0, "C:\\Outside\\keep.xml");
  Put(*storage, "http://host/c.xml", "c");
  storage->Validate();
  DeleteFileA("C:\\Storage\\host_a_xml.xml");  // already gone
  storage->Clear();
  EXPECT_FALSE(storage->IsValid());
  EXPECT_EQ(HostBytes("C:\\Storage\\.files"), "");
  EXPECT_FALSE(Exists("C:\\Storage\\host_b_xml.xml"));
  EXPECT_FALSE(Exists("C:\\Storage\\host_c_xml.xml"));
  EXPECT_TRUE(Exists("C:\\Outside\\keep.xml")) << "files outside the storage are never deleted";

  // Clear of a storage without an index leaves an empty one.
  auto fresh = Make("C:\\Fresh\\Nested");
  fresh->Clear();
  EXPECT_EQ(HostBytes("C:\\Fresh\\Nested\\.files"), "");
}

TEST_F(FileStorage, ClearRaisesOnAFileItCannotDeleteAndKeepsLaterOnes) {
  auto storage = Make();
  Put(*storage, "http://host/a.xml", "a");
  Put(*storage, "http://host/b.xml", "b");
  Put(*storage, "http://host/c.xml", "c");
  storage->Validate();
  // A folder where the file was cannot be deleted as a file.
  DeleteFileA("C:\\Storage\\host_b_xml.xml");
  ASSERT_TRUE(CreateDirectoryA("C:\\Storage\\host_b_xml.xml", nullptr));
  try {
    storage->Clear();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "Nem tudom törölni a(z) \"C:\\Storage\\host_b_xml.xml\" fájlt"_cp);
  }
  EXPECT_FALSE(storage->IsValid());
  EXPECT_EQ(HostBytes("C:\\Storage\\.files"), "");
  EXPECT_FALSE(Exists("C:\\Storage\\host_a_xml.xml"));
  EXPECT_TRUE(Exists("C:\\Storage\\host_c_xml.xml"));
}

TEST_F(FileStorage, CopyFromMakesAnExactCopy) {
  for (bool valid : {true, false}) {
    auto source = Make("C:\\Source");
    auto target = Make("C:\\Target");
    target->Clear();
    Put(*target, "http://host/stale.xml", "stale");
    target->Validate();
    source->Clear();
    Put(*source, "http://host/tb/toolbar.xml", "<TOOLBAR/>", EncodeDateTime(2004, 12, 24, 18, 0, 0, 0));
    Put(*source, "http://host/tb/img.bmp", std::string("BM\0\x01\xFF", 5), EncodeDateTime(2005, 1, 2, 3, 4, 6, 0));
    Put(*source, "http://host/tb/img.bmp", "newer");  // the same key twice: each line keeps its own file
    if (valid) source->Validate();
    target->CopyFrom(*source);

    EXPECT_EQ(target->IsValid(), valid);
    EXPECT_EQ(HostBytes("C:\\Target\\.files"), HostBytes("C:\\Source\\.files"));
    TFileStorageFileList index;
    index.LoadFromFile("C:\\Source\\.files");
    ASSERT_EQ(index.Count(), 3);
    for (int i = 0; i < index.Count(); ++i) {
      const std::string name = index.LocalNames(i);
      EXPECT_EQ(HostBytes("C:\\Target\\" + name), HostBytes("C:\\Source\\" + name)) << name;
    }
    EXPECT_EQ(target->GetFileDate("http://host/tb/toolbar.xml"), EncodeDateTime(2004, 12, 24, 18, 0, 0, 0));
    EXPECT_FALSE(Exists("C:\\Target\\host_stale_xml.xml"));
  }
}

class DownloadStorage : public FileStorage {
 protected:
  void SetUp() override {
    server_.On("/tb/toolbar.xml", HttpScriptedResponse::Ok("<TOOLBAR/>"));
    server_.On("/tb/img/logo.bmp", HttpScriptedResponse::Ok("BM-logo"));
    server_.On("/tb/inc/menu.xml", [this](const testing_support::HttpRecordedRequest&) {
      return HttpScriptedResponse::Ok("menu v" + std::to_string(++menuVersion_));
    });
    server_.On("/tb/menu.xml", HttpScriptedResponse::Ok("wrong menu"));
    storage_.reset(TDownloadFileStorage::Create("C:\\Download"));
  }
  int Fetches(const std::string& target) {
    int n = 0;
    for (const auto& r : server_.Requests()) n += r.target == target;
    return n;
  }

  HttpTestServer server_;
  std::unique_ptr<TDownloadFileStorage> storage_;
  std::atomic<int> menuVersion_{0};
};

TEST_F(DownloadStorage, FetchesAMissingFileOnceAndIndexesItUnderTheCombinedUrl) {
  const std::string root = server_.Url("/tb/toolbar.xml");
  const std::string name = "127_0_0_1_" + std::to_string(server_.Port()) + "_tb_toolbar_xml.xml";
  EXPECT_EQ(storage_->GetLocalName(root), name);
  EXPECT_EQ(storage_->GetLocalName(root), name);
  EXPECT_EQ(Fetches("/tb/toolbar.xml"), 1);
  storage_->SetBaseURL(root);
  EXPECT_EQ(storage_->ReadString("img/logo.bmp"), "BM-logo");
  EXPECT_EQ(storage_->ReadString("img/logo.bmp"), "BM-logo");
  EXPECT_EQ(storage_->ReadString(root), "<TOOLBAR/>");
  EXPECT_EQ(Fetches("/tb/img/logo.bmp"), 1);
  EXPECT_EQ(Fetches("/tb/toolbar.xml"), 1);
  TFileStorageFileList index;
  index.LoadFromFile("C:\\Download\\.files");
  ASSERT_EQ(index.Count(), 2);
  EXPECT_EQ(index.Keys(0), root);
  EXPECT_EQ(index.Keys(1), server_.Url("/tb/img/logo.bmp"));
  EXPECT_EQ(storage_->GetRootURL(), root);

  // Inside a snapshot, as while a definition is read, files fetched on the way are found.
  {
    TFileStorage::TIndexSnapshot snapshot(*storage_);
    EXPECT_EQ(storage_->ReadString("img/logo.bmp"), "BM-logo");
    EXPECT_EQ(storage_->ReadString("menu.xml"), "wrong menu");
    EXPECT_EQ(storage_->ReadString("menu.xml"), "wrong menu");
    EXPECT_EQ(Fetches("/tb/menu.xml"), 1);
  }

  // A file the server does not have: the download error, and nothing indexed.
  EXPECT_THROW(storage_->ReadString("img/missing.bmp"), EWinInetServerError);
  index.LoadFromFile("C:\\Download\\.files");
  EXPECT_EQ(index.Count(), 3);
}

TEST_F(DownloadStorage, RefreshFetchesAgainInPlaceAgainstTheCallersBaseUrl) {
  const std::string root = server_.Url("/tb/toolbar.xml"), include = server_.Url("/tb/inc/menu.xml");
  storage_->SetBaseURL(root);
  EXPECT_EQ(storage_->ReadString(root), "<TOOLBAR/>");
  EXPECT_EQ(storage_->ReadString("inc/menu.xml"), "menu v1");
  const std::string name = storage_->GetLocalName(include);
  // The worker refreshes a nested include with the base URL set to the include's own URL.
  storage_->SetBaseURL(include);
  storage_->Refresh("menu.xml");
  EXPECT_EQ(storage_->ReadString(include), "menu v2");
  EXPECT_EQ(storage_->GetLocalName(include), name) << "refreshed in place";
  EXPECT_EQ(Fetches("/tb/menu.xml"), 0);
  // Without a base URL the root URL stands in.
  storage_->SetBaseURL("");
  storage_->Refresh("inc/menu.xml");
  EXPECT_EQ(storage_->ReadString(include), "menu v3");
  EXPECT_EQ(Fetches("/tb/inc/menu.xml"), 3);
  EXPECT_EQ(Fetches("/tb/toolbar.xml"), 1);
}

}  // namespace
