// One DevTools protocol connection: JSON messages ended by a NUL byte on a stream, as a browser
// started with a debugging pipe speaks it. A reader and a writer thread do all the waiting, so the
// main thread never blocks on the browser: it queues commands with send() and takes replies and
// events in poll(), where each reply reaches the callback its command gave, in whatever order
// the browser answers.
#pragma once

#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace Ogre {
class Image;
}

namespace NaviLibrary {

// A message from the browser; frames of a screencast arrive already decoded.
struct Incoming {
  nlohmann::json body;
  std::shared_ptr<Ogre::Image> frame;
};

class DevToolsConnection {
public:
  // The two ends of the stream, opened on the reader thread (a browser must be started by a
  // thread that outlives it); fromPeer < 0 when there is nothing to talk to.
  struct Endpoints {
    int toPeer = -1;
    int fromPeer = -1;
  };
  using Open = std::function<Endpoints()>;
  // Runs on the reader thread for every message before it is queued: the slow work goes there.
  using Prepare = std::function<void(Incoming&)>;
  // A reply: error is empty on success, and then result holds the command's result.
  using Reply = std::function<void(const nlohmann::json& result, const std::string& error)>;

  DevToolsConnection(Open open, Prepare prepare);
  // Wakes both threads and joins them; the caller has ended the peer or is about to.
  ~DevToolsConnection();
  DevToolsConnection(const DevToolsConnection&) = delete;
  DevToolsConnection& operator=(const DevToolsConnection&) = delete;

  // Queues a command; nothing is sent once the connection is lost.
  void send(const std::string& method, nlohmann::json params, const std::string& session = {}, Reply reply = {});

  // Delivers what arrived since the last call, at most limit messages: replies to their callbacks,
  // events to onEvent. After the peer is lost, onLost runs once with the reason.
  void poll(const std::function<void(Incoming&)>& onEvent, const std::function<void(const std::string&)>& onLost,
            size_t limit = 1000);

  bool lost() const { return closed; }
  // Wakes the threads at once, without waiting for the peer; the destructor still joins them.
  void shutdown();

private:
  void readLoop(Open open);
  void writeLoop();
  void lose(const std::string& reason);

  Prepare prepare;
  std::mutex lock;
  std::condition_variable wake;
  std::deque<std::string> outbox;
  std::deque<Incoming> inbox;
  Endpoints ends;
  bool opened = false;
  bool stopping = false;
  std::string lostReason;
  std::atomic<bool> closed{false};
  bool lostReported = false;

  // Main thread only.
  int nextId = 1;
  std::map<int, Reply> waiting;

  std::thread writer;
  std::thread reader;
};

}  // namespace NaviLibrary
