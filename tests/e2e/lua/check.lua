-- Checks for test levels: each check logs "PASS name" or "FAIL name: detail".
function check(name, ok, detail)
  if ok then
    LogText("PASS " .. name)
  else
    LogText("FAIL " .. name .. ": " .. tostring(detail))
  end
end

function check_equal(name, actual, expected)
  check(name, actual == expected, "expected " .. tostring(expected) .. ", got " .. tostring(actual))
end

function check_near(name, actual, expected, tolerance)
  tolerance = tolerance or 1e-4
  local ok = type(actual) == "number" and math.abs(actual - expected) <= tolerance
  check(name, ok, "expected " .. tostring(expected) .. ", got " .. tostring(actual))
end
