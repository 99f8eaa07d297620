-- 5. Insert and look up 10^5 int keys, multiples of 16 as ours: sparse keys stay in the table's hash part
-- (0 .. 10^5 - 1 would fill its array part instead).
return function()
  local m = {}
  for i = 0, 99999 do m[i * 16] = i end
  local s = 0
  for i = 0, 99999 do s = s + m[i * 16] end
  return s
end
