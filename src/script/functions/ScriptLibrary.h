// The script function library: every group's slice, merged into registration order.
#pragma once

#include "script/ScriptHost.h"

#include <string>
#include <vector>

// The 73 names in registration order.
const std::vector<std::string>& registrationOrder();

// Each group's functions, defined at the end of its own source file.
std::vector<ScriptFunction> coreFunctions();     // core, scene, clock, VMs
std::vector<ScriptFunction> worldFunctions();    // actors, collision, splines, nodes, camera
std::vector<ScriptFunction> serviceFunctions();  // browser, downloads, hashes, per-user values

// All implemented functions in registration order.
std::vector<ScriptFunction> scriptLibrary();
