-- 1. A while loop summing 1..10^6.
return function()
  local i, s = 0, 0
  while i < 1000000 do
    i = i + 1
    s = s + i
  end
  return s
end
