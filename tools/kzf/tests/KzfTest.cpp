// kzf as a real child process, checked against the reference of the line cipher.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "wizard-components/tests/CkTestSupport.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

class Kzf : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kzftestXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }
  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Runs kzf with the arguments, standard input from `input`.
  Result Run(const std::string& args, const std::string& input = "") {
    const std::string in = Write("stdin", input);
    const std::string command = std::string(KZF_PATH) + " " + args + " < " + in + " > " + (dir_ / "out").string() +
                                " 2> " + (dir_ / "err").string();
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir_ / "out"), Slurp(dir_ / "err")};
  }

  fs::path dir_;
};

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

TEST_F(Kzf, EncodesAsTheReferenceAndDecodeRestores) {
  const std::vector<std::string> lines = {
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>",
      "<beallitasok>",
      "",
      "  <szoveg59>"_cp + "Árvíztűrő tükörfúrógép ÷ \\ vége"_cp + "</szoveg59>",
      "12345678",
      "1234567",
      "1234567890abcdef",
      std::string("zero\0byte", 9),
      "\ttabbed",
      std::string(300, 'x'),
      "</beallitasok>",
  };
  // Mixed line ends, as files edited on several systems have them; the last line has none.
  const char* ends[] = {"\r\n", "\n", "\r"};
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i + 1 < lines.size() ? ends[i % 3] : "");

  std::string hex;
  for (const auto& line : lines) hex += ck_test::Hex(line) + "\n";
  const std::vector<std::string> reference =
      ck_test::Lines(ck_test::RunReference("for line in sys.stdin.read().split('\\n')[:-1]:\n"
                                           "    print(ckref.encipher_line(bytes.fromhex(line)).decode())\n",
                                           hex));
  ASSERT_EQ(reference.size(), lines.size());

  const Result fromFile = Run("encode " + Write("plain.txt", text));
  EXPECT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(fromFile.err, "");
  EXPECT_EQ(fromFile.out, JoinCrLf(reference));
  const Result fromInput = Run("encode", text);
  EXPECT_EQ(fromInput.out, fromFile.out);

  const Result decoded = Run("decode " + Write("config.kzf", fromFile.out));
  EXPECT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(decoded.out, JoinCrLf(lines));
  EXPECT_EQ(Run("decode", fromFile.out).out, JoinCrLf(lines));
}

TEST_F(Kzf, LineEndsDecideTheLines) {
  struct Case {
    std::string text;
    size_t lines;
  } cases[] = {
      {"", 0}, {"a", 1}, {"a\r\n", 1}, {"a\n\n", 2}, {"\r\n", 1}, {"a\r\rb", 3}, {"a\n\rb", 3}, {"a\r\n\r\nb\n", 3},
  };
  for (const auto& c : cases) {
    const Result r = Run("encode", c.text);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ck_test::Lines(r.out).size(), c.lines) << ck_test::Hex(c.text);
  }
}

TEST_F(Kzf, LinesThatDoNotDecipherComeOutEmptyAndAreReported) {
  const std::string good = Run("encode", "first\nthird\nfifth").out;
  const std::vector<std::string> enciphered = ck_test::Lines(good);
  ASSERT_EQ(enciphered.size(), 3u);
  auto chop = [](const std::string& s) { return s.substr(0, s.size() - 1); };  // drops the CR
  const std::string damaged = chop(enciphered[0]) + "\r\n" + "not base64!\r\n" + chop(enciphered[1]) + "\r\n" + "\r\n" +
                              chop(enciphered[2]).substr(1) + "\r\n";
  const Result r = Run("decode", damaged);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "first\r\n\r\nthird\r\n\r\n\r\n");
  EXPECT_EQ(r.err,
            "kzf: line 2: Invalid Base64 Character\n"
            "kzf: line 4: Invalid file format\n"
            "kzf: line 5: Invalid Base64 Character\n");
}

TEST_F(Kzf, BadUseAndUnreadableInputFail) {
  fs::create_directory(dir_ / "folder");
  struct Case {
    std::string args;
    std::string message;
  } cases[] = {
      {"", "usage: kzf encode [FILE]"},
      {"unpack", "usage: kzf encode [FILE]"},
      {"encode a b", "usage: kzf encode [FILE]"},
      {"decode " + (dir_ / "missing.kzf").string(), "kzf: cannot open " + (dir_ / "missing.kzf").string() + ": "},
      {"encode " + (dir_ / "folder").string(), "kzf: cannot read " + (dir_ / "folder").string() + ": "},
  };
  for (const auto& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.args << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

}  // namespace
