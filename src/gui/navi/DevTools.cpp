// The DevTools connection's two threads and the hand-over queues between them and the main thread.
#include "gui/navi/DevTools.h"

#include "platform/ChildProcess.h"

namespace NaviLibrary {

namespace {
// A message is never this long; a peer that sends more without a NUL is broken.
const size_t longestMessage = 256u << 20;
}  // namespace

DevToolsConnection::DevToolsConnection(Open open, Prepare prepare) : prepare(std::move(prepare)) {
  writer = std::thread([this] { writeLoop(); });
  reader = std::thread([this, open = std::move(open)] { readLoop(open); });
}

DevToolsConnection::~DevToolsConnection() {
  shutdown();
  reader.join();
  writer.join();
  platform::streamClose(ends.toPeer);
  if (ends.fromPeer != ends.toPeer)
    platform::streamClose(ends.fromPeer);
}

void DevToolsConnection::shutdown() {
  std::lock_guard<std::mutex> guard(lock);
  stopping = true;
  platform::streamShutdown(ends.toPeer);
  platform::streamShutdown(ends.fromPeer);
  wake.notify_all();
}

void DevToolsConnection::lose(const std::string& reason) {
  std::lock_guard<std::mutex> guard(lock);
  if (lostReason.empty())
    lostReason = reason;
  closed = true;
  wake.notify_all();
}

void DevToolsConnection::readLoop(Open open) {
  Endpoints peer = open();
  {
    std::lock_guard<std::mutex> guard(lock);
    ends = peer;
    opened = true;
    // Lost in the same step as opened, or the writer could fail on the missing end first.
    if (peer.fromPeer < 0) {
      lostReason = "it could not be started";
      closed = true;
    }
    if (stopping) {
      platform::streamShutdown(ends.toPeer);
      platform::streamShutdown(ends.fromPeer);
    }
    wake.notify_all();
  }
  if (peer.fromPeer < 0)
    return;
  std::string pending;
  char buffer[65536];
  for (;;) {
    const long got = platform::streamRead(peer.fromPeer, buffer, sizeof buffer);
    if (got <= 0) {
      lose("it closed the connection");
      return;
    }
    size_t start = 0;
    for (long i = 0; i < got; ++i) {
      if (buffer[i] != '\0')
        continue;
      pending.append(buffer + start, static_cast<size_t>(i) - start);
      start = static_cast<size_t>(i) + 1;
      Incoming message;
      message.body = nlohmann::json::parse(pending, nullptr, false);
      pending.clear();
      if (message.body.is_discarded() || !message.body.is_object())
        continue;  // one bad message costs that message only
      if (prepare)
        prepare(message);
      std::lock_guard<std::mutex> guard(lock);
      inbox.push_back(std::move(message));
    }
    pending.append(buffer + start, static_cast<size_t>(got) - start);
    if (pending.size() > longestMessage) {
      lose("it sent a message without an end");
      return;
    }
  }
}

void DevToolsConnection::writeLoop() {
  std::unique_lock<std::mutex> guard(lock);
  for (;;) {
    wake.wait(guard, [this] { return stopping || closed || (opened && !outbox.empty()); });
    if (stopping || closed)
      return;
    std::string message = std::move(outbox.front());
    outbox.pop_front();
    const int fd = ends.toPeer;
    guard.unlock();
    const bool sent = platform::streamWrite(fd, message.data(), message.size());
    guard.lock();
    if (!sent) {
      if (lostReason.empty())
        lostReason = "it stopped reading";
      closed = true;
      wake.notify_all();
      return;
    }
  }
}

void DevToolsConnection::send(const std::string& method, nlohmann::json params, const std::string& session,
                              Reply reply) {
  if (closed)
    return;
  const int id = nextId++;
  nlohmann::json message = {{"id", id}, {"method", method}, {"params", std::move(params)}};
  if (!session.empty())
    message["sessionId"] = session;
  std::string text = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  text.push_back('\0');
  if (reply)
    waiting.emplace(id, std::move(reply));
  std::lock_guard<std::mutex> guard(lock);
  outbox.push_back(std::move(text));
  wake.notify_all();
}

void DevToolsConnection::poll(const std::function<void(Incoming&)>& onEvent,
                              const std::function<void(const std::string&)>& onLost, size_t limit) {
  std::deque<Incoming> arrived;
  std::string reason;
  {
    std::lock_guard<std::mutex> guard(lock);
    while (!inbox.empty() && arrived.size() < limit) {
      arrived.push_back(std::move(inbox.front()));
      inbox.pop_front();
    }
    if (closed && inbox.empty() && !lostReported) {
      lostReported = true;
      reason = lostReason;
    }
  }
  for (Incoming& message : arrived) {
    const auto id = message.body.find("id");
    if (id == message.body.end()) {
      onEvent(message);
      continue;
    }
    if (!id->is_number_integer())
      continue;
    auto found = waiting.find(id->get<int>());
    if (found == waiting.end())
      continue;
    Reply reply = std::move(found->second);
    waiting.erase(found);
    const auto error = message.body.find("error");
    if (error != message.body.end())
      reply(nlohmann::json(), error->is_object() ? error->value("message", std::string("error")) : std::string("error"));
    else
      reply(message.body.value("result", nlohmann::json::object()), std::string());
  }
  if (!reason.empty()) {
    waiting.clear();
    onLost(reason);
  }
}

}  // namespace NaviLibrary
