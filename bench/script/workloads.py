# The script workloads in Python, the same programs as workloads.vsk:
# `python3 workloads.py NAME` prints "NAME SECONDS CHECK".
import math
import sys
import time


def arith(n):
    s = 0.0
    for i in range(n):
        s = s + i * 0.5
    return s


def append(n):
    v = []
    for i in range(n):
        v.append(math.sin(i * 0.01))
    return len(v) + v[n - 1]


def inc(x):
    return x + 1


def calls(n):
    x = 0
    for i in range(n):
        x = inc(x)
    return x


class Point:
    __slots__ = ("x", "y", "z")

    def __init__(self, x, y, z):
        self.x, self.y, self.z = x, y, z


def member(n):
    p = Point(1.5, 2, 3)
    s = 0.0
    for i in range(n):
        s = s + p.x
    return s


def surface(n):
    points, colours = [], []
    for j in range(n):
        for i in range(n):
            x = (i - n // 2) * 0.05
            z = (j - n // 2) * 0.05
            r = math.sqrt(x * x + z * z) + 0.001
            y = math.sin(r) / r
            points.append([x, y, z])
            colours.append([y, 0.5, 1 - y])
    return len(points) + points[n * n - 1][1] + colours[n][0]


def fib(n):
    if n < 2:
        return n
    return fib(n - 1) + fib(n - 2)


def collatz(n):
    total = 0
    for k in range(1, n + 1):
        c = k
        while c != 1:
            if c % 2 == 0:
                c = c // 2
            else:
                c = 3 * c + 1
            total += 1
    return total


def grid(n):
    g = []
    for i in range(n):
        row = []
        for j in range(n):
            row.append(i + j)
        g.append(row)
    s = 0
    for _ in range(4):
        for i in range(n):
            for j in range(n):
                s += g[i][j]
    return s


def sort(n):
    v = []
    seed = 1
    for _ in range(n):
        seed = (seed * 75 + 74) % 65537
        v.append(seed)
    for i in range(1, n):
        x = v[i]
        j = i - 1
        while j >= 0 and v[j] > x:
            v[j + 1] = v[j]
            j -= 1
        v[j + 1] = x
    return v[0] + v[n // 2] + v[n - 1]


RUNS = {
    "arith": lambda: arith(3000000),
    "append": lambda: append(300000),
    "calls": lambda: calls(1000000),
    "member": lambda: member(1000000),
    "surface": lambda: surface(300),
    "fib": lambda: fib(25),
    "collatz": lambda: collatz(30000),
    "grid": lambda: grid(500),
    "sort": lambda: sort(2000),
}

name = sys.argv[1]
if name not in RUNS:
    print("unknown workload", name)
    sys.exit(2)
t = time.process_time()
check = RUNS[name]()
print(name, time.process_time() - t, repr(float(check)))
