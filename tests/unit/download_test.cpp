// downloadUrl against a real HTTP server on 127.0.0.1 (http_server.py), at the port of the build's
// TQ_BASE_URL: the text-mode size rule, zero bytes, error statuses, file replacement that never
// leaves a truncated file behind, bad targets, and servers that stall.
#include "TestFiles.h"
#include "services/Download.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string pattern(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i)
    text[i] = static_cast<char>('a' + i % 26);
  return text;
}

// This test's own server, serving until its standard input closes.
struct Server {
  const std::string token = std::to_string(getpid());
  const std::string port = std::to_string(std::stoi(std::string(TQ_BASE_URL).substr(17)));
  FILE* input = popen(("exec " TQ_PYTHON " " TQ_HTTP_SERVER " " + port + " " + token).c_str(), "w");
  ~Server() { pclose(input); }

  // Tests run in parallel share the fixed port: wait, bounded, until the one there is ours.
  bool ready() const {
    for (int i = 0; i < 600; ++i) {
      if (downloadUrl("token", "") == token)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
};

struct DownloadTest : ::testing::Test {
  Server server;
  fs::path dir = makeTempDir("tq_download");

  void SetUp() override {
    ASSERT_EQ(std::string(TQ_BASE_URL).rfind("http://127.0.0.1:", 0), 0u) << "tests need a loopback base URL";
    ASSERT_TRUE(server.ready()) << "no server of this test on port " << server.port;
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
  EXPECT_TRUE(downloadUrl("size/102399", "") == pattern(102399));  // no 100 KB text in a failure
  EXPECT_EQ(downloadUrl("size/102400", ""), "ERROR - Could only read part of file");
  EXPECT_EQ(downloadUrl("zero", ""), "before");
  EXPECT_EQ(downloadUrl("size/0", ""), "");
  EXPECT_EQ(downloadUrl("", ""), "front page");
  EXPECT_NE(downloadUrl("echo", "").find("\nUser-Agent: Tarnel Quibbo\n"), std::string::npos);
}

TEST_F(DownloadTest, ErrorStatusesAreNotDownloads) {
  fs::path kept = dir / "kept.txt";
  std::ofstream(kept) << "old";
  for (const std::string& path : {std::string("missing"), std::string("status/500"), std::string(100000, 'p')})
    for (const std::string& file : {std::string(), kept.string(), (dir / "new.txt").string()})
      EXPECT_EQ(downloadUrl(path, file), "ERROR - cant open URL") << path.substr(0, 10) << " into " << file;
  EXPECT_EQ(readFile(kept), "old");
  EXPECT_EQ(entries(), std::vector<std::string>{"kept.txt"});
  // A path cannot smuggle header lines into the request.
  EXPECT_EQ(downloadUrl("echo HTTP/1.1\r\nX-Smuggled: 1\r\n\r\n", "").find("X-Smuggled"), std::string::npos);
}

TEST_F(DownloadTest, FileModeReplacesOnlyWithACompleteDownload) {
  fs::path target = dir / "level.dat";
  std::ofstream(target) << "previous good file";
  EXPECT_EQ(downloadUrl("size/250000", target.string()), "OK");
  EXPECT_TRUE(readFile(target) == pattern(250000));
  EXPECT_EQ(downloadUrl("cut/150000", target.string()), "ERROR - read from URL failed");
  EXPECT_TRUE(readFile(target) == pattern(250000));
  EXPECT_EQ(downloadUrl("size/0", target.string()), "OK");
  EXPECT_EQ(readFile(target), "");
  EXPECT_EQ(entries(), std::vector<std::string>{"level.dat"});
}

TEST_F(DownloadTest, UnwritableTargetsAreReportedAndLeaveNothing) {
  fs::create_directory(dir / "folder");
  for (const fs::path& bad : {dir / "no/such/folder/file", dir / "folder", dir / std::string(5000, 'f')})
    EXPECT_EQ(downloadUrl("size/1000", bad.string()), "ERROR - cant create file") << bad.string().substr(0, 60);
  EXPECT_EQ(entries(), std::vector<std::string>{"folder"});
  EXPECT_TRUE(fs::is_empty(dir / "folder"));

  // A write that fails part-way (file size limit) keeps the old file. In a child, so the limit
  // stays there.
  fs::path target = dir / "save.dat";
  std::ofstream(target) << "old";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{65536, 65536};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(downloadUrl("size/300000", target.string()) == "ERROR - cant create file" ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(readFile(target), "old");
}

TEST_F(DownloadTest, StalledServersEndWithAnError) {
  EXPECT_EQ(downloadUrl("silent", ""), "ERROR - cant open URL");
  fs::path target = dir / "slow.dat";
  std::ofstream(target) << "old";
  EXPECT_EQ(downloadUrl("stall/5000", target.string()), "ERROR - read from URL failed");
  EXPECT_EQ(readFile(target), "old");
}

}  // namespace
