// The DevTools connection against a scripted stand-in for the browser on the other end of a
// socket pair: NUL framing across and within reads, replies out of order, error replies. A peer
// that hangs up or stops answering is the e2e tier's, with a real browser.
#include "gui/navi/DevTools.h"
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using NaviLibrary::DevToolsConnection;
using NaviLibrary::Incoming;
using nlohmann::json;

namespace {

// The stand-in's side: reads count NUL-ended messages.
std::vector<json> readMessages(int fd, size_t count) {
  std::vector<json> messages;
  std::string pending;
  char buffer[256];
  while (messages.size() < count) {
    const long got = platform::streamRead(fd, buffer, sizeof buffer);
    if (got <= 0)
      break;
    pending.append(buffer, static_cast<size_t>(got));
    for (size_t end; (end = pending.find('\0')) != std::string::npos; pending.erase(0, end + 1))
      messages.push_back(json::parse(pending.substr(0, end)));
  }
  return messages;
}

void write(int fd, const std::string& text) {
  ASSERT_TRUE(platform::streamWrite(fd, text.data(), text.size()));
}

// Polls until done says so; the deadline only keeps a broken connection from hanging the suite.
void pollUntil(DevToolsConnection& connection, const std::function<bool()>& done, std::vector<json>* events,
               std::vector<std::string>* lost) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    connection.poll([&](Incoming& m) { events->push_back(m.body); },
                    [&](const std::string& reason) { lost->push_back(reason); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

struct Pair {
  Pair() { EXPECT_TRUE(platform::socketPair(ours, theirs)); }
  ~Pair() { platform::streamClose(theirs); }
  int ours = -1, theirs = -1;
};

}  // namespace

TEST(DevToolsConnection, RepliesReachTheirOwnCommandsInWhateverOrderTheyCome) {
  Pair pair;
  DevToolsConnection connection([&] { return DevToolsConnection::Endpoints{pair.ours, pair.ours}; }, {});
  std::map<std::string, std::string> answers;
  for (const char* method : {"A.one", "B.two", "C.three"})
    connection.send(method, {{"name", method}}, method[0] == 'B' ? "S1" : "",
                    [&answers, method](const json& result, const std::string& error) {
                      answers[method] = error.empty() ? result.value("echo", std::string()) : "error: " + error;
                    });
  const std::vector<json> sent = readMessages(pair.theirs, 3);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0]["method"], "A.one");
  EXPECT_EQ(sent[1]["sessionId"], "S1");
  EXPECT_FALSE(sent[0].contains("sessionId"));
  const int first = sent[0]["id"], second = sent[1]["id"], third = sent[2]["id"];
  // Last first, one reply split over two writes, an event and a reply sharing one.
  const std::string replies = json({{"id", third}, {"result", {{"echo", "3"}}}}).dump() + '\0' +
                              json({{"method", "Page.event"}, {"params", {{"n", 1}}}}).dump() + '\0' +
                              "not json" + '\0' +
                              json({{"id", first}, {"error", {{"message", "no such method"}}}}).dump() + '\0' +
                              json({{"id", second}, {"result", {{"echo", "2"}}}}).dump() + '\0';
  const size_t split = replies.size() / 2 + 3;
  write(pair.theirs, replies.substr(0, split));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  write(pair.theirs, replies.substr(split));

  std::vector<json> events;
  std::vector<std::string> lost;
  pollUntil(connection, [&] { return answers.size() == 3; }, &events, &lost);
  EXPECT_EQ(answers["A.one"], "error: no such method");
  EXPECT_EQ(answers["B.two"], "2");
  EXPECT_EQ(answers["C.three"], "3");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["params"]["n"], 1);
  EXPECT_TRUE(lost.empty());
}
