#include "core/Errors.h"

namespace core {
namespace {
ExceptionDescriber describerHook = nullptr;
}  // namespace

std::string describeCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    std::string text = describerHook ? describerHook(e) : std::string();
    return text.empty() ? e.what() : text;
  } catch (...) {
    return "unknown exception";
  }
}

void setExceptionDescriber(ExceptionDescriber describer) {
  describerHook = describer;
}

}  // namespace core
