-- Game configuration, read once at every start. The engine rewrites this file with
-- setup_lowres.lua or setup_lowres_nofsaa.lua when the window cannot be created as asked.
setup = {
  sleeptime = 1,
  window_width = 1024,
  window_height = 768,
  fullscreen = 0,
  rendersystem = "RenderSystem_GL",
  shadows = 1,
  shadowdistance = 400,
  fsaa = 0,
  musicdir = "../Resource/Sounds/",
  music = 1,
  soundvolume = 4,
  musicvolume = 3,
  startlevel = "title.lua",
  resourcedir = "../Resource/Levels/",
}
