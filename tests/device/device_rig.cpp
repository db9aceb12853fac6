// Fixtures of the device tests.
#include "device/device_rig.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace movexa::test {

void ScriptedPeer::Receive(std::string_view bytes, int64_t nowUs) {
  nowUs_ = nowUs;
  received.append(bytes);
  input_.append(bytes);
  while (input_.size() >= 5) {
    std::string frame = input_.substr(0, 5);
    input_.erase(0, 5);
    if (responder_) Send(responder_(frame), nowUs);
  }
}

size_t ScriptedPeer::Collect(std::string& out, size_t max, int64_t nowUs) {
  size_t n = 0;
  while (n < max && !pending_.empty() && pending_.front().first <= nowUs) {
    out.push_back(pending_.front().second);
    pending_.pop_front();
    ++n;
  }
  return n;
}

void ScriptedPeer::DiscardArrived(int64_t nowUs) {
  ++discards;
  while (!pending_.empty() && pending_.front().first <= nowUs) pending_.pop_front();
}

void ScriptedPeer::Send(std::string_view bytes, int64_t atUs) {
  for (char c : bytes) pending_.emplace_back(atUs, c);
}

TestPty::TestPty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  char name[128] = {};
  ::ptsname_r(master_, name, sizeof name);
  path_ = name;
  holder_ = ::open(name, O_RDWR | O_NOCTTY);
  termios tio{};
  ::tcgetattr(holder_, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(holder_, TCSANOW, &tio);
}

TestPty::~TestPty() {
  if (holder_ >= 0) ::close(holder_);
  if (master_ >= 0) ::close(master_);
}

void TestPty::Write(std::string_view bytes) {
  if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error("pty write failed");
  }
}

std::string TestPty::Read(size_t max, int waitMs) {
  std::string out;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (out.size() < max) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) break;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buffer[512];
    ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, max - out.size()));
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

EnvLookup TestEnvironment(std::map<int, std::string> ports) {
  return [ports](const std::string& name) -> std::optional<std::string> {
    for (int p = 1; p <= 16; ++p) {
      if (name == PortEnvironmentName(p)) {
        auto it = ports.find(p);
        return it != ports.end() ? it->second : "/nonexistent/movexa-test-com" + std::to_string(p);
      }
    }
    return std::nullopt;
  };
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& env, const std::string& outputPath) {
  std::vector<std::string> argStore{program};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
  envStore.insert(envStore.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outputPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Stop(SIGKILL, 5000);
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
  if (pid_ <= 0) return std::nullopt;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() > end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::optional<int> ChildProcess::Stop(int signal, int timeoutMs) {
  if (pid_ <= 0) return std::nullopt;
  ::kill(pid_, signal);
  return Wait(timeoutMs);
}

std::string SimProgram() { return MOVEXA_SIM_PROGRAM; }
std::string CliProgram() { return MOVEXA_CLI_PROGRAM; }

std::unique_ptr<ChildProcess> StartSimulator(const std::filesystem::path& link,
                                             const std::vector<std::string>& extraArgs) {
  std::vector<std::string> args{"--link", link.string()};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  auto child = std::make_unique<ChildProcess>(SimProgram(), args, std::vector<std::string>{},
                                              (link.parent_path() / "sim.log").string());
  for (int i = 0; i < 500; ++i) {
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec))) return child;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("movexa-sim did not create its link");
}

}  // namespace movexa::test
