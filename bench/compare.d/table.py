"""Turns the "round", "sample" and "check" lines of bench/compare's runs
into the table: the median of every side's repetitions, wall clock and
processor time; the ratios the targets speak of, each the median of the
ratios of the rounds (the sides of one round ran minutes apart at most, so
the machine's slow swings of load cancel out); and whether the sides agreed.

usage: python3 table.py RESULTS_FILE
"""
import statistics
import sys

# (label, {column: (workload, side)}) for the figures table.
FIGURES = [
    ("1 1M triangles, immediate mode", {"C": ("triangles", "c"), "module": ("triangles", "module"),
                                         "PyOpenGL": ("triangles", "py_imm")}),
    ("1 1M triangles, the handler's reading", {"module": ("triangles_read", "module")}),
    ("1 1M triangles, numpy VBO upload+draw", {"PyOpenGL": ("triangles", "py_vbo")}),
    ("1 1M triangles, numpy VBO draw only", {"PyOpenGL": ("triangles", "py_vbo_drawonly")}),
    ("2 1M triangles, display list replay", {"C": ("list", "c"), "module": ("list", "module"),
                                              "PyOpenGL": ("list", "py")}),
    ("3 10 000 spheres", {"C": ("spheres", "c"), "module": ("spheres", "module"),
                          "PyOpenGL": ("spheres", "py")}),
    ("4 1 000 pick passes, 100 spheres", {"C": ("picking", "c"), "module": ("picking", "module"),
                                          "PyOpenGL": ("picking", "py")}),
    ("4 pick passes, the calls without drawing", {"module": ("picking_calls", "module")}),
    ("5 100 read-backs of 512 x 512", {"C": ("readback", "c"), "module": ("readback", "module"),
                                       "PyOpenGL": ("readback", "py")}),
]
COLUMNS = ["C", "module", "PyOpenGL"]

# (label, numerator, denominator, target): the ratio is numerator / denominator;
# a target (bound, "max" or "min") says which side of the bound it should be on.
RATIOS = [
    ("1 triangles   module / C", ("triangles", "module"), ("triangles", "c"), (1.2, "max")),
    ("1 triangles   module's reading alone / C", ("triangles_read", "module"), ("triangles", "c"), None),
    ("1 triangles   PyOpenGL imm / module", ("triangles", "py_imm"), ("triangles", "module"), (5.0, "min")),
    ("1 triangles   PyOpenGL imm / C", ("triangles", "py_imm"), ("triangles", "c"), None),
    ("1 triangles   PyOpenGL VBO upload+draw / module", ("triangles", "py_vbo"), ("triangles", "module"), None),
    ("2 list        module / C", ("list", "module"), ("list", "c"), None),
    ("2 list        PyOpenGL VBO upload+draw / module list", ("triangles", "py_vbo"), ("list", "module"),
     (1.0, "min")),
    ("2 list        PyOpenGL VBO draw only / module list", ("triangles", "py_vbo_drawonly"), ("list", "module"),
     None),
    ("3 spheres     module / C", ("spheres", "module"), ("spheres", "c"), None),
    ("3 spheres     PyOpenGL / module", ("spheres", "py"), ("spheres", "module"), None),
    ("4 picking     module / C", ("picking", "module"), ("picking", "c"), (1.2, "max")),
    ("4 picking     module's calls alone / C", ("picking_calls", "module"), ("picking", "c"), None),
    ("4 picking     PyOpenGL / module", ("picking", "py"), ("picking", "module"), None),
    ("5 read-back   module / C", ("readback", "module"), ("readback", "c"), None),
    ("5 read-back   PyOpenGL / module", ("readback", "py"), ("readback", "module"), None),
]


def read(path):
    """{(round, workload, side): ([wall ms...], [processor ms...])} and
    {workload: {side: {check texts of every round}}}."""
    samples, checks, round_ = {}, {}, 0
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) == 2 and words[0] == "round":
                round_ = int(words[1])
            elif len(words) == 5 and words[0] == "sample":
                wall, cpu = samples.setdefault((round_, words[1], words[2]), ([], []))
                wall.append(float(words[3]))
                cpu.append(float(words[4]))
            elif len(words) >= 4 and words[0] == "check":
                checks.setdefault(words[1], {}).setdefault(words[2], set()).add(" ".join(words[3:]))
    return samples, checks


def medians(samples, key, round_=None):
    """Median wall and processor ms of a (workload, side) over every round,
    or over one round; None when it did not run."""
    wall, cpu = [], []
    for (r, work, side), (w, c) in samples.items():
        if (work, side) == key and round_ in (None, r):
            wall += w
            cpu += c
    return (statistics.median(wall), statistics.median(cpu), len(wall)) if wall else None


def paired_ratio(samples, top, bottom):
    """The median over the rounds of each round's ratio of medians, wall and
    processor, with the rounds' smallest and largest wall ratio; None when
    no round has both."""
    walls, cpus = [], []
    for r in sorted({k[0] for k in samples}):
        a, b = medians(samples, top, r), medians(samples, bottom, r)
        if a and b and b[0] > 0 and b[1] > 0:
            walls.append(a[0] / b[0])
            cpus.append(a[1] / b[1])
    if not walls:
        return None
    return statistics.median(walls), statistics.median(cpus), min(walls), max(walls)


def figure(m):
    return "-" if m is None else "%.0f | %.0f" % (m[0], m[1])


def verdict(ratio, target):
    if target is None:
        return ""
    bound, kind = target
    met = ratio <= bound if kind == "max" else ratio >= bound
    return "%s %g: %s" % ("at most" if kind == "max" else "at least", bound, "met" if met else "MISSED")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: table.py RESULTS_FILE")
    samples, checks = read(sys.argv[1])
    counts = sorted({len(v[0]) for v in samples.values()})
    rounds = len({k[0] for k in samples})
    print("Medians in milliseconds, wall clock | processor time of the whole process "
          "(%d round%s, %s repetition%s each)." % (rounds, "" if rounds == 1 else "s", "/".join(map(str, counts)),
                                                   "" if counts == [1] else "s"))
    print()
    print("%-38s %15s %15s %15s" % ("workload", *COLUMNS))
    for label, cells in FIGURES:
        row = [figure(medians(samples, cells[c])) if c in cells else "" for c in COLUMNS]
        if any(r not in ("", "-") for r in row):
            print("%-38s %15s %15s %15s" % (label, *row))
    print()
    print("Ratios: the median of the rounds' ratios; above 1 the denominator is faster.")
    print("%-54s %6s %6s %13s   %s" % ("ratio", "wall", "cpu", "rounds (wall)", "target (on wall)"))
    for label, top, bottom, target in RATIOS:
        ratio = paired_ratio(samples, top, bottom)
        if ratio:
            wall, cpu, low, high = ratio
            print("%-54s %6.2f %6.2f  %5.2f .. %-5.2f  %s" % (label, wall, cpu, low, high, verdict(wall, target)))
    print()
    disagree = {w: c for w, c in checks.items() if len(set().union(*c.values())) > 1}
    if disagree:
        for work, by_side in sorted(disagree.items()):
            print("CHECK DIFFERS in %s: %s" % (work, "; ".join(
                "%s %s" % (side, " / ".join(sorted(texts))) for side, texts in sorted(by_side.items()))))
    elif checks:
        print("Checks agree: every side gave the same pixel sums and hits (%s)."
              % ", ".join(sorted(checks)))


if __name__ == "__main__":
    main()
