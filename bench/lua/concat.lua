-- 3. 10^4 string concatenations, each a new string.
return function()
  local t = ""
  for _ = 1, 10000 do t = t .. "x" end
  return #t
end
