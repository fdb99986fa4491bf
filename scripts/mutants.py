#!/usr/bin/env python3
"""Helper of scripts/mutants.

  sample SEED COUNT            the seeded sample, one mutant a line (tab-separated)
  apply SAMPLE ID              writes mutant ID of the sample file into its source file
  reach BUILD_DIR FILE         the test executables whose build includes FILE, one a line
  follow SAMPLE                SAMPLE (written from an earlier source) with each mutant's line
                               found again in today's source by its text, the nearest match
                               to its old number; a mutant whose line is gone is left out and
                               named on standard error

Mutation sites are picked by regular expressions on code lines: comments, string and
character literals are blanked out first, and preprocessor lines, assertions and logging are
skipped. Line numbers never move: every mutant edits one line in place.
"""
import os
import random
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYERS = ["model", "bridge", "store", "platform", "ui", "updater", "window", "app"]
UPDATER_FILES = re.compile(
    r"^(Appcast|FeedUpdater|Update|Version|DesktopUpdateNotifier|MessageBoxUpdatePrompter)")
SKIP_LINE = re.compile(
    r"\b(Q_ASSERT\w*|static_assert|qC?(Debug|Info|Warning|Critical)|Q_UNUSED|Q_DECLARE\w*|"
    r"Q_LOGGING_CATEGORY|Q_OBJECT|Q_PROPERTY|Q_GADGET|Q_ENUM|namespace|using|template|"
    r"typedef|operator)\b")


def layer_of(path):
    parts = path.split("/")
    if parts[1] == "updater" or (parts[1] == "app" and UPDATER_FILES.match(parts[-1])):
        return "updater"
    return parts[1]


def mask_lines(text):
    """Each line with comments and literal contents replaced by spaces (same length)."""
    out, in_block = [], False
    for line in text.split("\n"):
        chars, i, n = list(line), 0, len(line)
        while i < n:
            if in_block:
                if line.startswith("*/", i):
                    chars[i] = chars[i + 1] = " "
                    in_block = False
                    i += 2
                    continue
                chars[i] = " "
                i += 1
            elif line.startswith("//", i):
                for j in range(i, n):
                    chars[j] = " "
                break
            elif line.startswith("/*", i):
                in_block = True
            elif line[i] in "\"'":
                quote, j = line[i], i + 1
                while j < n and line[j] != quote:
                    j += 2 if line[j] == "\\" else 1
                for k in range(i + 1, min(j, n)):
                    chars[k] = " "
                i = j + 1
            else:
                i += 1
        out.append("".join(chars))
    return out


