#include "platform/runtime/Streams.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/runtime/Strings.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(TMemoryStream& s) { return std::string(static_cast<const char*>(s.Memory()), std::size_t(s.Size())); }

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(random());
  return s;
}

TEST(MemoryStream, SeekReadWriteAndSize) {
  TMemoryStream s;
  s.WriteBuffer("hello world", 11);
  struct Step {
    int64_t offset;
    int origin;
    int64_t position;
    std::string read3;
  };
  const Step steps[] = {
      {0, soFromBeginning, 0, "hel"}, {2, soFromCurrent, 5, " wo"}, {-2, soFromEnd, 9, "ld"},
      {11, soBeginning, 11, ""},      {40, soBeginning, 40, ""},    {-3, soCurrent, 37, ""},
  };
  for (const Step& st : steps) {
    EXPECT_EQ(s.Seek(st.offset, st.origin), st.position);
    char buffer[3];
    int64_t n = s.Read(buffer, 3);
    EXPECT_EQ(std::string(buffer, std::size_t(n)), st.read3);
  }
  // Writing past the end fills the gap with zeros.
  s.SetPosition(13);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(Bytes(s), std::string("hello world\0\0!", 14));
  // Shrinking moves a position past the new end to the end.
  s.SetSize(5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(Bytes(s), "hello");
  s.SetPosition(2);
  s.SetSize(8);
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(Bytes(s), std::string("hello\0\0\0", 8));
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(MemoryStream, ManySmallWritesGrowTheBlockGeometrically) {
  TMemoryStream s;
  int reallocations = 0;
  int64_t capacity = 0;
  const std::string chunk = RandomBytes(100, 1);
  for (int i = 0; i < 100000; ++i) {
    s.WriteBuffer(chunk.data(), int64_t(chunk.size()));
    if (s.Capacity() != capacity) ++reallocations, capacity = s.Capacity();
  }
  EXPECT_EQ(s.Size(), 10000000);
  EXPECT_LT(reallocations, 40);
  EXPECT_EQ(Bytes(s).substr(9999900), chunk);
}

TEST(Stream, BufferedReadsAndWritesRaiseOnShortTransfers) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(1);
  char buffer[4];
  try {
    s.ReadBuffer(buffer, 3);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  s.ReadBuffer(buffer, 0);  // nothing asked, nothing raised

  struct TFixed : TCustomMemoryStream {
    explicit TFixed(char* block) { SetPointer(block, 4); }
  };
  char block[] = "wxyz";
  TFixed fixed(block);
  try {
    fixed.WriteBuffer("a", 1);
    ADD_FAILURE();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  fixed.ReadBuffer(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "wxyz");
}

TEST(Stream, CopyFromCopiesACountOrTheWholeSource) {
  const std::string data = RandomBytes(200000, 2);  // more than one copy chunk
  for (bool fromMemory : {true, false}) {
    SCOPED_TRACE(fromMemory ? "memory source" : "string source");
    std::unique_ptr<TStream> source;
    if (fromMemory) {
      auto* m = TMemoryStream::Create();
      m->WriteBuffer(data.data(), int64_t(data.size()));
      source.reset(m);
    } else {
      source.reset(TStringStream::Create(data));
      source->Seek(0, soEnd);
    }
    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(*source, 0), int64_t(data.size()));  // from the start, wherever it stood
    EXPECT_EQ(Bytes(whole), data);

    source->SetPosition(70000);
    TMemoryStream part;
    part.WriteBuffer(">", 1);
    EXPECT_EQ(part.CopyFrom(*source, 100000), 100000);
    EXPECT_EQ(source->Position(), 170000);
    EXPECT_EQ(Bytes(part), ">" + data.substr(70000, 100000));

    EXPECT_THROW(part.CopyFrom(*source, 30001), EReadError);
  }
}

TEST(StringStream, OverwritesWithoutTruncatingAndKeepsThePositionInside) {
  TStringStream s("abcdef");
  s.SetPosition(2);
  s.WriteString("XY");
  EXPECT_EQ(s.DataString(), "abXYef");
  EXPECT_EQ(s.ReadString(10), "ef");
  s.WriteString("gh");
  EXPECT_EQ(s.DataString(), "abXYefgh");
  EXPECT_EQ(s.Seek(-3, soFromEnd), 5);
  EXPECT_EQ(s.ReadString(2), "fg");
  EXPECT_EQ(s.Seek(100, soFromCurrent), 8);
  EXPECT_EQ(s.Seek(-100, soFromBeginning), 0);
  s.SetSize(3);
  EXPECT_EQ(s.DataString(), "abX");
  EXPECT_EQ(s.Seek(0, soEnd), 3);
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rtclassesXXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir_;
};

TEST_F(FileStreamTest, CreatesWritesReopensAndResizes) {
  {
    TFileStream f(Path("a.bin"), fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.Seek(-4, soFromEnd), 6);
    char buffer[8];
    EXPECT_EQ(f.Read(buffer, 8), 4);
    EXPECT_EQ(f.Seek(-1, soFromBeginning), -1);
    f.SetSize(3);
    EXPECT_EQ(f.Position(), 3);
    f.WriteBuffer("x", 1);
  }
  EXPECT_EQ(Read("a.bin"), "012x");
  {
    TFileStream f(Path("a.bin"), fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteBuffer("yz", 2);
    f.SetSize(8);
  }
  EXPECT_EQ(Read("a.bin"), std::string("012xyz\0\0", 8));
  {
    TFileStream f(Path("a.bin"), fmCreate);  // an existing file is emptied
    EXPECT_EQ(f.Size(), 0);
  }
  EXPECT_EQ(Read("a.bin"), "");
  TFileStream readOnly(Path("a.bin"), fmOpenRead);
  EXPECT_THROW(readOnly.WriteBuffer("a", 1), EWriteError);
}

TEST_F(FileStreamTest, OpenFailuresCarryTheSystemText) {
  fs::create_directory(Path("sub"));
  struct Case {
    std::string name;
    uint16_t mode;
    bool create;
    std::string reason;
  };
  const Case cases[] = {
      {Path("missing.txt"), fmOpenRead, false, "The system cannot find the file specified."},
      {Path("nodir/x.txt"), fmOpenReadWrite, false, "The system cannot find the path specified."},
      {Path("nodir/x.txt"), fmCreate, true, "The system cannot find the path specified."},
      {Path("sub"), fmOpenRead, false, "Access is denied."},
      {Path("sub"), fmCreate, true, "Access is denied."},
      {"", fmOpenRead, false, "The system cannot find the path specified."},
      {Path("sub/y"), fmOpenRead | 0x0003, false, "The parameter is incorrect."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      TFileStream f(c.name, c.mode);
      ADD_FAILURE() << "opened";
    } catch (const EFCreateError& e) {
      EXPECT_TRUE(c.create);
      EXPECT_EQ(e.Message(), "Cannot create file \"" + c.name + "\". " + c.reason);
    } catch (const EFOpenError& e) {
      EXPECT_FALSE(c.create);
      EXPECT_EQ(e.Message(), "Cannot open file \"" + c.name + "\". " + c.reason);
    }
  }
}

TEST_F(FileStreamTest, ShareModesOfOpenFilesDecideLaterOpens) {
  struct Case {
    uint16_t first, second;
    bool allowed;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenRead, fmOpenRead | fmShareDenyNone, false},                      // no share mode: exclusive
      {fmOpenWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false},  // the writer is already there
      {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareDenyRead, false},
      {fmOpenWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyRead, true},
      {fmOpenRead | fmShareDenyNone, fmCreate, false},
  };
  std::ofstream(Path("f.txt")) << "content";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + " then " + std::to_string(c.second));
    TFileStream first(Path("f.txt"), c.first);
    try {
      TFileStream second(Path("f.txt"), c.second);
      EXPECT_TRUE(c.allowed);
    } catch (const EStreamError& e) {
      EXPECT_FALSE(c.allowed);
      EXPECT_NE(e.Message().find("being used by another process"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Read("f.txt"), "content") << "a refused open changes nothing";
  }
  // Closed again, the file is free for anyone.
  TFileStream exclusive(Path("f.txt"), fmOpenReadWrite | fmShareExclusive);
}

TEST_F(FileStreamTest, NamesAreCp1250AndBecomeUtf8HostNames) {
  std::string name = Path("árvíztűrő.txt"_cp);
  {
    TStringList list;
    list.Add("tükör"_cp);
    list.SaveToFile(name);
  }
  EXPECT_TRUE(fs::exists(fs::path(dir_) / "árvíztűrő.txt"));
  EXPECT_EQ(Read("árvíztűrő.txt"), "tükör"_cp + "\r\n");
  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(Bytes(m), "tükör"_cp + "\r\n");
  m.SaveToFile(Path("copy"));
  TStringList again;
  again.LoadFromFile(Path("copy"));
  EXPECT_EQ(again.Text(), "tükör"_cp + "\r\n");
}

// A stand-in for the machine's file layer: files in memory, every open recorded.
class TMemoryFileSystem : public IFileSystem {
 public:
  struct File : IFileHandle {
    std::string& data;
    int64_t position = 0;
    explicit File(std::string& d) : data(d) {}
    bool Read(void* buffer, std::size_t count, std::size_t& done, TFileError&) override {
      done = position < int64_t(data.size()) ? std::min(count, data.size() - std::size_t(position)) : 0;
      std::memcpy(buffer, data.data() + position, done);
      position += int64_t(done);
      return true;
    }
    bool Write(const void* buffer, std::size_t count, std::size_t& done, TFileError&) override {
      if (data.size() < std::size_t(position) + count) data.resize(std::size_t(position) + count);
      std::memcpy(data.data() + position, buffer, count);
      position += int64_t(done = count);
      return true;
    }
    bool Seek(int64_t offset, TFileOrigin origin, int64_t& at, TFileError&) override {
      at = position = (origin == TFileOrigin::End       ? int64_t(data.size())
                       : origin == TFileOrigin::Current ? position
                                                        : 0) +
                      offset;
      return true;
    }
    bool Size(int64_t& size, TFileError&) override {
      size = int64_t(data.size());
      return true;
    }
    bool Truncate(TFileError&) override {
      data.resize(std::size_t(position));
      return true;
    }
  };

  std::unique_ptr<IFileHandle> Open(const std::string& name, TFileAccess access, TFileShare share,
                                    TFileCreation creation, TFileError& error) override {
    opens.push_back(name + " " + std::to_string(int(access)) + std::to_string(int(share)) +
                    std::to_string(int(creation)));
    if (creation == TFileCreation::CreateAlways) files[name].clear();
    if (!files.count(name)) {
      error = {2, "Das System kann die Datei nicht finden."};
      return nullptr;
    }
    return std::make_unique<File>(files[name]);
  }

  std::map<std::string, std::string> files;
  std::vector<std::string> opens;
};

TEST(FileSystemLayer, StreamsAndListsReachTheInstalledLayer) {
  TMemoryFileSystem layer;
  // The platform library installs the machine's file layer when it loads; this test puts its own over it.
  IFileSystem* previous = InstallFileSystem(&layer);
  EXPECT_EQ(&FileSystem(), &layer);
  {
    TStringList list;
    list.SetText("a\nb");
    list.SaveToFile("C:\\Windows\\x.txt");
    TMemoryStream m;
    m.LoadFromFile("C:\\Windows\\x.txt");
    EXPECT_EQ(Bytes(m), "a\r\nb\r\n");
    TFileStream f("C:\\Windows\\x.txt", fmOpenReadWrite | fmShareDenyNone);
    f.SetSize(1);
    try {
      TFileStream missing("C:\\nope", fmOpenRead);
      ADD_FAILURE();
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.Message(), "Cannot open file \"C:\\nope\". Das System kann die Datei nicht finden.");
    }
  }
  EXPECT_EQ(InstallFileSystem(nullptr), &layer);
  EXPECT_EQ(&FileSystem(), &HostFileSystem()) << "nullptr restores the host layer";
  InstallFileSystem(previous);
  EXPECT_EQ(layer.files["C:\\Windows\\x.txt"], "a");
  // Access, share and creation of each open: create is read-write exclusive; loading shares for reading.
  EXPECT_EQ(layer.opens, (std::vector<std::string>{"C:\\Windows\\x.txt 201", "C:\\Windows\\x.txt 010",
                                                   "C:\\Windows\\x.txt 230", "C:\\nope 000"}));
}

}  // namespace

TEST(HostFile, ReadsWholeFilesOfAnySizeAndSaysWhyItCannot) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("hostfile-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string big(200000, '\0');
  std::mt19937 random(7);
  for (char& c : big) c = char(random());
  const std::vector<std::string> contents = {"", "x", std::string("a\0b\r\n", 5), big};
  for (const std::string& content : contents) {
    const std::string path = (dir / "f.bin").string();
    std::ofstream(path, std::ios::binary).write(content.data(), std::streamsize(content.size()));
    std::string text = "old", error;
    EXPECT_TRUE(ReadHostFile(path, text, error)) << error;
    EXPECT_EQ(text, content) << content.size();
  }
  std::string text = "kept", error;
  EXPECT_FALSE(ReadHostFile((dir / "missing").string(), text, error));
  EXPECT_EQ(error, std::strerror(ENOENT));
  EXPECT_FALSE(ReadHostFile(dir.string(), text, error));
  EXPECT_EQ(error, std::strerror(EISDIR));
  EXPECT_EQ(text, "kept");
  std::filesystem::remove_all(dir);
}
