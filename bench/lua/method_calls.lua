-- 6. 10^5 method calls on a class instance.
local counter = {}
counter.__index = counter
function counter.new() return setmetatable({n = 0}, counter) end
function counter:add(k) self.n = self.n + k return self.n end
return function()
  local c = counter.new()
  for i = 1, 100000 do c:add(1) end
  return c.n
end
