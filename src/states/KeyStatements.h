// The statements that tell the level's script about keys: the key code as a signed number and
// the character code, unsigned, as a quoted number (A typing a gives KeyPressed(30, '97')).
#pragma once

#include <string>
#include <vector>

namespace key_statements {

// What a press runs, in order: Screenshot() for Print Screen, EscPressed() for Escape, then
// always the KeyPressed statement.
std::vector<std::string> pressed(int key, unsigned int text);
std::string released(int key, unsigned int text);

}  // namespace key_statements
