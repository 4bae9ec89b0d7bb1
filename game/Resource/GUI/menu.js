// Shared by the demo's menus: every button and the volume slider talk to the level scripts
// through the engine's Callback, which runs its argument as a Lua statement.
function run(statement) {
  if (typeof Callback === "function")
    Callback(statement);
}

document.addEventListener("DOMContentLoaded", function () {
  document.querySelectorAll("[data-statement]").forEach(function (button) {
    button.addEventListener("click", function () { run(button.dataset.statement); });
  });
  var volume = document.getElementById("volume");
  if (volume) {
    // Effects and music together, 0 to 255 as the engine counts them.
    volume.addEventListener("input", function () {
      var v = Math.round(volume.value);
      run("SetMasterVolume(" + v + ", " + v + ")");
    });
  }
});
