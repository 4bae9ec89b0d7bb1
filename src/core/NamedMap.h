// Everything scripts address is kept by name in an ordered map of owned objects; these are the
// two operations every such map needs.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace core {

template <class T>
using NamedMap = std::map<std::string, std::unique_ptr<T>>;

// The object of that name, or null.
template <class T>
T* findNamed(const NamedMap<T>& map, const std::string& name) {
  auto found = map.find(name);
  return found == map.end() ? nullptr : found->second.get();
}

// Enters a new object under a name that must not be taken yet; returns it.
template <class T>
T* addNamed(NamedMap<T>& map, const std::string& name, std::unique_ptr<T> object) {
  T* added = object.get();
  map[name] = std::move(object);
  return added;
}

}  // namespace core
