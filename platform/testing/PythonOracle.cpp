#include "platform/testing/PythonOracle.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <string>

namespace testing_support {

std::string RunPython(const std::string& program, const std::string& input) {
  char dir[] = "/tmp/pyoracleXXXXXX";
  if (!mkdtemp(dir)) return "";
  std::string base(dir);
  std::ofstream(base + "/p.py", std::ios::binary) << program;
  std::ofstream(base + "/in", std::ios::binary) << input;
  std::string command = std::string(VANDREL_PYTHON) + " " + base + "/p.py < " + base + "/in";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = pclose(pipe);
    EXPECT_EQ(status, 0) << "python failed: " << program;
  }
  std::remove((base + "/p.py").c_str());
  std::remove((base + "/in").c_str());
  rmdir(dir);
  return out;
}

std::string PillowAndImageMagickRead(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) list += path + "\n";
  return RunPython(R"(
import subprocess, sys, warnings
from PIL import Image
warnings.simplefilter("error")
for path in sys.stdin.read().split():
    image = Image.open(path)
    image.load()
    checked = subprocess.run(["identify-im6.q16", "-regard-warnings", path], capture_output=True, text=True)
    assert checked.returncode == 0 and not checked.stderr, checked.stderr
    print(image.width, image.height, image.info.get("compression"), image.convert("RGB").tobytes().hex())
)",
                   list);
}

std::string SqliteIntegrityAndCount(const std::string& database, const std::string& countQuery) {
  return RunPython(
      "import sqlite3, sys\n"
      "database, query = sys.stdin.read().split('\\n')[:2]\n"
      "db = sqlite3.connect(database)\n"
      "print(db.execute('PRAGMA integrity_check').fetchone()[0])\n"
      "print(db.execute(query).fetchone()[0])\n",
      database + "\n" + countQuery + "\n");
}

}  // namespace testing_support
