"""Checks the TextMate grammar for Vesk: its keys, every rule it includes,
every pattern compiling, and the scopes it gives the sample and the words
of the language. Python's re stands in for Oniguruma: the grammar keeps to
what both read alike.
usage: textmate_check.py GRAMMAR SAMPLE TABLE WORDS
"""
import json
import re
import sys

failures = []


def fail(text):
    failures.append(text)


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def compile_pattern(text, where, first_line=True):
    # \A matches only at the start of the document; later lines never match.
    if not first_line:
        text = text.replace("\\A", "(?!)")
    try:
        return re.compile(text)
    except re.error as e:
        fail(f"{where}: pattern {text!r} does not compile: {e}")
        return None


def check_keys(g):
    for key in ("name", "scopeName", "patterns", "repository", "fileTypes"):
        if key not in g:
            fail(f"the grammar has no {key!r}")
    if g.get("scopeName") != "source.vesk":
        fail(f"scopeName is {g.get('scopeName')!r}, not 'source.vesk'")
    if "vsk" not in g.get("fileTypes", []):
        fail("fileTypes does not name vsk")
    if "firstLineMatch" in g:
        compile_pattern(g["firstLineMatch"], "firstLineMatch")


def rules(patterns, repo, where, seen=()):
    """The rules a pattern list stands for, includes resolved."""
    out = []
    for i, p in enumerate(patterns):
        here = f"{where}[{i}]"
        if "include" in p:
            ref = p["include"]
            if not ref.startswith("#") or ref[1:] not in repo:
                fail(f"{here}: include {ref!r} names no rule of the repository")
                continue
            if ref in seen:
                continue
            target = repo[ref[1:]]
            if "match" in target or "begin" in target:
                out.append(target)
            else:
                out += rules(target.get("patterns", []), repo, ref, seen + (ref,))
        elif "match" in p or "begin" in p:
            out.append(p)
        else:
            out += rules(p.get("patterns", []), repo, here, seen)
    return out


def check_patterns(g):
    """Every match, begin and end compiles, and every begin has an end."""
    def walk(node, where):
        if isinstance(node, dict):
            for key in ("match", "begin", "end"):
                if key in node:
                    compile_pattern(node[key], f"{where}.{key}")
            if "begin" in node and "end" not in node:
                fail(f"{where}: begin without end")
            for key, value in node.items():
                walk(value, f"{where}.{key}")
        elif isinstance(node, list):
            for i, value in enumerate(node):
                walk(value, f"{where}[{i}]")
    walk(g.get("patterns"), "patterns")
    walk(g.get("repository"), "repository")


def capture_scopes(captures, m, scopes, base):
    for group, capture in (captures or {}).items():
        g = int(group)
        if "name" in capture and m.start(g) >= 0:
            for c in range(m.start(g), m.end(g)):
                scopes[c] = scopes[c] + [capture["name"]]


def tokenize(g, lines):
    """The scope stack of each byte of each line, as a TextMate editor
    finds it: at each place the earliest match wins, the open rule's end
    before its inner patterns, earlier patterns before later ones."""
    repo = g["repository"]
    top = rules(g["patterns"], repo, "patterns")
    stack = []  # (rule, compiled end, scope names)
    result = []
    for n, text in enumerate(lines):
        line = text + "\n"
        first = n == 0
        base = ["source.vesk"]
        scopes = [None] * len(line)
        pos = 0
        while pos <= len(line):
            current = base + [s for _, _, names in stack for s in names]
            candidates = []
            if stack:
                rule, end, _ = stack[-1]
                m = end.search(line, pos)
                if m:
                    candidates.append((m.start(), 0, "end", rule, m))
                inner = rules(rule.get("patterns", []), repo, "inner")
            else:
                inner = top
            for order, r in enumerate(inner, 1):
                m = compile_pattern(r.get("match", r.get("begin")), "rule", first).search(line, pos)
                if m:
                    candidates.append((m.start(), order, "begin" if "begin" in r else "match", r, m))
            if not candidates:
                for c in range(pos, len(line)):
                    scopes[c] = current
                break
            start, _, kind, r, m = min(candidates, key=lambda c: (c[0], c[1]))
            for c in range(pos, start):
                scopes[c] = current
            if kind == "end":
                for c in range(m.start(), m.end()):
                    scopes[c] = current
                capture_scopes(r.get("endCaptures", r.get("captures")), m, scopes, current)
                stack.pop()
            elif kind == "match":
                names = current + ([r["name"]] if "name" in r else [])
                for c in range(m.start(), m.end()):
                    scopes[c] = names
                capture_scopes(r.get("captures"), m, scopes, names)
            else:
                names = [r["name"]] if "name" in r else []
                for c in range(m.start(), m.end()):
                    scopes[c] = current + names
                capture_scopes(r.get("beginCaptures", r.get("captures")), m, scopes, current)
                stack.append((r, compile_pattern(r["end"], "end", first), names))
            if m.end() == pos and kind != "end":
                if pos < len(line):
                    scopes[pos] = scopes[pos] or current
                pos += 1
            else:
                pos = m.end()
        result.append(scopes)
    return result


def innermost(scopes):
    if not scopes or len(scopes) == 1:
        return "-"
    name = scopes[-1]
    return name[:-len(".vesk")] if name.endswith(".vesk") else name


def check_sample(g, sample_path, table_path):
    with open(sample_path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    tokens = tokenize(g, lines)
    text = "\n".join(lines)
    with open(table_path, encoding="utf-8") as f:
        for row in f:
            row = row.rstrip("\n")
            if not row.strip() or row.startswith("#"):
                continue
            _, expected, piece = row.split(None, 2)
            at = piece.index("@")
            found = text.find(piece.replace("@", "", 1))
            if found < 0:
                fail(f"the sample has no {piece!r}")
                continue
            offset = found + at
            n = text.count("\n", 0, offset)
            col = offset - (text.rfind("\n", 0, offset) + 1)
            got = innermost(tokens[n][col])
            if got != expected:
                fail(f"{piece!r} (line {n + 1}): scope {got}, expected {expected}")


KINDS = {
    "keyword": r"(keyword|storage|constant\.language)\.",
    "builtin": r"support\.function\.builtin$",
    "class": r"support\.class$",
    "global": r"(support\.constant|variable\.language)$",
}


def check_words(g, words_path):
    with open(words_path, encoding="utf-8") as f:
        words = [line.split() for line in f if line.strip()]
    tokens = tokenize(g, [w for _, w in words])
    for (kind, word), scopes in zip(words, tokens):
        got = innermost(scopes[0])
        whole = all(s == scopes[0] for s in scopes[:len(word)])
        if not re.match(KINDS[kind], got) or not whole:
            fail(f"the {kind} {word!r} gets scope {got}")


def main():
    grammar, sample, table, words = sys.argv[1:5]
    g = load(grammar)
    check_keys(g)
    check_patterns(g)
    if not failures:
        check_sample(g, sample, table)
        check_words(g, words)
    for text in failures:
        print("FAILED: TextMate:", text)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
