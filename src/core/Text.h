// Small string tests the layers share.
#pragma once

#include <string>

namespace core {

inline bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace core
