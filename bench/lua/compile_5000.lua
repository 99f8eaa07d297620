-- 7. Compiling a generated 5,000-line script (compile only, nothing runs).
local lines = {"local g = 1"}
for i = 0, 499 do
  lines[#lines + 1] = "function f" .. i .. "(a, b)"
  lines[#lines + 1] = "  local x, y = a * 2 + b, 3"
  lines[#lines + 1] = "  if x > 10 and y ~= 0 then x = x - 3 else x = x + 1 end"
  lines[#lines + 1] = "  while x > 0 do x = x - 7; if x == 2 then break end end"
  lines[#lines + 1] = "  local ok, e = pcall(function() b = b + x end); if not ok then b = e end"
  lines[#lines + 1] = "  local t = \"line\\n\" .. tostring(x)"
  lines[#lines + 1] = "  step(x); x = twice(x) + f0(x, b)"
  lines[#lines + 1] = "  return x + g + #t"
  lines[#lines + 1] = "end"
end
for i = 0, 497 do lines[#lines + 1] = "v" .. i .. " = " .. i end
lines[#lines + 1] = "return f1"
local text = table.concat(lines, "\n")
return function() return assert(load(text)) end
