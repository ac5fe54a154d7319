// Servers on 127.0.0.1 that the download tests start for themselves: a few lines of Python for
// http (also with TLS, also acting as a proxy) and one for ftp. Each takes a port the system
// chooses, logs the requests it sees, and ends itself after a time limit even if a test dies.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "tests/platform/loopback_server_scripts.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// One server process over a scratch folder of its own; stopped (by its id) with the object.
class LoopbackServer {
 public:
  // arguments follow the folder and the time limit on the script's command line.
  LoopbackServer(const std::string& script, const std::string& arguments = "",
                 int32_t limitSeconds = 300) {
    const std::string scriptPath = folder_.File("server.py");
    WriteFileBytes(scriptPath, script);
    const ToolResult started =
        RunTool(std::string(kPython) + " " + ShellQuoted(scriptPath) + " " +
                ShellQuoted(folder_.Path()) + " " + std::to_string(limitSeconds) + " " + arguments +
                " >" + ShellQuoted(folder_.File("server.out")) + " 2>&1 & echo $!");
    pid_ = static_cast<pid_t>(std::atoi(started.Output.c_str()));
    // The server writes its port once it listens; give it up to 20 s on a loaded machine.
    for (int attempt = 0; attempt < 1000 && port_ == 0; ++attempt) {
      const std::string port = ReadFileBytes(folder_.File("port"));
      if (!port.empty())
        port_ = std::atoi(port.c_str());
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~LoopbackServer() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int32_t Port() const { return port_; }
  // The server's request log so far.
  std::string Log() const { return ReadFileBytes(folder_.File("requests.log")); }
  // Its standard output and error, to explain a server that did not start.
  std::string Output() const { return ReadFileBytes(folder_.File("server.out")); }
  const ScratchFolder& Folder() const { return folder_; }

 private:
  ScratchFolder folder_{"calmora-server"};
  pid_t pid_ = 0;
  int32_t port_ = 0;
};

}  // namespace calmora::test
