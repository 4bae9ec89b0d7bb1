-- Low-resolution settings, copied over setup.lua when the configured window could not be made.
setup = {
  sleeptime = 1,
  window_width = 800,
  window_height = 600,
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
