// The bottom layer knows nothing of Ogre; this gives it Ogre's log file and exception texts.
#pragma once

namespace render {

// From now on core::log writes to Ogre's default log (stderr while there is none), and
// core::describeCurrentException gives an Ogre exception's own description.
void useOgreForLogAndErrors();

}  // namespace render
