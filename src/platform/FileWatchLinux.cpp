// inotify behind FileWatch: one watch a folder, read on a thread that sleeps in poll().
#include "platform/FileWatch.h"

#include "platform/Platform.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace platform {

FileWatch::FileWatch(const std::string& root) {
  notices = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notices < 0 || pipe(wake) != 0) {
    why = std::string("no file notices: ") + std::strerror(errno);
    return;
  }
  std::error_code error;
  watch(fs::canonical(root, error).string());
  for (fs::recursive_directory_iterator it(root, fs::directory_options::follow_directory_symlink, error), end;
       !error && it != end && why.empty(); it.increment(error)) {
    fs::path target = fs::canonical(it->path(), error);
    if (error)
      continue;  // a dangling link
    if (fs::is_directory(target))
      watch(target.string());
    else if (it->is_symlink())
      watch(target.parent_path().string());
  }
  if (error && why.empty())
    why = "cannot read " + root + ": " + error.message();
  if (why.empty())
    reader = std::thread([this] { run(); });
}

FileWatch::~FileWatch() {
  if (reader.joinable()) {
    const char stop = 0;
    (void)!write(wake[1], &stop, 1);
    reader.join();
  }
  for (int fd : {notices, wake[0], wake[1]})
    if (fd >= 0)
      close(fd);
}

void FileWatch::watch(const std::string& folder) {
  for (const auto& entry : folders)
    if (entry.second == folder)
      return;
  const int descriptor = inotify_add_watch(notices, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
  if (descriptor < 0)
    why = errno == ENOSPC ? "the system's limit of watched folders is reached (fs.inotify.max_user_watches)"
                          : "cannot watch " + folder + ": " + std::strerror(errno);
  else
    folders[descriptor] = folder;
}

std::vector<std::string> FileWatch::takeSettled(uint32_t quietMs) {
  std::vector<std::string> settled;
  std::lock_guard<std::mutex> guard(lock);
  const uint32_t now = milliseconds();
  for (auto it = changed.begin(); it != changed.end();) {
    if (now - it->second >= quietMs) {
      settled.push_back(it->first);
      it = changed.erase(it);
    } else {
      ++it;
    }
  }
  return settled;
}

void FileWatch::run() {
  alignas(inotify_event) char buffer[16384];
  pollfd waits[2] = {{notices, POLLIN, 0}, {wake[0], POLLIN, 0}};
  while (poll(waits, 2, -1) >= 0 || errno == EINTR) {
    if (waits[1].revents)
      return;
    const ssize_t length = read(notices, buffer, sizeof buffer);
    std::lock_guard<std::mutex> guard(lock);
    for (ssize_t at = 0; at < length;) {
      const auto* notice = reinterpret_cast<const inotify_event*>(buffer + at);
      auto folder = folders.find(notice->wd);
      if (notice->len > 0 && folder != folders.end())
        changed[folder->second + "/" + notice->name] = milliseconds();
      at += static_cast<ssize_t>(sizeof(inotify_event) + notice->len);
    }
  }
}

}  // namespace platform
