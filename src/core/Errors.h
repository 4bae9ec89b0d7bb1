// Turning the exception in flight into the text of one log line.
#pragma once

#include <string>

namespace core {

// Call only inside a catch block: an engine exception gives its own description (without
// Ogre's file and line decoration), a standard one its what(), anything else a fixed text.
std::string describeCurrentException();

}  // namespace core
