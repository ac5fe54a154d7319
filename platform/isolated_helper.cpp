// AskHelper: helper programs started with posix_spawn over a socket pair, a few kept idle per
// command between questions, and the caller's side of the wire in isolated_helper_wire.h.
#include "platform/isolated_helper.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDebug>
#include <QString>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/isolated_helper_wire.h"

extern char** environ;

namespace calmora::platform {

namespace {

using Clock = std::chrono::steady_clock;
namespace wire = helper_wire;

// Idle helpers kept per command: enough for the few threads that detect at once, few enough
// that a burst of threads does not leave a crowd of processes behind.
constexpr size_t kIdleHelpersPerCommand = 4;

std::atomic<int64_t> Starts{0};

// One running helper: its process and the caller's end of the socket pair. Ending it closes
// the channel and kills the process (by the id it was started with) and reaps it, so neither a
// hung helper nor a zombie outlives it.
class HelperProcess {
 public:
  HelperProcess(pid_t process, int channel) : process_(process), channel_(channel) {}
  ~HelperProcess() {
    ::close(channel_);
    ::kill(process_, SIGKILL);
    while (::waitpid(process_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  int Channel() const { return channel_; }

 private:
  pid_t process_;
  int channel_;
};

// Starts the command with the channel as its standard input (a socket it both reads and
// writes), /dev/null as its output and error, every signal at its default and none blocked: a
// fuzzer's or a test's handlers and masks are not the helper's.
std::unique_ptr<HelperProcess> StartHelper(const std::vector<std::string>& command,
                                           std::string& failure) {
  if (command.empty() || command[0].empty()) {
    failure = "no helper program named";
    return nullptr;
  }
  if (::access(command[0].c_str(), X_OK) != 0) {
    failure = command[0] + ": " + std::strerror(errno);
    return nullptr;
  }
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    failure = std::string("no socket pair: ") + std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  // dup2 leaves the copy open across exec although the pair was made close-on-exec.
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> arguments;
  for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  pid_t process = 0;
  const int started =
      ::posix_spawn(&process, command[0].c_str(), &actions, &attributes, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(ends[1]);
  if (started != 0) {
    ::close(ends[0]);
    failure = command[0] + ": " + std::strerror(started);
    return nullptr;
  }
  ++Starts;
  return std::make_unique<HelperProcess>(process, ends[0]);
}

// The helpers between questions, and what went wrong starting each command. Never destroyed:
// at the caller's exit the channels close with it and each helper ends when it reads their end.
struct HelperPool {
  std::mutex Lock;
  std::map<std::vector<std::string>, std::vector<std::unique_ptr<HelperProcess>>> Idle;
  std::map<std::vector<std::string>, std::string> StartFailures;
  std::set<std::string> Noted;
};

HelperPool& Pool() {
  static HelperPool* const pool = new HelperPool;
  return *pool;
}

std::unique_ptr<HelperProcess> TakeIdle(const std::vector<std::string>& command) {
  HelperPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.Lock);
  auto found = pool.Idle.find(command);
  if (found == pool.Idle.end() || found->second.empty()) return nullptr;
  std::unique_ptr<HelperProcess> helper = std::move(found->second.back());
  found->second.pop_back();
  return helper;
}

void KeepIdle(const std::vector<std::string>& command, std::unique_ptr<HelperProcess> helper) {
  HelperPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.Lock);
  auto& idle = pool.Idle[command];
  if (idle.size() < kIdleHelpersPerCommand) idle.push_back(std::move(helper));
}

void NoteStartFailure(const std::vector<std::string>& command, const std::string& failure) {
  HelperPool& pool = Pool();
  bool first = false;
  {
    const std::lock_guard<std::mutex> guard(pool.Lock);
    pool.StartFailures[command] = failure;
    first = pool.Noted.insert(failure).second;
  }
  // Once per distinct failure: a missing helper asked about every unknown file would flood
  // the output otherwise.
  if (first)
    qDebug().noquote() << "isolated helper could not start, its questions answer nothing:"
                       << QString::fromStdString(failure);
}

enum class Conversation { kAnswered, kNotDelivered, kBroken };

// One question on the wire. kNotDelivered: the helper was gone before it took the question (an
// idle one that died meanwhile), so asking a new one is safe.
Conversation Converse(int channel, int64_t contentSize, const HelperContentReader& read,
                      Clock::time_point deadline, bool& answer) {
  uint8_t question[9];
  question[0] = wire::kQuestion;
  wire::PutLE(question + 1, static_cast<uint64_t>(contentSize), 8);
  if (!wire::SendAll(channel, question, sizeof question)) return Conversation::kNotDelivered;
  // One buffer per thread, kept from question to question and never cleared: a new one per
  // piece (zero-filled, fresh pages each time) cost more than the helper's whole answer.
  thread_local std::unique_ptr<uint8_t[]> piece;
  thread_local size_t pieceCapacity = 0;
  for (;;) {
    uint8_t kind = 0;
    if (!wire::ReceiveAll(channel, &kind, 1, &deadline)) return Conversation::kBroken;
    if (kind == wire::kAnswer) {
      uint8_t value = 0;
      if (!wire::ReceiveAll(channel, &value, 1, &deadline) || value > 1)
        return Conversation::kBroken;
      answer = value == 1;
      return Conversation::kAnswered;
    }
    if (kind != wire::kRead) return Conversation::kBroken;
    uint8_t request[12];
    if (!wire::ReceiveAll(channel, request, sizeof request, &deadline)) return Conversation::kBroken;
    const uint64_t offset = wire::GetLE(request, 8);
    const uint64_t length =
        std::min<uint64_t>(wire::GetLE(request + 8, 4), wire::kMaxPiece);
    int64_t count = 0;
    if (offset < static_cast<uint64_t>(contentSize) && length > 0) {
      const int64_t wanted =
          static_cast<int64_t>(std::min<uint64_t>(length, static_cast<uint64_t>(contentSize) - offset));
      if (pieceCapacity < static_cast<size_t>(wanted)) {
        pieceCapacity = static_cast<size_t>(wanted);
        piece.reset(new uint8_t[pieceCapacity]);
      }
      try {
        count = read(static_cast<int64_t>(offset), piece.get(), wanted);
      } catch (...) {
        count = 0;  // content that cannot be read ends there, as a file's end would
      }
      if (count < 0 || count > wanted) count = 0;
    }
    uint8_t header[5];
    header[0] = wire::kData;
    wire::PutLE(header + 1, static_cast<uint64_t>(count), 4);
    if (!wire::SendAll(channel, header, sizeof header) ||
        (count > 0 && !wire::SendAll(channel, piece.get(), static_cast<size_t>(count))))
      return Conversation::kBroken;
  }
}

}  // namespace

std::optional<bool> AskHelper(const std::vector<std::string>& Command, int64_t ContentSize,
                              const HelperContentReader& Read, int32_t TimeoutMilliseconds) {
  if (ContentSize < 0 || !Read) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(TimeoutMilliseconds);
  // An idle helper may have died since its last question; then one new helper is asked.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::unique_ptr<HelperProcess> helper = TakeIdle(Command);
    const bool reused = helper != nullptr;
    if (!helper) {
      std::string failure;
      helper = StartHelper(Command, failure);
      if (!helper) {
        NoteStartFailure(Command, failure);
        return std::nullopt;
      }
    }
    bool answer = false;
    const Conversation outcome = Converse(helper->Channel(), ContentSize, Read, deadline, answer);
    if (outcome == Conversation::kAnswered) {
      KeepIdle(Command, std::move(helper));
      return answer;
    }
    // A helper that crashed, hung or broke the wire is ended here (killed, reaped).
    helper.reset();
    if (outcome == Conversation::kBroken || !reused) return std::nullopt;
  }
  return std::nullopt;
}

int64_t HelperStarts() { return Starts; }

std::string HelperStartFailure(const std::vector<std::string>& Command) {
  HelperPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.Lock);
  const auto found = pool.StartFailures.find(Command);
  return found == pool.StartFailures.end() ? std::string() : found->second;
}

}  // namespace calmora::platform
