// Files served by Python's http.server arrive byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/tests/WinInetFetch.h"

namespace {

namespace fs = std::filesystem;

TEST(WinInetPythonServer, EveryFileOfAFolderArrivesByteIdentical) {
  fs::path folder = fs::temp_directory_path() / ("wininet-fixture-" + std::to_string(getpid()));
  fs::create_directories(folder / "sub dir");
  std::mt19937 random(20240611);
  struct File {
    std::string name, target;
    size_t size;
  } files[] = {{"empty.bin", "/empty.bin", 0},
               {"one.bin", "/one.bin", 1},
               {"short.xml", "/short.xml", 8191},
               {"exact.gif", "/exact.gif", 8192},
               {"over.bin", "/over.bin", 8193},
               {"big.bin", "/big.bin", 100 * 1024},
               {"sub dir/huge.bin", "/sub%20dir/huge.bin", 3 * 1024 * 1024 + 17}};
  std::map<std::string, std::string> contents;
  for (const File& f : files) {
    std::string bytes(f.size, '\0');
    for (char& b : bytes) b = char(random() & 0xFF);
    std::ofstream(folder / f.name, std::ios::binary) << bytes;
    contents[f.name] = bytes;
  }
  {
    testing_support::PythonHttpServer server(folder.string());
    ASSERT_NE(server.Port(), 0);
    for (const File& f : files) {
      SCOPED_TRACE(f.name);
      testing_support::FetchResult r = testing_support::Fetch("127.0.0.1", server.Port(), f.target);
      EXPECT_EQ(r.sendError, ERROR_SUCCESS);
      EXPECT_EQ(r.readError, ERROR_SUCCESS);
      EXPECT_EQ(r.status, 200);
      EXPECT_EQ(r.body.size(), f.size);
      EXPECT_TRUE(r.body == contents[f.name]);
    }
    EXPECT_EQ(testing_support::Fetch("127.0.0.1", server.Port(), "/missing.xml").status, 404);
  }
  fs::remove_all(folder);
}

}  // namespace
