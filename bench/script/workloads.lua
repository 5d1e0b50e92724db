-- The script workloads in Lua 5.4, the same programs as workloads.vsk:
-- `lua5.4 workloads.lua NAME` prints "NAME SECONDS CHECK".

local function arith(n)
  local s = 0.0
  for i = 0, n - 1 do s = s + i * 0.5 end
  return s
end

local function append(n)
  local v = {}
  for i = 0, n - 1 do v[#v + 1] = math.sin(i * 0.01) end
  return #v + v[n]
end

local function inc(x) return x + 1 end
local function calls(n)
  local x = 0
  for i = 0, n - 1 do x = inc(x) end
  return x
end

local function member(n)
  local p = {x = 1.5, y = 2, z = 3}
  local s = 0.0
  for i = 0, n - 1 do s = s + p.x end
  return s
end

local function surface(n)
  local points, colours = {}, {}
  for j = 0, n - 1 do
    for i = 0, n - 1 do
      local x = (i - n // 2) * 0.05
      local z = (j - n // 2) * 0.05
      local r = math.sqrt(x * x + z * z) + 0.001
      local y = math.sin(r) / r
      points[#points + 1] = {x, y, z}
      colours[#colours + 1] = {y, 0.5, 1 - y}
    end
  end
  return #points + points[n * n][2] + colours[n + 1][1]
end

local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end

local function collatz(n)
  local total = 0
  for k = 1, n do
    local c = k
    while c ~= 1 do
      if c % 2 == 0 then c = c // 2 else c = 3 * c + 1 end
      total = total + 1
    end
  end
  return total
end

local function grid(n)
  local g = {}
  for i = 0, n - 1 do
    local row = {}
    for j = 0, n - 1 do row[#row + 1] = i + j end
    g[#g + 1] = row
  end
  local s = 0
  for pass = 0, 3 do
    for i = 1, n do
      for j = 1, n do s = s + g[i][j] end
    end
  end
  return s
end

local function sort(n)
  local v = {}
  local seed = 1
  for i = 1, n do
    seed = (seed * 75 + 74) % 65537
    v[i] = seed
  end
  for i = 2, n do
    local x = v[i]
    local j = i - 1
    while j >= 1 and v[j] > x do
      v[j + 1] = v[j]
      j = j - 1
    end
    v[j + 1] = x
  end
  return v[1] + v[n // 2 + 1] + v[n]
end

local runs = {
  arith = function() return arith(3000000) end,
  append = function() return append(300000) end,
  calls = function() return calls(1000000) end,
  member = function() return member(1000000) end,
  surface = function() return surface(300) end,
  fib = function() return fib(25) end,
  collatz = function() return collatz(30000) end,
  grid = function() return grid(500) end,
  sort = function() return sort(2000) end,
}

local name = arg[1]
local run = runs[name]
if not run then print("unknown workload", name) os.exit(2) end
local t = os.clock()
local check = run()
print(name, os.clock() - t, string.format("%.17g", check))