def closing_paren(s, open_at):
    depth = 0
    for i in range(open_at, len(s)):
        if s[i] == "(":
            depth += 1
        elif s[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


SWAPS = {
    "cmp": [(" == ", " != "), (" != ", " == "), (" < ", " >= "), (" >= ", " < "), (" > ", " <= "),
            (" <= ", " > ")],
    "logic": [(" && ", " || "), (" || ", " && ")],
}
CALL = re.compile(r"^\s*((Q_EMIT|emit|co_await)\s+)?[\w:.\->\[\]*]+\(.*\);\s*$")
ASSIGN = re.compile(r"^\s*[\w.\->\[\]*]+ ([-+*/|&]?=) .*;\s*$")
STEP = re.compile(r"^\s*(\+\+|--)?[\w.\->]+(\+\+|--)?;\s*$")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
BOOL = re.compile(r"\b(true|false)\b")
VOID_FN = re.compile(r"^(void|QCoro::Task<>|QCoro::Task<void>) [\w:~]+\(")


def sites(path):
    """Every mutation site of a file: (line number, operator, before, after)."""
    text = open(os.path.join(ROOT, path), encoding="utf-8").read()
    lines, masked = text.split("\n"), mask_lines(text)
    found = []
    prev_code, fn_kind, fn_open = "", None, False
    for no, (line, m) in enumerate(zip(lines, masked), 1):
        code = m.strip()
        # The first statement of a function returning nothing: return early there.
        if VOID_FN.match(m):
            fn_kind = "co_return;" if m.startswith("QCoro") else "return;"
            fn_open = m.rstrip().endswith("{")
        elif fn_kind and not fn_open and code.endswith("{"):
            fn_open = True
        elif fn_kind and fn_open and code:
            if code != "}" and not code.startswith("#"):
                indent = len(line) - len(line.lstrip())
                found.append((no, "return", line, line[:indent] + fn_kind + " " + line[indent:]))
            fn_kind, fn_open = None, False
        if not code or code.startswith("#") or SKIP_LINE.search(m) or 'R"' in line:
            if code:
                prev_code = code
            continue
        for op, pairs in SWAPS.items():
            for a, b in pairs:
                at = m.find(a)
                while at >= 0:
                    found.append((no, op, line, line[:at] + b + line[at + len(a):]))
                    at = m.find(a, at + 1)
        for kw in ("if (", "while ("):
            at = m.find(kw)
            if at < 0 or (at > 0 and (m[at - 1].isalnum() or m[at - 1] == "_")):
                continue
            start = at + len(kw) - 1
            end = closing_paren(m, start)
            cond = m[start + 1:end]
            if end < 0 or ";" in cond or re.search(r"(^|[^=!<>])=($|[^=])", cond) or \
                    re.match(r"\s*(const|auto)\b", cond):
                continue
            found.append((no, "negate", line, line[:start + 1] + "!(" + line[start + 1:end] + ")" + line[end:]))
        for mt in NUMBER.finditer(m):
            value = int(mt.group(1))
            new = str(value + 1 if value == 0 else value - 1)
            found.append((no, "const", line, line[:mt.start()] + new + line[mt.end():]))
        for mt in BOOL.finditer(m):
            new = "false" if mt.group(1) == "true" else "true"
            found.append((no, "const", line, line[:mt.start()] + new + line[mt.end():]))
        statement_start = prev_code.endswith((";", "{", "}")) or prev_code == "else"
        if statement_start and code.count("(") == code.count(")") and \
                not re.match(r"(return|co_return|break|continue|case|default|const|static|auto)\b", code) and \
                (CALL.match(m) or ASSIGN.match(m) or STEP.match(m)):
            indent = len(line) - len(line.lstrip())
            found.append((no, "drop", line, line[:indent] + "{}"))
        prev_code = code
    return found


def sources():
    found = []
    for folder, _, files in os.walk(os.path.join(ROOT, "src")):
        found += [os.path.relpath(os.path.join(folder, f), ROOT) for f in files if f.endswith(".cpp")]
    return sorted(found)


def sample(seed, count):
    by_layer = {layer: {} for layer in LAYERS}
    for path in sources():
        for no, op, before, after in sites(path):
            by_layer[layer_of(path)].setdefault(op, []).append((path, no, op, before, after))
    sizes = {layer: sum(len(v) for v in ops.values()) for layer, ops in by_layer.items()}
    total = sum(sizes.values())
    # Every layer gets a fair share, the rest goes by how much code there is to mutate.
    floor = max(1, count // (2 * len(LAYERS)))
    quota = {layer: min(sizes[layer], floor) for layer in LAYERS}
    rest = count - sum(quota.values())
    for layer in LAYERS:
        quota[layer] += min(sizes[layer] - quota[layer], rest * sizes[layer] // total)
    rng = random.Random(seed)
    order = list(LAYERS)
    while sum(quota.values()) < min(count, total):
        layer = rng.choice([lay for lay in order if quota[lay] < sizes[lay]])
        quota[layer] += 1
    picked = []
    for layer in LAYERS:
        ops = {op: list(v) for op, v in sorted(by_layer[layer].items())}
        for _ in range(quota[layer]):
            # An operator first, then a site: rare operators are not drowned by constants.
            op = rng.choice([o for o, v in ops.items() if v])
            picked.append(ops[op].pop(rng.randrange(len(ops[op]))))
    picked.sort(key=lambda m: (m[0], m[1], m[2], m[4]))
    return picked


def escape(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t")


def unescape(s):
    return re.sub(r"\\(.)", lambda mt: "\t" if mt.group(1) == "t" else mt.group(1), s)


def cmd_sample(seed, count):
    for i, (path, no, op, before, after) in enumerate(sample(seed, count), 1):
        print("\t".join([str(i), path, str(no), layer_of(path), op, escape(before), escape(after)]))


def cmd_apply(sample_file, wanted):
    for row in open(sample_file, encoding="utf-8"):
        fields = row.rstrip("\n").split("\t")
        if fields[0] != wanted:
            continue
        path, no, before, after = fields[1], int(fields[2]), unescape(fields[5]), unescape(fields[6])
        full = os.path.join(ROOT, path)
        lines = open(full, encoding="utf-8").read().split("\n")
        if lines[no - 1] != before:
            sys.exit(f"mutants: {path}:{no} is no longer the sampled line")
        lines[no - 1] = after
        with open(full, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        return
    sys.exit(f"mutants: no mutant {wanted} in the sample")


def cmd_follow(sample_file):
    for row in open(sample_file, encoding="utf-8"):
        fields = row.rstrip("\n").split("\t")
        path, no, before = fields[1], int(fields[2]), unescape(fields[5])
        lines = open(os.path.join(ROOT, path), encoding="utf-8").read().split("\n")
        found = [i + 1 for i, line in enumerate(lines) if line == before]
        if not found:
            print(f"mutants: #{fields[0]} {path}:{no} is gone", file=sys.stderr)
            continue
        fields[2] = str(min(found, key=lambda n: abs(n - no)))
        print("\t".join(fields))


def parse_ninja(build_dir):
    graph, text = {}, open(os.path.join(build_dir, "build.ninja"), encoding="utf-8").read()
    for stmt in text.replace("$\n", " ").split("\n"):
        if not stmt.startswith("build "):
            continue
        head, _, tail = stmt[6:].partition(": ")
        outs = head.split("|")[0].split()
        deps = tail.replace("||", "|").split()
        rule, inputs = deps[0], [d for d in deps[1:] if d != "|"]
        for out in outs:
            graph[out] = (rule, inputs)
    return graph


def cmd_reach(build_dir, source):
    graph = parse_ninja(build_dir)
    target = os.path.join(ROOT, source)
    memo = {}

    def closure(node):
        if node in memo:
            return memo[node]
        memo[node] = set()
        acc = set()
        for dep in graph.get(node, ("", []))[1]:
            acc.add(dep)
            acc |= closure(dep)
        memo[node] = acc
        return acc

    for out, (rule, inputs) in sorted(graph.items()):
        if out.startswith("bin/") and rule.startswith("CXX_EXECUTABLE_LINKER") and \
                any(i.endswith("libtovi_testsupport.a") for i in inputs) and target in closure(out):
            print(out[4:])


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "sample":
        cmd_sample(int(args[0]), int(args[1]))
    elif cmd == "apply":
        cmd_apply(args[0], args[1])
    elif cmd == "reach":
        cmd_reach(args[0], args[1])
    elif cmd == "follow":
        cmd_follow(args[0])
    else:
        sys.exit(__doc__)
