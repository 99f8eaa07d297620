-- Times the programs: lua5.4 bench/lua/time.lua [program.lua ...]; the
-- median of 5 runs of each, in ms (os.clock, CPU time).
local here = arg[0]:match("(.*/)") or "./"
local programs = {...}
if #programs == 0 then
  programs = {"while_sum", "fib", "concat", "vector", "hash", "method_calls", "compile_5000", "processes"}
end
for _, name in ipairs(programs) do
  local run = dofile(here .. name:gsub("%.lua$", "") .. ".lua")
  local times = {}
  for r = 1, 5 do
    local t0 = os.clock()
    run()
    times[r] = (os.clock() - t0) * 1000
  end
  table.sort(times)
  print(string.format("%-14s %9.3f ms", name, times[3]))
end
