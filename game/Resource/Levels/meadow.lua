-- The meadow: a trail of three gems runs north from Quibbo to the flag; two more lie off to the
-- sides, one of them in the round of a guard; a windmill turns beside the trail. Three gems open
-- the flag; every gem scores.
dofile("../Resource/Levels/common.lua")

StartLevel {
  file = "meadow.lua", name = "meadow", title = "The meadow", next = "ridge.lua",
  ground = "Meadow.mesh", sky = "Intro/SkyBox", fog = { 0.59, 0.65, 0.69, 40, 140 },
  start = { 0, 36 }, goal = { 0, -38 }, need = 3,
  gems = { { 0.5, 24 }, { -0.5, 10 }, { 0.5, -4 }, { -26, 6 }, { 26, -18 } },
  guards = { { period = 9000, points = { { 18, -12 }, { 32, -12 }, { 32, -24 }, { 18, -24 } } } },
  trees = 30, mill = { -9, 26 },
  music = { "Meadow.wav", "Theme.wav" },
}
