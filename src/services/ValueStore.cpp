// The per-user value store. The file is a person-readable list of "[key path]" sections with
// "name=value" lines; bytes that would break a line (controls, '%', '=', '[', ']', '#') are written
// as %XX. Every call re-reads the file under a lock file, so values written by another game
// process are seen, and a change is written whole to a temp file and renamed over the old one.
// A damaged file reads as no values; the next write keeps a copy of it beside the new one.
#include "services/ValueStore.h"

#include "GameInfo.h"
#include "platform/Platform.h"
#include "platform/PlayerGame.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

namespace {

using Values = std::map<std::string, std::map<std::string, int32_t>>;

const int32_t notRead = -9999;
// The registry's own limit on value names; longer keys or names are refused, not stored.
const size_t longestName = 16383;
const uint32_t lockWaitMs = 5000;

struct Store {
  std::filesystem::path folder;
  std::filesystem::path file;
  std::filesystem::path lock;
};

std::optional<Store> storeLocation() {
  // The player's game folder of an installed game; any game keeps its values there.
  std::filesystem::path folder = platform::playerFolders(game::packageName).game;
  if (folder.empty())
    return std::nullopt;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    return std::nullopt;
  return Store{folder, folder / "values.txt", folder / "values.lock"};
}

bool needsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7f || c == '%' || c == '=' || c == '[' || c == ']' || c == '#';
}

std::string escape(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (needsEscape(c)) {
      out += '%';
      out += digits[c >> 4];
      out += digits[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

std::optional<std::string> unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '%') {
      if (i + 2 >= text.size())
        return std::nullopt;
      int high = hexValue(text[i + 1]);
      int low = hexValue(text[i + 2]);
      if (high < 0 || low < 0)
        return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else if (needsEscape(c)) {
      return std::nullopt;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::optional<int32_t> parseValue(const std::string& text) {
  size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  if (start == text.size() || text.size() - start > 10)
    return std::nullopt;
  int64_t magnitude = 0;
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    magnitude = magnitude * 10 + (text[i] - '0');
  }
  int64_t value = start ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX)
    return std::nullopt;
  return static_cast<int32_t>(value);
}

// nullopt when the file is damaged; a missing file is an empty store.
std::optional<Values> parse(std::istream& in) {
  Values values;
  std::map<std::string, int32_t>* section = nullptr;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    if (line[0] == '[') {
      if (line.back() != ']')
        return std::nullopt;
      auto key = unescape(line.substr(1, line.size() - 2));
      if (!key)
        return std::nullopt;
      section = &values[*key];
      continue;
    }
    size_t equals = line.find('=');
    if (!section || equals == std::string::npos)
      return std::nullopt;
    auto name = unescape(line.substr(0, equals));
    auto value = parseValue(line.substr(equals + 1));
    if (!name || !value)
      return std::nullopt;
    (*section)[*name] = *value;
  }
  return values;
}

std::string format(const Values& values) {
  std::string out = "# " + std::string(game::title) + " per-user values: [key path], then name=value (32-bit integers).\n";
  for (const auto& [key, names] : values) {
    out += "\n[" + escape(key) + "]\n";
    for (const auto& [name, value] : names)
      out += escape(name) + "=" + std::to_string(value) + "\n";
  }
  return out;
}

struct Loaded {
  Values values;
  bool damaged = false;
};

Loaded load(const Store& store) {
  std::ifstream in(store.file, std::ios::binary);
  if (!in)
    return {};
  auto values = parse(in);
  if (!values)
    return {{}, true};
  return {std::move(*values), false};
}

void save(const Store& store, const Loaded& loaded) {
  if (loaded.damaged) {
    std::error_code error;
    std::filesystem::rename(store.file, store.file.string() + ".damaged", error);
  }
  platform::replaceFile(store.file.string(), format(loaded.values));
}

bool acceptable(const std::string& keyPath, const std::string& valueName) {
  return keyPath.size() <= longestName && valueName.size() <= longestName;
}

}  // namespace

void writeRegistryValue(const std::string& keyPath, const std::string& valueName, int32_t value) {
  auto store = storeLocation();
  if (!store || !acceptable(keyPath, valueName))
    return;
  platform::FileLock lock(store->lock.string(), lockWaitMs);
  if (!lock.held())
    return;
  Loaded loaded = load(*store);
  loaded.values[keyPath][valueName] = value;
  save(*store, loaded);
}

int32_t readRegistryValue(const std::string& keyPath, const std::string& valueName) {
  auto store = storeLocation();
  if (!store || !acceptable(keyPath, valueName))
    return notRead;
  platform::FileLock lock(store->lock.string(), lockWaitMs);
  if (!lock.held())
    return notRead;
  Loaded loaded = load(*store);
  auto key = loaded.values.find(keyPath);
  if (key == loaded.values.end()) {
    loaded.values[keyPath];
    save(*store, loaded);
    return notRead;
  }
  auto name = key->second.find(valueName);
  return name == key->second.end() ? notRead : name->second;
}
