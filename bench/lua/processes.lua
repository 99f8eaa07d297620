-- 8. 1,000 processes of 100 steps each: coroutines resumed once per
-- scheduling pass until none is left.
return function()
  local list = {}
  for p = 1, 1000 do
    list[p] = coroutine.create(function()
      local k = 0
      for _ = 1, 100 do k = k + 1; coroutine.yield() end
      return k
    end)
  end
  local passes = 0
  while #list > 0 do
    local kept = {}
    for _, co in ipairs(list) do
      coroutine.resume(co)
      if coroutine.status(co) ~= "dead" then kept[#kept + 1] = co end
    end
    list = kept
    passes = passes + 1
  end
  return passes
end
