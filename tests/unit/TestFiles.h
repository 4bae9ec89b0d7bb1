// File helpers the unit tests share.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// The whole file, or "" when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh folder under /tmp; the test removes it.
inline std::filesystem::path makeTempDir(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "_XXXXXX";
  return mkdtemp(pattern.data());
}
