// Saved files, as the watch hands them out, to what takes them in.
#include "app/ReloadOnSave.h"

#include "app/LevelLoader.h"
#include "core/Log.h"
#include "core/Text.h"
#include "gui/GameGui.h"
#include "platform/FileWatch.h"
#include "platform/Platform.h"
#include "render/ReloadInPlace.h"
#include "script/ScriptHost.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char resourceFolder[] = "../Resource";
// Editors save in bursts: a file counts as saved once it has been quiet this long.
const uint32_t quietMs = 150;

std::string realPath(const std::string& path) {
  std::error_code error;
  fs::path real = fs::weakly_canonical(path, error);
  return error ? path : real.string();
}

}  // namespace

ReloadOnSave::ReloadOnSave(ScriptHost& scripts, LevelLoader& levels, GameGui& pages)
    : scripts(scripts), levels(levels), pages(pages), watch(std::make_unique<platform::FileWatch>(resourceFolder)) {
  if (watch->failure().empty()) {
    core::log("Reload on save: files saved under " + std::string(resourceFolder) + " reach the running game");
  } else {
    core::log("Reload on save is off: " + watch->failure());
    watch.reset();
  }
}

ReloadOnSave::~ReloadOnSave() = default;

void ReloadOnSave::update() {
  if (!watch)
    return;
  for (const std::string& saved : watch->takeSettled(quietMs)) {
    const std::string name = fs::path(saved).filename().string();
    if (core::endsWith(name, ".lua")) {
      const ScriptVm& level = scripts.luaVm();
      auto isSaved = [&](const std::string& named) { return realPath(named) == saved; };
      if (std::any_of(level.written.begin(), level.written.end(), isSaved))
        continue;  // the level's own write
      auto named = std::find_if(level.files.begin(), level.files.end(), isSaved);
      if (named != level.files.end())
        levelFileSaved(*named);
    } else if (core::endsWith(name, ".mesh.xml") || core::endsWith(name, ".skeleton.xml")) {
      core::log(name + " was saved: meshes reach the game through a build (bash scripts/build.sh)");
    } else if (render::reloadsInPlace(name)) {
      core::log(render::reloadInPlace(name));
    } else if (core::endsWith(name, ".html") || core::endsWith(name, ".htm") || core::endsWith(name, ".css") ||
               core::endsWith(name, ".js")) {
      if (int count = pages.reloadPages(name))
        core::log("Reloaded " + std::to_string(count) + " web panel" + (count > 1 ? "s" : "") + " for " + name);
    }
  }
}

void ReloadOnSave::levelFileSaved(const std::string& named) {
  // An editor's save of the same text again is no change.
  std::string text = platform::readFile(named);
  auto last = lastText.find(named);
  if (last != lastText.end() && last->second == text)
    return;
  const std::string failure = scripts.checkFile(named);
  if (!failure.empty()) {
    scripts.reportScriptError(failure);
    return;
  }
  lastText[named] = std::move(text);
  const std::string shown = named.compare(0, 3, "../") == 0 ? named.substr(3) : named;
  core::log("Reload: " + shown + " was saved; the level loads again");
  levels.reloadCurrent();
}
