// Shared by the game's menus: buttons and sliders talk to the level scripts through the
// engine's Callback, which runs its argument as a Lua statement.
function run(statement) {
  if (typeof Callback === "function")
    Callback(statement);
}

// A slider's value, 0 to 100.
function percent(id) {
  return Math.round(document.getElementById(id).value);
}

document.addEventListener("DOMContentLoaded", function () {
  document.querySelectorAll("[data-statement]").forEach(function (button) {
    button.addEventListener("click", function () { run(button.dataset.statement); });
  });
});
