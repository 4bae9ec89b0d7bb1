// Files saved below a folder, as the operating system reports them (inotify here): a thread of its
// own waits for the notices, so nothing is polled. Editors save in bursts (a temporary file, a
// rename, several writes), so a file is handed out once it has been quiet for a while.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class FileWatch {
public:
  // Watches root and every folder below it, following links, and the folders of the files that
  // links below it point at. failure() says why when it cannot.
  explicit FileWatch(const std::string& root);
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Empty while watching; else why nothing is watched.
  const std::string& failure() const { return why; }
  // Files written or moved in (by their real path) whose last notice is at least quietMs old.
  std::vector<std::string> takeSettled(uint32_t quietMs);

private:
  void watch(const std::string& folder);
  void run();

  int notices = -1;
  int wake[2] = {-1, -1};
  std::string why;
  std::map<int, std::string> folders;  // watch descriptor -> real path of the folder
  std::mutex lock;
  std::map<std::string, uint32_t> changed;  // real path -> when it last changed
  std::thread reader;
};

}  // namespace platform
