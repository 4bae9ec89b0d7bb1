// What a panel may ask of its manager, and no more: its page's way to the browser, the base
// folder's addresses, its tier's overlay, the focus and its place among panels. Replies can come
// after the panel is gone, so they find it again by serial.
#pragma once

#include "gui/navi/DevTools.h"
#include "gui/navi/Navi.h"

#include <cstdint>
#include <string>

namespace Ogre {
class Overlay;
}

namespace NaviLibrary {

class NaviHost {
public:
  // To the browser; nothing is sent without one.
  virtual void send(const std::string& method, nlohmann::json params, const std::string& session,
                    DevToolsConnection::Reply reply) = 0;
  // A file under the base folder as a file:// address; either separator works.
  virtual std::string fileUrl(const std::string& file) const = 0;
  virtual bool inBaseFolder(const std::string& url) const = 0;
  virtual Ogre::Overlay* tierOverlay(Tier tier) = 0;
  virtual void focus(uint64_t serial) = 0;
  // A place above every panel placed so far.
  virtual uint64_t nextOrder() = 0;
  // The panel of that serial, or null once it is gone.
  virtual Navi* bySerial(uint64_t serial) const = 0;

protected:
  ~NaviHost() = default;
};

}  // namespace NaviLibrary
