// The browser's lifetime over its DevTools pipe: start, pings, giving up, closing pages again.
#include "gui/navi/BrowserSession.h"

#include "core/Log.h"
#include "platform/Platform.h"

#include <OgreDataStream.h>
#include <OgreImage.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace NaviLibrary {

namespace {

const unsigned browserGraceMs = 2000;
// A browser that stops answering is given up like a dead one; a start may take longer on a busy machine.
const uint32_t pingEveryMs = 2000;
const uint32_t answerWithinMs = 10000;
const uint32_t firstAnswerWithinMs = 30000;
// A page closed while it navigates can stay open: the close is asked again until the browser
// reports the page gone.
const uint32_t closeAgainAfterMs = 1000;
const int closeAttempts = 10;

// Screencast frames are decoded on the reader thread; the main thread only uploads them.
void decodeFrame(Incoming& message) {
  const auto method = message.body.find("method");
  if (method == message.body.end() || *method != "Page.screencastFrame")
    return;
  nlohmann::json& params = message.body["params"];
  if (!params.is_object() || !params.contains("data") || !params["data"].is_string())
    return;
  const std::string data = params["data"].get<std::string>();
  params.erase("data");
  std::vector<unsigned char> bytes(data.size() / 4 * 3 + 3);
  const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(data.data()),
                                     static_cast<int>(data.size()));
  if (length <= 0)
    return;
  try {
    Ogre::DataStreamPtr stream(new Ogre::MemoryDataStream(bytes.data(), static_cast<size_t>(length), false, true));
    auto image = std::make_shared<Ogre::Image>();
    image->load(stream, "png");
    message.frame = std::move(image);
  } catch (...) {
    // A frame that does not decode is skipped; the next one replaces it.
  }
}

std::string browserProgram() {
  const char* chosen = std::getenv("TQ_BROWSER");
  return chosen && *chosen ? chosen : BrowserSession::defaultBrowser;
}

}  // namespace

BrowserSession::BrowserSession() {
  start();
}

void BrowserSession::take(std::function<void()> onGivenUp) {
  givenUp = std::move(onGivenUp);
  if (!startFailure.empty())
    core::log(startFailure);
}

BrowserSession::~BrowserSession() {
  stop();
}

void BrowserSession::start() {
  const std::string program = browserProgram();
  if (!platform::isExecutable(program)) {
    startFailure = "Web panels: no browser at " + program + "; panels stay empty";
    lost = true;
    return;
  }
  profileFolder = platform::makePrivateTempDir("tq-browser-");
  if (profileFolder.empty()) {
    startFailure = "Web panels: no folder for the browser's profile; panels stay empty";
    lost = true;
    return;
  }
  std::vector<std::string> arguments = {program, "--headless=new", "--disable-gpu", "--no-first-run",
                                        "--disable-background-networking", "--disable-component-update",
                                        "--disable-sync", "--hide-scrollbars", "--mute-audio",
                                        "--remote-debugging-pipe", "--user-data-dir=" + profileFolder};
  if (platform::runningAsRoot())
    arguments.push_back("--no-sandbox");  // a root process gets no sandbox from the kernel
  arguments.push_back("about:blank");
  // Its own temporary files go inside the profile too, so removing that leaves nothing behind.
  const std::string temporary = profileFolder + "/tmp";
  std::error_code ignored;
  std::filesystem::create_directory(temporary, ignored);
  connection = std::make_unique<DevToolsConnection>(
      [this, arguments, temporary] {
        std::lock_guard<std::mutex> guard(childLock);
        if (closing)
          return DevToolsConnection::Endpoints();
        child = platform::startChild(arguments, {"TMPDIR=" + temporary});
        return DevToolsConnection::Endpoints{child.toChild, child.fromChild};
      },
      decodeFrame);
  connection->send("Target.setDiscoverTargets", {{"discover", true}});
  ping(platform::milliseconds());
}

