// Resource groups that survive damaged scripts: Ogre stops a group's whole initialisation at the
// first material or overlay script it cannot parse, so that one file would leave every later
// script of the group unread (or, at start-up, end the game). This names the bad script, skips it
// and initialises the group again without it.
#pragma once

#include <OgreResourceGroupManager.h>

#include <set>
#include <string>

class ResourceGroups : public Ogre::ResourceGroupListener {
public:
  ResourceGroups();
  ~ResourceGroups() override;
  ResourceGroups(const ResourceGroups&) = delete;
  ResourceGroups& operator=(const ResourceGroups&) = delete;

  // Initialises the group; each script that throws is logged once and left out.
  void initialise(const std::string& group);

  void scriptParseStarted(const Ogre::String& name, bool& skip) override;
  void scriptParseEnded(const Ogre::String& name, bool skipped) override;

private:
  std::set<std::string> refused;
  std::string parsing;  // the script being parsed, empty between scripts
};
