#!/usr/bin/env bash
# Installs, builds and starts the game. Without a display it runs under a private Xvfb.
#   bash scripts/play.sh          the built game folder, build/game
#   bash scripts/play.sh --dev    build/dev: the same game, but its levels, pages and materials are
#                                 the files under game/Resource themselves, and a saved file reaches
#                                 the running game (reload on save); generated data (meshes, sounds,
#                                 textures, the core overlays) comes from the build
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

# Each folder of build/game/Resource that the build copies unchanged links to its sources; a folder
# with generated files links to the build's, file by file, beside links to the sources it was made
# from, so that their saves are seen too; a folder made by the build alone links to the build's.
make_dev_folder() {
  local source="$PWD/game/Resource" built="$PWD/build/game/Resource" dev="$PWD/build/dev"
  mkdir -p "$dev/Bin" "$dev/Resource"
  ln -sfn "$PWD/build/game/Bin/tarnel-quibbo" "$dev/Bin/tarnel-quibbo"
  ln -sfn "$PWD/build/game/Bin/QuibboCursor.ani" "$dev/Bin/QuibboCursor.ani"
  local entry name file
  for entry in "$built"/*; do
    name=$(basename "$entry")
    if [ -f "$entry" ]; then
      [ -e "$dev/Resource/$name" ] || cp "$entry" "$dev/Resource/$name"  # the player's options stay
      continue
    fi
    rm -rf "$dev/Resource/$name"
    if [ ! -d "$source/$name" ]; then
      ln -s "$entry" "$dev/Resource/$name"
    elif (cd "$entry" && find . -type f) | (cd "$source/$name" && while read -r file; do [ -e "$file" ] || exit 1; done); then
      ln -s "$source/$name" "$dev/Resource/$name"
    else
      mkdir "$dev/Resource/$name"
      for file in "$entry"/* "$source/$name"/*; do
        if [ -f "$file" ] && [ ! -e "$dev/Resource/$name/$(basename "$file")" ]; then
          ln -s "$file" "$dev/Resource/$name/"
        fi
      done
    fi
  done
  grep -q "reload" "$dev/Resource/setup.lua" || echo "setup.reload = 1" >> "$dev/Resource/setup.lua"
}

game=build/game
if [ "${1:-}" = "--dev" ]; then
  make_dev_folder
  game=build/dev
  echo "Development run: save a file under game/Resource and the running game takes it in."
fi
cd "$game/Bin"
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running under Xvfb on :77 (watch it with a VNC viewer on that display, or set DISPLAY)."
  Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp &
  xvfb=$!
  trap 'kill $xvfb' EXIT
  sleep 1
  export DISPLAY=:77
fi
./tarnel-quibbo
echo "Log: $(pwd)/Tarnel Quibbo.log"
