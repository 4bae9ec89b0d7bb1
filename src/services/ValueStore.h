// 32-bit integers kept per user, by key path and value name, in one readable text file under
// the user's data folder (the package name's folder, values.txt). Game processes may share it at once.
#pragma once

#include <cstdint>
#include <string>

// Failures are silent.
void writeRegistryValue(const std::string& keyPath, const std::string& valueName, int32_t value);

// -9999 when nothing could be read. Reading a missing key creates it, empty.
int32_t readRegistryValue(const std::string& keyPath, const std::string& valueName);
