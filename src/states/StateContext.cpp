// The key-press report both states share.
#include "states/StateContext.h"

#include "states/KeyStatements.h"

void reportKeyPress(const StateContext& context, const OIS::KeyEvent& event) {
  for (const std::string& statement : key_statements::pressed(event.key, event.text))
    context.scripts.run(statement);
}
