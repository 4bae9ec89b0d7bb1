-- The ridge: gems on dry hills and one on a stone plateau, two guards, and the flag up on the
-- plateau, reached by the plank lift on its east side. Walking off the top is a hard landing.
-- All five gems open the flag.
dofile("../Resource/Levels/common.lua")

StartLevel {
  file = "ridge.lua", name = "ridge", title = "The ridge", next = "menu.lua",
  ground = "Ridge.mesh", sky = "Intro/SkyBox", fog = { 0.7, 0.62, 0.55, 40, 140 },
  start = { -30, 30 }, goal = { 18, -18 }, need = 5,
  gems = { { -20, 10 }, { 0, 30 }, { 30, 20 }, { -25, -25 }, { 14, -14, 11.5 } },
  guards = { { period = 14000, points = { { -10, 20 }, { 10, 22 }, { 12, 4 }, { -8, 2 } } },
             { period = 11000, points = { { -30, -10 }, { -10, -12 }, { -12, -30 }, { -32, -28 } } } },
  plateau = { 18, -4.5, -18 },
  lift = { bottom = { 27, -1.4, -18 }, top = { 27, 11.5, -18 }, period = 12000 },
  trees = 26,
  music = { "Ridge.wav", "Theme.wav" },
}
