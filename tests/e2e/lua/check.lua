-- What every test level starts from: a LevelRoot, checks that log "PASS name" or "FAIL name: detail",
-- at() to run a statement later and the process's resident memory.
CreateSceneNode("", "LevelRoot")

function check(name, ok, detail)
  LogText(ok and "PASS " .. name or "FAIL " .. name .. ": " .. tostring(detail))
end

function check_equal(name, actual, expected)
  check(name, actual == expected, "expected " .. tostring(expected) .. ", got " .. tostring(actual))
end

-- A Script message of the actor "Clock", made on first use: due at ms of simulation time.
function at(ms, statement)
  if not clock_made then AddActor("Clock") clock_made = true end
  AddActorMessage("Clock", ms, 7, statement, "", 0, 0, 0, 0)
end

function rss()
  local f = io.open("/proc/self/status")
  local text = f:read("*a")
  f:close()
  return tonumber(string.match(text, "VmRSS:%s*(%d+)"))
end

-- The point x, y, z (a call's three results, given last) within tolerance of ex, ey, ez.
function check_near(name, tolerance, ex, ey, ez, x, y, z)
  check(name, math.abs(x - ex) + math.abs(y - ey) + math.abs(z - ez) < tolerance, x .. "," .. y .. "," .. z)
end
