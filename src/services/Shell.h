// Opening a web address or document with the desktop's default application.
#pragma once

#include <string>

// Returns at once; a failing launch is silent.
void openWithShell(const std::string& target);
