// Helper programs on two socket streams, for POSIX systems (Linux: the parent-death signal).
#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace platform {

namespace {

bool reaped(int pid, bool wait) {
  int status = 0;
  int result;
  do {
    result = waitpid(pid, &status, wait ? 0 : WNOHANG);
  } while (result < 0 && errno == EINTR);
  return result != 0;  // its pid, or an error: nothing left to wait for
}

}  // namespace

ChildProcess startChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
  ChildProcess child;
  if (arguments.empty())
    return child;
  int input[2], output[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0)
    return child;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, output) != 0) {
    close(input[0]);
    close(input[1]);
    return child;
  }
  // Everything the child needs is built before fork: after it only async-signal-safe calls.
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : environment)
    envp.push_back(const_cast<char*>(entry.c_str()));
  // An entry named twice is read differently by different programs (a shell takes the last).
  auto overridden = [&environment](const char* entry) {
    for (const std::string& extra : environment) {
      const size_t name = extra.find('=') + 1;
      if (std::strncmp(entry, extra.c_str(), name) == 0)
        return true;
    }
    return false;
  };
  for (char** entry = environ; *entry; ++entry)
    if (!overridden(*entry))
      envp.push_back(*entry);
  envp.push_back(nullptr);
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
      _exit(127);  // the parent died before the signal was armed
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int null = open("/dev/null", O_RDWR);
    // Moved above 4 first, so that placing one cannot overwrite the other.
    int reads = fcntl(input[1], F_DUPFD, 10), writes = fcntl(output[1], F_DUPFD, 10);
    if (null < 0 || reads < 0 || writes < 0)
      _exit(127);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    dup2(reads, 3);
    dup2(writes, 4);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(input[1]);
  close(output[1]);
  if (pid < 0) {
    close(input[0]);
    close(output[0]);
    return child;
  }
  child.pid = pid;
  child.toChild = input[0];
  child.fromChild = output[0];
  return child;
}

void endChild(ChildProcess& child, unsigned graceMs) {
  if (child.pid > 0) {
    kill(-child.pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    bool gone = reaped(child.pid, false);
    while (!gone && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      gone = reaped(child.pid, false);
    }
    kill(-child.pid, SIGKILL);  // its helpers too, if it left any behind
    if (!gone)
      reaped(child.pid, true);
  }
  child.pid = -1;
}

bool isExecutable(const std::string& path) {
  return !path.empty() && access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path);
}

bool runningAsRoot() {
  return geteuid() == 0;
}

bool socketPair(int& first, int& second) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    return false;
  first = ends[0];
  second = ends[1];
  return true;
}

long streamRead(int fd, char* buffer, unsigned long size) {
  ssize_t got;
  do {
    got = recv(fd, buffer, size, 0);
  } while (got < 0 && errno == EINTR);
  return got;
}

bool streamWrite(int fd, const char* data, unsigned long size) {
  while (size > 0) {
    ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR)
      continue;
    if (sent <= 0)
      return false;
    data += sent;
    size -= static_cast<unsigned long>(sent);
  }
  return true;
}

void streamShutdown(int fd) {
  if (fd >= 0)
    shutdown(fd, SHUT_RDWR);
}

void streamClose(int fd) {
  if (fd >= 0)
    close(fd);
}

std::string makePrivateTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

}  // namespace platform
