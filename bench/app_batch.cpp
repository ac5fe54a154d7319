// A batch of three clips through the front end (main window, progress window, engine runs)
// against the same engine command lines run directly; reports, from the same run, the
// wall-time ratio and the front end's own CPU time next to the engine's, and whether both
// meet their goals: front-end CPU below 1 % of the engine's, wall time within 1.03x.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_block.h"
#include "app/media_probe.h"
#include "app/pass_commands.h"
#include "platform/application.h"
#include "platform/command_line.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/windows_dir.h"

extern char** environ;

namespace calmora {
namespace {

namespace fs = std::filesystem;

constexpr int kClips = 3;
constexpr double kCpuShareGoalPct = 1.0;
constexpr double kWallRatioGoal = 1.03;

double Seconds(const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; }

// CPU seconds (user + system) of this process, or of its ended children.
double CpuSeconds(int who) {
  rusage usage {};
  getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Runs one command line (engine path first) to its end with its output discarded.
bool RunDirectly(const std::string& command_line) {
  const std::vector<std::string> arguments = platform::SplitCommandLine(command_line);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The front end gives the engine no input either.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  int status = 0;
  return waitpid(child, &status, 0) == child;
}

struct Workspace {
  fs::path root;
  std::string engine;
  std::vector<std::string> clips;
  std::vector<Tffinfo> infos;
};

Workspace& Prepare() {
  static Workspace workspace = [] {
    Workspace made;
    char pattern[] = "/tmp/calmora_bench_XXXXXX";
    made.root = mkdtemp(pattern);
    fs::create_directories(made.root / "windows/servicecmr");
    fs::create_directories(made.root / "out");
    fs::create_symlink("/usr/bin/ffmpeg", made.root / "windows/servicecmr/client.exe");
    setenv("CALMORA_WINDIR", (made.root / "windows").c_str(), 1);
    made.engine = platform::WindowsDirectory() + "/servicecmr/client.exe";
    for (int i = 0; i < kClips; ++i) {
      const std::string clip = (made.root / ("clip" + std::to_string(i) + ".mp4")).string();
      const std::string command =
          "ffmpeg -nostdin -v error -y -f lavfi -i 'testsrc2=s=336x256:r=25,"
          "crop=320:240:x=8+8*sin(n*2.1):y=8+6*sin(n*1.7)' -t 4 -pix_fmt yuv420p '" +
          clip + "'";
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot make %s\n", clip.c_str());
      made.clips.push_back(clip);
      Tffinfo info;
      std::string code;
      std::string text;
      ProbeMediaInfo(code, clip, info, text);
      info.filepath = clip;
      made.infos.push_back(info);
    }
    return made;
  }();
  return workspace;
}

void DirectBatch(const Workspace& workspace) {
  const StabiliseSettings settings{"5", "15", "6", "0.3", "10"};
  for (const Tffinfo& info : workspace.infos) {
    const std::string output = OutputPath(info.filepath, (workspace.root / "out").string(), false, "");
    RunDirectly(workspace.engine + " -i \"" + info.filepath + "\"");
    RunDirectly(workspace.engine + AnalysisArguments(info.filepath, settings));
    RunDirectly(workspace.engine + TransformArguments(info.filepath, BitrateOption(info),
                                                      AudioOption(info.filepath, output),
                                                      settings.Smoothing, output));
    fs::remove(kTransformFileName);
  }
}

// Runs the batch from the start button; the windows are made once, as at start-up.
void FrontEndBatch(const Workspace& workspace, FrontEndWindows& windows) {
  platform::MessageBoxLog messages;
  platform::SetFolderHook([&](const platform::FolderRequest&, std::string& folder) {
    folder = (workspace.root / "out").string();
    return true;
  });
  windows.Main->btn_fixClick();
  platform::SetFolderHook(nullptr);
}

void BM_BatchFrontEndVersusDirect(benchmark::State& state) {
  Workspace& workspace = Prepare();
  fs::current_path(workspace.root);
  FrontEndWindows windows = CreateFrontEndWindows();
  for (const std::string& clip : workspace.clips) windows.Main->add_file_b(clip);
  double front_wall = 0;
  double direct_wall = 0;
  double front_cpu = 0;
  double engine_cpu = 0;
  std::vector<double> pair_ratios;  // front end over direct, one per iteration
  bool direct_first = true;
  for (auto _ : state) {
    using Clock = std::chrono::steady_clock;
    double direct = 0;
    // The order alternates, so that a machine growing busier or idler favours neither.
    auto time_direct = [&] {
      const auto start = Clock::now();
      DirectBatch(workspace);
      direct = std::chrono::duration<double>(Clock::now() - start).count();
      direct_wall += direct;
    };
    if (direct_first) time_direct();
    const double self_before = CpuSeconds(RUSAGE_SELF);
    const double children_before = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = Clock::now();
    FrontEndBatch(workspace, windows);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    front_wall += wall;
    front_cpu += CpuSeconds(RUSAGE_SELF) - self_before;
    engine_cpu += CpuSeconds(RUSAGE_CHILDREN) - children_before;
    if (!direct_first) time_direct();
    direct_first = !direct_first;
    pair_ratios.push_back(wall / direct);
    state.SetIterationTime(wall);
  }
  // On a shared machine one slow engine run moves the total; the median of the pairs,
  // each timed back to back, shows the front end's own share more steadily.
  std::sort(pair_ratios.begin(), pair_ratios.end());
  const std::size_t middle = pair_ratios.size() / 2;
  const double median_ratio = pair_ratios.size() % 2 == 1
                                  ? pair_ratios[middle]
                                  : (pair_ratios[middle - 1] + pair_ratios[middle]) / 2;
  const double cpu_share_pct = 100.0 * front_cpu / engine_cpu;
  state.counters["wall_ratio"] = front_wall / direct_wall;
  state.counters["wall_ratio_median"] = median_ratio;
  state.counters["direct_wall_s"] = direct_wall / static_cast<double>(state.iterations());
  state.counters["frontend_cpu_s"] = front_cpu / static_cast<double>(state.iterations());
  state.counters["engine_cpu_s"] = engine_cpu / static_cast<double>(state.iterations());
  state.counters["frontend_cpu_share_pct"] = cpu_share_pct;
  state.counters["cpu_goal_met"] = cpu_share_pct < kCpuShareGoalPct ? 1 : 0;
  state.counters["wall_goal_met"] = median_ratio <= kWallRatioGoal ? 1 : 0;
}
BENCHMARK(BM_BatchFrontEndVersusDirect)->UseManualTime()->Iterations(6)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace calmora

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  calmora::platform::Application application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(calmora::Prepare().root, ignored);
  return 0;
}
