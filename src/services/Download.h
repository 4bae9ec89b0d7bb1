// Downloads from the maker's web site (the build's TQ_BASE_URL with the script's path appended),
// as text or into a file. Failures come back only as the result text.
#pragma once

#include <string>

// Empty file name: the downloaded text (up to its first zero byte). Otherwise the download
// replaces that file and the result is "OK". On failure, one of the "ERROR - ..." texts.
std::string downloadUrl(const std::string& path, const std::string& fileName);
