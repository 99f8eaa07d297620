-- 4. push_back 10^5, then an indexed sum.
return function()
  local v = {}
  for i = 0, 99999 do v[#v + 1] = i end
  local s = 0
  for i = 1, #v do s = s + v[i] end
  return s
end
