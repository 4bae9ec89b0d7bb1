// Turning the exception in flight into the text of one log line.
#pragma once

#include <exception>
#include <string>

namespace core {

// Call only inside a catch block: a standard exception gives its what(), unless the describer
// knows it better; anything else a fixed text.
std::string describeCurrentException();

// The engine library's own text for its exceptions (without its file and line decoration), or ""
// for an exception it does not know.
using ExceptionDescriber = std::string (*)(const std::exception&);
void setExceptionDescriber(ExceptionDescriber describer);

}  // namespace core
