// The engine runner's own cost: the engine check, a probe and both stabilising passes
// through the runner, against the same engine calls made directly (spawn + blocking
// read). The counters give the front end's CPU time (getrusage of this process) next to
// the engine's (its children) and the wall time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/engine_check.h"
#include "app/engine_runner.h"
#include "app/media_probe.h"
#include "app/pass_commands.h"
#include "app/stabilise_passes.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A Windows directory with the real engine and a short shaky clip, made once.
struct Scene {
  fs::path folder;
  std::string ffmpeg = "/usr/bin/ffmpeg";
  std::string clip;
  bool ready = false;

  Scene() {
    char pattern[] = "/tmp/calmora_bench_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    fs::create_directories(folder / "servicecmr");
    std::error_code error;
    fs::create_symlink(ffmpeg, folder / "servicecmr" / "client.exe", error);
    if (error) return;
    ::setenv("CALMORA_WINDIR", folder.c_str(), 1);
    clip = (folder / "clip.mp4").string();
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
        "'color=c=gray:s=32x26:r=25:d=1,format=gray,noise=alls=100:allf=u:all_seed=7,"
        "scale=192x152:flags=bicubic,loop=loop=-1:size=1:start=0,"
        "crop=w=160:h=120:x=16+floor(8*sin(n*2.1)):y=16+floor(6*sin(n*1.7+1))' "
        "-f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -pix_fmt yuv420p -shortest '" +
        clip + "'";
    ready = std::system(command.c_str()) == 0;
    fs::current_path(folder);  // the transform file lands here
  }
  ~Scene() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Measures the loop's CPU split and wall time and reports them per iteration.
class CostMeter {
 public:
  CostMeter()
      : self_(CpuSeconds(RUSAGE_SELF)),
        children_(CpuSeconds(RUSAGE_CHILDREN)),
        wall_(std::chrono::steady_clock::now()) {}
  void Report(benchmark::State& state) const {
    const double n = static_cast<double>(state.iterations());
    const double self = (CpuSeconds(RUSAGE_SELF) - self_) / n * 1e3;
    const double engine = (CpuSeconds(RUSAGE_CHILDREN) - children_) / n * 1e3;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count() / n * 1e3;
    state.counters["front_cpu_ms"] = self;
    state.counters["engine_cpu_ms"] = engine;
    state.counters["wall_ms"] = wall;
    state.counters["front_cpu_pct_of_engine"] = engine > 0 ? 100.0 * self / engine : 0.0;
  }

 private:
  double self_, children_;
  std::chrono::steady_clock::time_point wall_;
};

// The same engine call without the runner: spawn, blocking reads until the pipe closes.
bool RunDirect(const std::vector<std::string>& arguments) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return false;
  }
  char buffer[512];
  std::size_t total = 0;
  for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (got > 0) total += static_cast<std::size_t>(got);
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  benchmark::DoNotOptimize(total);
  return true;
}

class QuietProgress : public calmora::StabiliseProgress {
 public:
  bool CancelRequested() override { return false; }
  void SetFileGauge(int) override {}
  void SetOverallGauge(int) override {}
  void SetStatus(const std::string&) override {}
};

void BM_EngineCheckThroughRunner(benchmark::State& state) {
  if (!TheScene().ready) return state.SkipWithError("no engine or clip");
  CostMeter meter;
  for (auto _ : state) {
    std::string code;
    if (!calmora::CheckEngine(code)) return state.SkipWithError("check failed");
  }
  meter.Report(state);
}

void BM_EngineCheckDirect(benchmark::State& state) {
  if (!TheScene().ready) return state.SkipWithError("no engine or clip");
  CostMeter meter;
  for (auto _ : state) RunDirect({TheScene().ffmpeg});
  meter.Report(state);
}

void BM_ProbeThroughRunner(benchmark::State& state) {
  if (!TheScene().ready) return state.SkipWithError("no engine or clip");
  CostMeter meter;
  for (auto _ : state) {
    std::string code, text;
    calmora::Tffinfo info;
    if (!calmora::ProbeMediaInfo(code, TheScene().clip, info, text))
      return state.SkipWithError("probe failed");
  }
  meter.Report(state);
}

void BM_ProbeDirect(benchmark::State& state) {
  if (!TheScene().ready) return state.SkipWithError("no engine or clip");
  CostMeter meter;
  for (auto _ : state) RunDirect({TheScene().ffmpeg, "-i", TheScene().clip});
  meter.Report(state);
}

void BM_PassesThroughRunner(benchmark::State& state) {
  if (!TheScene().ready) return state.SkipWithError("no engine or clip");
  calmora::Tffinfo info;
  std::string code, text;
  if (!calmora::ProbeMediaInfo(code, TheScene().clip, info, text))
    return state.SkipWithError("probe failed");
  info.filepath = TheScene().clip;
  const fs::path out = TheScene().folder / "out";
  fs::create_directories(out);
  calmora::StabiliseJob job;
  job.Info = &info;
  job.Settings = {"5", "15", "6", "0.3", "10"};
  job.OutputFolder = out.string();
  QuietProgress progress;
  CostMeter meter;
  for (auto _ : state) {
    std::string error;
    if (!calmora::RunStabilisePasses(error, job, progress))
      return state.SkipWithError(error.c_str());
  }
  meter.Report(state);
}

void BM_PassesDirect(benchmark::State& state) {
  if (!TheScene().ready) return state.SkipWithError("no engine or clip");
  const std::string& clip = TheScene().clip;
  const std::string output = (TheScene().folder / "direct.mp4").string();
  CostMeter meter;
  for (auto _ : state) {
    RunDirect({TheScene().ffmpeg, "-i", clip, "-y", "-vf",
               "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3:"
               "result=client_calmora.trf",
               "-f", "null", "-"});
    RunDirect({TheScene().ffmpeg, "-i", clip, "-q:v", "0", "-c:a", "copy", "-y", "-vf",
               "vidstabtransform=input=client_calmora.trf:smoothing=10,unsharp=5:5:1.0:5:5:0.0",
               output});
  }
  meter.Report(state);
}

BENCHMARK(BM_EngineCheckThroughRunner)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EngineCheckDirect)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProbeThroughRunner)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProbeDirect)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PassesThroughRunner)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_PassesDirect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
