#include "core/Errors.h"

#include <OgreException.h>

#include <exception>

namespace core {

std::string describeCurrentException() {
  try {
    throw;
  } catch (const Ogre::Exception& e) {
    return e.getDescription();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

}  // namespace core
