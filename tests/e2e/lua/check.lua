-- Checks for test levels: each check logs "PASS name" or "FAIL name: detail".
function check(name, ok, detail)
  LogText(ok and "PASS " .. name or "FAIL " .. name .. ": " .. tostring(detail))
end

function check_equal(name, actual, expected)
  check(name, actual == expected, "expected " .. tostring(expected) .. ", got " .. tostring(actual))
end

function check_near(name, actual, expected, tolerance)
  local ok = type(actual) == "number" and math.abs(actual - expected) <= (tolerance or 1e-4)
  check(name, ok, "expected " .. tostring(expected) .. ", got " .. tostring(actual))
end
