#include "platform/linux/hidden_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace mirbo {
namespace {

class SpawnActions {
 public:
  SpawnActions() {
    posix_spawn_file_actions_init(&actions_);
    ok_ = posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
          posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0) == 0 &&
          posix_spawn_file_actions_adddup2(&actions_, 1, 2) == 0 &&
          posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
  }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  bool ok() const { return ok_; }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

CommandResult AwaitEnd(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return CommandResult::Failed;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? CommandResult::Succeeded
                                                       : CommandResult::Failed;
}

}  // namespace

CommandResult RunHiddenProcess(const std::vector<std::string>& words) {
  if (words.empty() || words[0].empty()) return CommandResult::NotStarted;
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  const SpawnActions actions;
  if (!actions.ok()) return CommandResult::NotStarted;
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], actions.get(), nullptr, argv.data(), environ) != 0)
    return CommandResult::NotStarted;
  return AwaitEnd(child);
}

std::string FindSystemProgram(const std::string& name) {
  static constexpr const char* kDirectories[] = {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin",
                                                 "/usr/bin",        "/sbin",           "/bin"};
  for (const char* directory : kDirectories) {
    const std::string path = std::string(directory) + "/" + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

}  // namespace mirbo