void BrowserSession::stop() {
  if (!connection)
    return;
  platform::ChildProcess running;
  {
    std::lock_guard<std::mutex> guard(childLock);
    closing = true;
    running = child;
  }
  // Ended while its starting thread still lives, so it shuts down and reaps its own helpers.
  platform::endChild(running, browserGraceMs);
  connection.reset();
  std::error_code ignored;
  std::filesystem::remove_all(profileFolder, ignored);
}

void BrowserSession::send(const std::string& method, nlohmann::json params, const std::string& session,
                          DevToolsConnection::Reply reply) {
  if (connection)
    connection->send(method, std::move(params), session, std::move(reply));
}

void BrowserSession::poll(const std::function<void(Incoming&)>& onPageEvent) {
  if (connection)
    connection->poll([&](Incoming& message) { onEvent(message, onPageEvent); },
                     [this](const std::string& reason) { onLost(reason); });
}

void BrowserSession::ping(uint32_t now) {
  pingSent = now;
  pinging = true;
  connection->send("Browser.getVersion", nlohmann::json::object(), std::string(),
                   [this](const nlohmann::json&, const std::string&) {
                     pinging = false;
                     everAnswered = true;
                   });
}

void BrowserSession::watch(uint32_t now) {
  if (!alive())
    return;
  if (!pinging) {
    if (now - pingSent >= pingEveryMs)
      ping(now);
    return;
  }
  if (now - pingSent <= (everAnswered ? answerWithinMs : firstAnswerWithinMs))
    return;
  core::log("Web panels: the browser stopped answering; panels stay empty");
  giveUp();
  std::lock_guard<std::mutex> guard(childLock);
  platform::endChild(child, 0);  // a hung browser would not end on request
}

void BrowserSession::closeTarget(const std::string& target) {
  if (!connection || target.empty())
    return;
  // A refusal means the page is gone already (or never was): nothing to ask again.
  connection->send("Target.closeTarget", {{"targetId", target}}, std::string(),
                   [this, target](const nlohmann::json&, const std::string& error) {
                     if (!error.empty())
                       closingTargets.erase(target);
                   });
  Closing& asked = closingTargets[target];
  asked.sent = platform::milliseconds();
  ++asked.attempts;
}

void BrowserSession::closeAgain(uint32_t now) {
  if (!alive())
    return;
  for (auto it = closingTargets.begin(); it != closingTargets.end();) {
    if (now - it->second.sent < closeAgainAfterMs) {
      ++it;
    } else if (it->second.attempts >= closeAttempts) {
      core::log("Web panels: the browser keeps a closed page open: " + it->first);
      it = closingTargets.erase(it);
    } else {
      closeTarget(it->first);
      ++it;
    }
  }
}

void BrowserSession::onLost(const std::string& reason) {
  if (lost)
    return;  // given up already
  core::log("Web panels: the browser is gone (" + reason + "); panels stay empty");
  giveUp();
}

void BrowserSession::giveUp() {
  lost = true;
  givenUp();
}

void BrowserSession::onEvent(Incoming& message, const std::function<void(Incoming&)>& onPageEvent) {
  const std::string method = message.body.value("method", std::string());
  if (method == "Target.targetDestroyed") {
    const nlohmann::json params = message.body.value("params", nlohmann::json::object());
    closingTargets.erase(params.value("targetId", std::string()));
  } else if (method == "Target.targetCreated") {
    // Pop-ups and links into new windows: nothing shows them, so they are closed at once.
    const nlohmann::json params = message.body.value("params", nlohmann::json::object());
    const nlohmann::json info = params.value("targetInfo", nlohmann::json::object());
    if (!info.value("openerId", std::string()).empty()) {
      core::log("Web panels: a pop-up window was closed: " + info.value("url", std::string()));
      closeTarget(info.value("targetId", std::string()));
    }
  } else {
    onPageEvent(message);
  }
}

}  // namespace NaviLibrary
