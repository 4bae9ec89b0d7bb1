// downloadUrl against a real HTTP server on 127.0.0.1, at the port of the build's TQ_BASE_URL:
// the text-mode size rule, zero bytes, error statuses, file replacement that never leaves a
// truncated file behind, bad targets, and servers that stall.
#include "services/Download.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Reply {
  enum Kind { Whole, CutShort, Silent, StallAfterHeaders };
  int status = 200;
  std::string body;
  Kind kind = Whole;
};

// A small HTTP/1.1 server on its own thread: one connection at a time, every answer closes it.
class LoopbackServer {
public:
  explicit LoopbackServer(int port) {
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Other tests run in parallel may hold the fixed port for a while: wait our turn, bounded.
    for (int i = 0; i < 600; ++i) {
      if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        bound = listen(listener, 16) == 0;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (bound)
      acceptor = std::thread([this] { acceptLoop(); });
  }

  ~LoopbackServer() {
    stopping = true;
    if (acceptor.joinable())
      acceptor.join();
    close(listener);
  }

  bool bound = false;

  void route(const std::string& path, Reply reply) {
    std::lock_guard<std::mutex> hold(mutex);
    routes[path] = std::move(reply);
  }

  std::string lastRequest() {
    std::lock_guard<std::mutex> hold(mutex);
    return request;
  }

private:
  bool waitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    while (!stopping)
      if (poll(&p, 1, 50) > 0)
        return true;
    return false;
  }

  void acceptLoop() {
    while (waitReadable(listener)) {
      int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) {
        answer(client);
        close(client);
      }
    }
  }

  void sendAll(int fd, const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
      ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0)
        return;
      sent += static_cast<size_t>(n);
    }
  }

  // Holds the connection without a byte until the client gives up or the server stops.
  void stall(int fd) {
    char byte;
    while (waitReadable(fd) && recv(fd, &byte, 1, 0) > 0) {
    }
  }

  void answer(int fd) {
    std::string head;
    char chunk[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < (1 << 20) && waitReadable(fd)) {
      ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0)
        return;
      head.append(chunk, static_cast<size_t>(n));
    }
    size_t start = head.find(' ') + 1;
    std::string path = head.substr(start, head.find(' ', start) - start);
    Reply reply{404, "not here"};
    {
      std::lock_guard<std::mutex> hold(mutex);
      request = head;
      if (routes.count(path))
        reply = routes[path];
    }
    if (reply.kind == Reply::Silent)
      return stall(fd);
    size_t announced = reply.kind == Reply::CutShort ? reply.body.size() * 2 : reply.body.size();
    sendAll(fd, "HTTP/1.1 " + std::to_string(reply.status) + " X\r\nContent-Length: " +
                    std::to_string(announced) + "\r\nConnection: close\r\n\r\n");
    if (reply.kind == Reply::StallAfterHeaders)
      return stall(fd);
    sendAll(fd, reply.body);
  }

  int listener = -1;
  std::atomic<bool> stopping{false};
  std::thread acceptor;
  std::mutex mutex;
  std::map<std::string, Reply> routes;
  std::string request;
};

int basePort() {
  std::string base = TQ_BASE_URL;
  size_t colon = base.rfind(':');
  return std::stoi(base.substr(colon + 1));
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string pattern(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i)
    text[i] = static_cast<char>('a' + i % 26);
  return text;
}

struct DownloadTest : ::testing::Test {
  LoopbackServer server{basePort()};
  fs::path dir;

  void SetUp() override {
    ASSERT_EQ(std::string(TQ_BASE_URL).rfind("http://127.0.0.1:", 0), 0u) << "tests need a loopback base URL";
    ASSERT_TRUE(server.bound) << "port " << basePort() << " stayed busy";
    char name[] = "/tmp/tq_download_XXXXXX";
    dir = mkdtemp(name);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename());
    return names;
  }
};

