// downloadUrl over libcurl. Text mode keeps at most 102,400 bytes; file mode streams into a temp
// file beside the target and renames it over the target only when the whole download arrived, so
// a failed download never leaves a truncated file in place of a good one. Connect, stall and
// total time limits keep a dead server from freezing the game.
#include "services/Download.h"

#include "GameInfo.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>

namespace {

const char* const cantOpenInternet = "ERROR - cant open internet";
const char* const cantOpenUrl = "ERROR - cant open URL";
const char* const readFailed = "ERROR - read from URL failed";
const char* const onlyPart = "ERROR - Could only read part of file";
const char* const cantCreateFile = "ERROR - cant create file";

const size_t textLimit = 102400;
const long connectTimeoutSeconds = 10;
// Less than one byte a second for this long counts as a stalled server.
const long stallSeconds = 10;
const long totalTimeoutSeconds = 30;

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Where the received bytes go; a sink that refuses bytes ends the transfer.
struct Sink {
  std::string text;  // text mode
  bool tooLarge = false;

  std::filesystem::path tempPath;  // file mode: created on the first byte, not before
  std::unique_ptr<std::FILE, FileCloser> file;
  bool writeFailed = false;
};

std::filesystem::path tempPathBeside(const std::filesystem::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".tq-download-%016llx", static_cast<unsigned long long>(random()));
  std::filesystem::path folder = target.parent_path();
  return (folder.empty() ? std::filesystem::path(".") : folder) / name;
}

bool openTemp(Sink& sink) {
  // "x": never open a file someone else made under our random name.
  sink.file.reset(std::fopen(sink.tempPath.c_str(), "wbx"));
  if (!sink.file)
    sink.writeFailed = true;
  return !sink.writeFailed;
}

size_t receiveText(char* data, size_t size, size_t count, void* user) {
  Sink& sink = *static_cast<Sink*>(user);
  size_t bytes = size * count;
  if (sink.text.size() + bytes >= textLimit) {
    sink.tooLarge = true;
    return 0;
  }
  sink.text.append(data, bytes);
  return bytes;
}

size_t receiveFile(char* data, size_t size, size_t count, void* user) {
  Sink& sink = *static_cast<Sink*>(user);
  size_t bytes = size * count;
  if (!sink.file && !openTemp(sink))
    return 0;
  if (std::fwrite(data, 1, bytes, sink.file.get()) != bytes) {
    sink.writeFailed = true;
    return 0;
  }
  return bytes;
}

// Closes the temp file and renames it over the target; false (temp removed) on any failure.
bool commitFile(Sink& sink, const std::string& target) {
  if (!sink.file && !openTemp(sink))  // an empty resource still makes an empty file
    return false;
  bool ok = std::fclose(sink.file.release()) == 0;
  std::error_code error;
  if (ok)
    std::filesystem::rename(sink.tempPath, target, error);
  if (!ok || error) {
    std::filesystem::remove(sink.tempPath, error);
    return false;
  }
  return true;
}

void discardFile(Sink& sink) {
  if (!sink.file)
    return;
  sink.file.reset();
  std::error_code error;
  std::filesystem::remove(sink.tempPath, error);
}

}  // namespace

std::string downloadUrl(const std::string& path, const std::string& fileName) {
  static std::once_flag curlReady;
  static CURLcode curlState = CURLE_FAILED_INIT;
  std::call_once(curlReady, [] { curlState = curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::unique_ptr<CURL, CurlDeleter> curl(curlState == CURLE_OK ? curl_easy_init() : nullptr);
  if (!curl)
    return cantOpenInternet;

  std::string url = std::string(TQ_BASE_URL) + path;
  bool textMode = fileName.empty();
  Sink sink;
  if (!textMode)
    sink.tempPath = tempPathBeside(fileName);

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_USERAGENT, game::title);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);  // an HTTP error status is no download
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);     // timeouts without SIGALRM in a threaded game
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stallSeconds);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, totalTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, textMode ? receiveText : receiveFile);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);

  CURLcode result = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);

  if (result != CURLE_OK) {
    discardFile(sink);
    if (sink.tooLarge)
      return onlyPart;
    if (sink.writeFailed)
      return cantCreateFile;
    // No answer at all, or an error status, means the URL never opened; otherwise the body broke.
    if (status == 0 || result == CURLE_HTTP_RETURNED_ERROR)
      return cantOpenUrl;
    return readFailed;
  }
  if (textMode)
    return sink.text.substr(0, sink.text.find('\0'));
  return commitFile(sink, fileName) ? "OK" : cantCreateFile;
}
