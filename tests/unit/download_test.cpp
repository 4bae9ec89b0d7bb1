// downloadUrl against a real HTTP server (http_server.py) at the build's loopback TQ_BASE_URL: the
// text-mode rules, error statuses, never a truncated file, bad targets, and servers that stall.
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

// Each test has its own server (http_server.py), serving until its standard input closes.
struct DownloadTest : ::testing::Test {
  const std::string token = std::to_string(getpid());
  const std::string port = std::to_string(std::stoi(std::string(TQ_BASE_URL).substr(17)));
  FILE* server = popen(("exec " TQ_PYTHON " " TQ_HTTP_SERVER " " + port + " " + token).c_str(), "w");
  fs::path dir = makeTempDir("tq_download");

  void SetUp() override {
    ASSERT_EQ(std::string(TQ_BASE_URL).rfind("http://127.0.0.1:", 0), 0u) << "tests need a loopback base URL";
    // Another run's server may hold the fixed port: wait, bounded, until the one there is ours.
    for (int i = 0; i < 600 && downloadUrl("token", "") != token; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(downloadUrl("token", ""), token) << "no server of this test on port " << port;
  }
  void TearDown() override {
    pclose(server);
    fs::remove_all(dir);
  }

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
  EXPECT_EQ(downloadUrl("missing", ""), "ERROR - cant open URL");  // an error page is no download
}

TEST_F(DownloadTest, FileModeReplacesOnlyWithACompleteDownload) {
  fs::path target = dir / "level.dat";
  std::ofstream(target) << "previous good file";
  EXPECT_EQ(downloadUrl("size/250000", target.string()), "OK");
  EXPECT_TRUE(readFile(target) == pattern(250000));
  EXPECT_EQ(downloadUrl("cut/150000", target.string()), "ERROR - read from URL failed");
  EXPECT_EQ(downloadUrl("missing", target.string()), "ERROR - cant open URL");
  EXPECT_EQ(downloadUrl("missing", (dir / "new.dat").string()), "ERROR - cant open URL");
  EXPECT_TRUE(readFile(target) == pattern(250000));
  EXPECT_EQ(entries(), std::vector<std::string>{"level.dat"});
  EXPECT_EQ(downloadUrl("size/0", target.string()), "OK");
  EXPECT_EQ(readFile(target), "");
}

TEST_F(DownloadTest, UnwritableTargetsAreReportedAndLeaveNothing) {
  fs::create_directory(dir / "folder");
  for (const fs::path& bad : {dir / "no/such/folder/file", dir / "folder"})
    EXPECT_EQ(downloadUrl("size/1000", bad.string()), "ERROR - cant create file") << bad.string().substr(0, 60);
  EXPECT_EQ(entries(), std::vector<std::string>{"folder"});

  // A write that fails part-way (a file size limit, set in a child) keeps the old file.
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