TEST_F(DownloadTest, TextModeKeepsUnder102400BytesUpToTheFirstZero) {
  server.route("/t/99", {200, pattern(102399)});
  server.route("/t/100", {200, pattern(102400)});
  server.route("/t/zero", {200, std::string("before\0after", 12)});
  server.route("/t/empty", {200, ""});
  server.route("/", {200, "front page"});
  EXPECT_EQ(downloadUrl("t/99", ""), pattern(102399));
  EXPECT_NE(server.lastRequest().find("\r\nUser-Agent: Tarnel Quibbo\r\n"), std::string::npos);
  EXPECT_EQ(downloadUrl("t/100", ""), "ERROR - Could only read part of file");
  EXPECT_EQ(downloadUrl("t/zero", ""), "before");
  EXPECT_EQ(downloadUrl("t/empty", ""), "");
  EXPECT_EQ(downloadUrl("", ""), "front page");
}

TEST_F(DownloadTest, ErrorStatusesAreNotDownloads) {
  server.route("/broken", {500, "server error page"});
  fs::path target = dir / "kept.txt";
  std::ofstream(target) << "old";
  for (const std::string& path : {std::string("missing"), std::string("broken"), std::string(100000, 'p')}) {
    EXPECT_EQ(downloadUrl(path, ""), "ERROR - cant open URL");
    EXPECT_EQ(downloadUrl(path, target.string()), "ERROR - cant open URL");
    EXPECT_EQ(downloadUrl(path, (dir / "new.txt").string()), "ERROR - cant open URL");
  }
  EXPECT_EQ(readAll(target), "old");
  EXPECT_EQ(entries(), std::vector<std::string>{"kept.txt"});

  // A path cannot smuggle header lines into the request.
  server.route("/a", {200, "a"});
  downloadUrl("a HTTP/1.1\r\nX-Smuggled: 1\r\n\r\n", "");
  EXPECT_EQ(server.lastRequest().find("X-Smuggled"), std::string::npos);
}

TEST_F(DownloadTest, FileModeReplacesOnlyWithACompleteDownload) {
  fs::path target = dir / "level.dat";
  std::ofstream(target) << "previous good file";
  server.route("/big", {200, pattern(250000)});
  server.route("/cut", {200, pattern(150000), Reply::CutShort});
  server.route("/empty", {200, ""});
  EXPECT_EQ(downloadUrl("big", target.string()), "OK");
  EXPECT_EQ(readAll(target), pattern(250000));
  EXPECT_EQ(downloadUrl("cut", target.string()), "ERROR - read from URL failed");
  EXPECT_EQ(readAll(target), pattern(250000));
  EXPECT_EQ(downloadUrl("empty", target.string()), "OK");
  EXPECT_EQ(readAll(target), "");
  EXPECT_EQ(entries(), std::vector<std::string>{"level.dat"});
}

TEST_F(DownloadTest, UnwritableTargetsAreReportedAndLeaveNothing) {
  server.route("/data", {200, pattern(1000)});
  fs::create_directory(dir / "folder");
  EXPECT_EQ(downloadUrl("data", (dir / "no/such/folder/file").string()), "ERROR - cant create file");
  EXPECT_EQ(downloadUrl("data", (dir / "folder").string()), "ERROR - cant create file");
  EXPECT_EQ(downloadUrl("data", (dir / std::string(5000, 'f')).string()), "ERROR - cant create file");
  EXPECT_EQ(entries(), std::vector<std::string>{"folder"});
  EXPECT_TRUE(fs::is_empty(dir / "folder"));

  // A write that fails part-way (file size limit) keeps the old file. In a child, so the limit
  // stays there.
  fs::path target = dir / "save.dat";
  std::ofstream(target) << "old";
  server.route("/huge", {200, pattern(300000)});
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{65536, 65536};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(downloadUrl("huge", target.string()) == "ERROR - cant create file" ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(readAll(target), "old");
}

TEST_F(DownloadTest, StalledServersEndWithAnError) {
  server.route("/silent", {200, "", Reply::Silent});
  server.route("/slow", {200, pattern(5000), Reply::StallAfterHeaders});
  EXPECT_EQ(downloadUrl("silent", ""), "ERROR - cant open URL");
  fs::path target = dir / "slow.dat";
  std::ofstream(target) << "old";
  EXPECT_EQ(downloadUrl("slow", target.string()), "ERROR - read from URL failed");
  EXPECT_EQ(readAll(target), "old");
}

}  // namespace
