// A process with one band form whose worker has nothing due (a definition without source, feeds or
// includes): the processor time the whole process uses over 60 s of real time, from getrusage, as a share
// of one core ("cpu_percent"). Runs on the real clock.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/com/ClassTable.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"
#include "toolbar/uWatchThread.h"
#include "toolbar/uWorkerThread.h"

namespace {

namespace fs = std::filesystem;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_WorkerIdle(benchmark::State& state) {
  testing_support::TestMachine machine;
  std::string folder = machine.DriveC() + "/Program Files/Vandrel/Pellandra";
  fs::create_directories(folder);
  for (const char* name : {".files", "buttons.bmp"})
    fs::copy_file(std::string(VANDREL_SOURCE_DIR) + "/toolbar/default/" + name, folder + "/" + name);
  std::ofstream(folder + "/toolbar.xml", std::ios::binary)
      << "<TOOLBAR guid=\"{11111111-2B8D-44AF-82FA-F86E57899FB8}\" caption=\"Vandrel\"><SEPARATOR/></TOOLBAR>";
  fs::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_plain.so", folder + "/Pellandra.so");
  HMODULE library = LoadLibraryA("C:\\Program Files\\Vandrel\\Pellandra\\Pellandra.so");
  if (!library) {
    state.SkipWithError("the sample library did not load");
    return;
  }
  SetInstanceModuleForTesting(library);
  CoInitialize(nullptr);
  InitializeLibraryUnits();
  Startup();
  BandFormCreated();
  // The worker's start delay and first cycle come before the measurement.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  if (!WorkerExists()) state.SkipWithError("no worker");
  double percent = 0;
  for (auto _ : state) {
    double before = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(60));
    percent = (CpuSeconds() - before) / 60.0 * 100.0;
  }
  state.counters["cpu_percent"] = percent;
  BandFormDestroyed();
}
BENCHMARK(BM_WorkerIdle)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
