-- 5. Insert and look up 10^5 int keys (0 .. 10^5 - 1, as ours).
return function()
  local m = {}
  for i = 0, 99999 do m[i] = i end
  local s = 0
  for i = 0, 99999 do s = s + m[i] end
  return s
end
