#!/usr/bin/env python3
"""Plants one fault at a time in the game's C++ sources, rebuilds what it
touches and runs the tests that cover it: a fault that every test survives is
a gap in the tests. Python 3 standard library only; see DEVELOPERS.md.

  tools/plant_faults.py --sample 60 --seed 1     a quick look
  tools/plant_faults.py --sample 0               every fault (about 5,700: 16 to 30 hours)
  tools/plant_faults.py --list --sample 20       the faults, nothing run
  tools/plant_faults.py --compare old.json new.json
"""
import argparse
import fcntl
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

# What covers what. A planted file takes the tiers of its longest matching
# key; a tier is (CMake targets to rebuild, ctest regex). Tiers run in order,
# each only when the ones before passed, so a caught fault costs little.
CORE = (("core_tests", "core_allocation_tests", "core_disk_flush_tests"), r"^core\.")
IMAGE = (("image_tests",), r"^image\.")
PLATFORM = (("platform_tests",), r"^platform\.")
RENDER = (("render_tests", "make_block_texture"), r"^render\.")
PLAY = (("stapelix_app", "screen_probe", "close_window"), r"^e2e\.PlaySession$")
COVERAGE = {
    "game/": [CORE, RENDER, PLAY],
    "app/": [PLAY],
    "store/": [CORE, RENDER, PLAY],
    "image/": [IMAGE, RENDER, PLAY],
    "render/": [RENDER, PLAY],
    "window/": [RENDER, PLAY],
    "platform/": [PLATFORM, RENDER, PLAY],
    "platform/win32.h": [CORE, PLATFORM, RENDER, PLAY],
}
# The whole-build tests, minutes each: a last tier, only with --slow.
WHOLE_BUILD = ("stapelix_app", "screen_probe")
SLOW = {
    "": (WHOLE_BUILD, r"^e2e\.SanitizedSession$|^windows\.Zip$"),
    "image/": (WHOLE_BUILD, r"^e2e\.SanitizedSession$|^fuzz_smoke$|^windows\.Zip$"),
    # The window's icon is seen only under wine, in the installed game.
    "window/": (WHOLE_BUILD, r"^e2e\.SanitizedSession$|^windows\.Zip$|^windows\.Installer$"),
}
FOLDERS = ("app", "game", "store", "image", "render", "window", "platform")
# Planted only when named in --folders: the Win32 numbers of the emulation.
# Every user sees the same changed value, so nearly every such fault changes
# nothing, and each one rebuilds almost the whole tree (minutes).
LEFT_OUT = ("platform/win32.h", "platform/win32_extra.h")
# Built only by the Windows cross build, which runs with --slow alone.
WINDOWS_ONLY = re.compile(r"_windows\.cpp$")
SUFFIXES = (".cpp", ".h")
BUILD_TIMEOUT = 1800  # seconds; a build that long is a broken machine, not a fault
VERDICTS = ("caught", "timeout", "survived", "not built")

# Binary operators carry a blank on both sides in clang-formatted code, which
# tells `a < b` from a template's `<` and `a & b` from a reference.
BINARY = re.compile(r"(?<=\s)(<<|>>|<=|>=|==|!=|&&|\|\||\+=|-=|<|>|\+|-|&|\|)(?=\s)")
BINARY_FAULTS = {
    "<": ("<=", ">"), "<=": ("<",), ">": (">=", "<"), ">=": (">",), "==": ("!=",), "!=": ("==",),
    "&&": ("||",), "||": ("&&",), "+": ("-",), "-": ("+",), "+=": ("-=",), "-=": ("+=",),
    "&": ("|",), "|": ("&",), "<<": (">>",), ">>": ("<<",),
}
BINARY_KINDS = {"<": "compare", "<=": "compare", ">": "compare", ">=": "compare",
                "==": "compare", "!=": "compare", "&&": "logic", "||": "logic",
                "<<": "bits", ">>": "bits", "&": "bits", "|": "bits"}  # the rest: arith
STEP = re.compile(r"(?<![+\-])(\+\+|--)(?![+\-=])")
BOOL = re.compile(r"\b(true|false|TRUE|FALSE)\b")
BOOL_FAULTS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}
# Octal and floating literals are left alone; a suffix stays as it was.
INTEGER = re.compile(r"(?<![\w.'])(0[xX][0-9A-Fa-f]+|[1-9][0-9]*|0)([uUlL]*)(?![\w.'])")
CONDITION = re.compile(r"\b(if|while)\s*\(")
CALL = re.compile(r"^[ \t]*((?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*))\s*\(", re.M)
KEYWORDS = {"return", "if", "while", "for", "switch", "sizeof", "static_assert", "delete",
            "case", "alignof", "decltype", "catch", "throw", "new"}
DIRECTIVE = re.compile(r"^[ \t]*#[ \t]*(define[ \t]+\w+(\([^)]*\))?|(?:[^\n]*\\\n)*[^\n]*)", re.M)
# Swapping a declaration with its use does not build; swapping two is a no-op.
DECLARATION = re.compile(r"^\s*(?:(?:const|constexpr|static|unsigned|struct|auto)\s+)*"
                         r"[A-Za-z_][\w:]*(?:<[^;=]*>)?(?:[\s*&]+const)?[\s*&]+"
                         r"[A-Za-z_]\w*\s*[=;\[{(,]")
NOT_A_STATEMENT = re.compile(r"^\s*(return|break|continue|case|default|goto|if|for|while|else|"
                             r"do|switch|using|typedef|delete|throw)\b")


def maskCode(text):
    """The text with comments, literal contents, static_asserts and every
    preprocessor line but a #define's value blanked; offsets stay put."""
    out = list(text)

    def blank(start, end):
        for k in range(start, end):
            if out[k] != "\n":
                out[k] = " "

    i = 0
    while i < len(text):
        if text.startswith("//", i) or text.startswith("/*", i):
            end = text.find("\n" if text[i + 1] == "/" else "*/", i + 2)
            end = len(text) if end < 0 else end + (0 if text[i + 1] == "/" else 2)
            blank(i, end)
            i = end
        elif text[i] in "\"'":
            end = i + 1
            while end < len(text) and text[end] not in (text[i], "\n"):
                end += 2 if text[end] == "\\" else 1
            blank(i + 1, end)
            i = end + 1
        else:
            i += 1
    for match in DIRECTIVE.finditer("".join(out)):
        blank(match.start(), match.end())
    masked = "".join(out)
    for match in re.finditer(r"\bstatic_assert\s*\(", masked):
        blank(match.start(), closingParen(masked, match.end() - 1) + 1)
    return "".join(out)


def closingParen(mask, opening):
    depth = 0
    for k in range(opening, len(mask)):
        depth += {"(": 1, ")": -1}.get(mask[k], 0)
        if depth == 0:
            return k
    return len(mask) - 1


def codeBlocks(mask):
    """For every offset, whether it lies in a function body: a brace after
    `)`, `else`, `do` or `const`, or a plain block inside one."""
    inCode, stack, current = bytearray(len(mask)), [], False
    for k, c in enumerate(mask):
        if c == "{":
            before = mask[:k].rstrip()
            stack.append(current)
            current = bool(before.endswith(")") or re.search(r"\b(else|do|const|noexcept)$", before)
                           or (current and before[-1:] in (";", "{", "}", ":")))
        elif c == "}" and stack:
            current = stack.pop()
        inCode[k] = current
    return inCode


def integerFaults(literal, suffix):
    value = int(literal, 0)
    for changed in (value + 1, value - 1):
        if changed < 0:
            continue
        if literal[:2] in ("0x", "0X"):
            digits = "%0" + str(len(literal) - 2) + ("X" if re.search("[A-F]", literal) else "x")
            yield literal[:2] + digits % changed + suffix
        else:
            yield str(changed) + suffix


def faultsIn(text):
    """Every fault a file can take, as (kind, start, end, replacement)."""
    mask = maskCode(text)
    inCode = codeBlocks(mask)
    for match in BINARY.finditer(mask):
        for new in BINARY_FAULTS[match.group(1)]:
            yield BINARY_KINDS.get(match.group(1), "arith"), match.start(), match.end(), new
    for match in STEP.finditer(mask):
        yield "arith", match.start(), match.end(), "--" if match.group(1) == "++" else "++"
    for match in BOOL.finditer(mask):
        yield "bool", match.start(), match.end(), BOOL_FAULTS[match.group(1)]
    for match in INTEGER.finditer(mask):
        for new in integerFaults(match.group(1), match.group(2)):
            yield "constant", match.start(), match.end(), new
    for match in CONDITION.finditer(mask):
        opening = match.end() - 1
        closing = closingParen(mask, opening)
        yield "negate", opening + 1, closing, "!(" + text[opening + 1:closing] + ")"
    # A call that is a whole statement on its own line(s); macros (all capitals)
    # are left alone, they may expand to declarations.
    for match in CALL.finditer(mask):
        start, name = match.start(1), match.group(2)
        if re.split(r"\W", match.group(1))[0] in KEYWORDS or name.isupper() or not inCode[start]:
            continue
        closing = closingParen(mask, match.end() - 1)
        after = re.match(r"\s*;[ \t]*(\n|$)", mask[closing + 1:])
        before = mask[:match.start()].rstrip()
        if after and (before[-1:] in (";", "{", "}", ")", ":") or before.endswith("else")):
            yield "drop", start, closing + 1 + after.group(0).index(";") + 1, "{}"
    # Two adjacent one-line statements at the same depth, the first one
    # starting a statement.
    lines = mask.split("\n")
    offsets = [0]
    for line in lines:
        offsets.append(offsets[-1] + len(line) + 1)
    previous = ""  # the last line with code on it
    for n in range(len(lines) - 1):
        first, second = lines[n], lines[n + 1]
        if simpleStatement(first) and simpleStatement(second) and inCode[offsets[n]] \
                and previous[-1:] in (";", "{", "}", ":") and indent(first) == indent(second) \
                and first.strip() != second.strip():
            start, middle, end = offsets[n], offsets[n + 1], offsets[n + 2] - 1
            yield "swap", start, end, text[middle:end] + "\n" + text[start:middle - 1]
        previous = first.rstrip() or previous


def simpleStatement(line):
    return line.rstrip().endswith(";") and not re.search(r"[{}]", line) \
        and line.count("(") == line.count(")") and not NOT_A_STATEMENT.match(line) \
        and not DECLARATION.match(line)


def indent(line):
    return len(line) - len(line.lstrip())


def collectFaults(root, folders, seed, slow):
    """All faults of the folders (or files), each with its sampling key. The
    key is a hash of --seed, the fault's file, kind and text, never its line
    number, so a change elsewhere in a file does not reshuffle the sample."""
    faults = []
    for folder in folders:
        where = root / folder
        for path in sorted([where] if where.is_file() else where.rglob("*")):
            name = path.relative_to(root).as_posix()
            if path.suffix not in SUFFIXES or (name in LEFT_OUT and name != folder):
                continue
            if WINDOWS_ONLY.search(name) and not slow and name != folder:
                continue
            text = path.read_bytes().decode("utf-8", "surrogateescape")
            seen = {}
            for kind, start, end, new in sorted(set(faultsIn(text))):
                lineStart = text.rfind("\n", 0, start) + 1
                lineEnd = text.find("\n", end)
                lineEnd = len(text) if lineEnd < 0 else lineEnd
                before = text[lineStart:lineEnd]
                after = text[lineStart:start] + new + text[end:lineEnd]
                identity = "\0".join((name, kind, before.strip(), after.strip()))
                seen[identity] = seen.get(identity, 0) + 1
                key = "%d\0%s\0%d" % (seed, identity, seen[identity])
                faults.append({"file": name, "line": text.count("\n", 0, start) + 1,
                               "kind": kind, "start": start, "end": end, "new": new,
                               "before": before, "after": after,
                               "key": hashlib.sha256(key.encode("utf-8", "surrogateescape"))
                               .hexdigest()})
    return faults


def tiersFor(name, slow):
    def longest(table):
        return table[max((key for key in table if name.startswith(key)), key=len)]
    return longest(COVERAGE) + ([longest(SLOW)] if slow else [])


def run(command, timeout):
    """Runs a command in its own process group, which goes down whole on a
    timeout or an interrupt. Returns (exit code or None on timeout, output)."""
    with tempfile.TemporaryFile("w+", errors="replace") as output:
        process = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
        try:
            code = process.wait(timeout=timeout)
        except BaseException as error:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass  # the whole group had ended already
            process.wait()
            if not isinstance(error, subprocess.TimeoutExpired):
                raise
            code = None
        output.seek(0)
        return code, output.read()


def build(buildDir, targets, jobs):
    command = ["cmake", "--build", str(buildDir), "-j%d" % jobs, "--target", *targets]
    return run(command, BUILD_TIMEOUT)


def runTests(buildDir, regex, jobs, timeout):
    """The tier's verdict: (None, "") when every test passed, else
    ("caught" or "timeout", the failed tests)."""
    code, output = run(["ctest", "--test-dir", str(buildDir), "-R", regex, "-j%d" % jobs,
                        "--stop-on-failure", "--no-tests=error", "--timeout", str(int(timeout))],
                       timeout)
    if code is None:
        return "timeout", "killed after %d s" % timeout
    if code == 0:
        return None, ""
    failed = re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", output.split("tests FAILED:")[-1], re.M)
    if not failed:
        return "caught", "ctest exit %d: %s" % (code, output.strip().splitlines()[-1:])
    verdict = "timeout" if any(status == "Timeout" for _, status in failed) else "caught"
    return verdict, " ".join(name for name, _ in failed)


def firstError(output, root):
    lines = [line for line in output.splitlines() if "error:" in line]
    line = (lines or output.strip().splitlines()[-1:] or [""])[0]
    return line.replace(str(root) + "/", "").strip()[:200]


def plant(root, fault, pristine, buildDir, jobs, timeouts, slow):
    """Plants one fault, runs its tiers and puts the file back, whatever
    happens. The restored file keeps its new time stamp, so the next build
    recompiles what the fault touched."""
    path = root / fault["file"]
    text = pristine[fault["file"]].decode("utf-8", "surrogateescape")
    planted = text[:fault["start"]] + fault["new"] + text[fault["end"]:]
    path.write_bytes(planted.encode("utf-8", "surrogateescape"))
    try:
        for targets, regex in tiersFor(fault["file"], slow):
            code, output = build(buildDir, targets, jobs)
            if code != 0:
                return "not built", firstError(output, root)
            verdict, detail = runTests(buildDir, regex, jobs, timeouts[regex])
            if verdict:
                return verdict, detail
        return "survived", ""
    finally:
        path.write_bytes(pristine[fault["file"]])


def prepare(root, buildDir, faults, jobs, timeout, slow):
    """Configures the build directory if it is new, builds every target the
    faults need and runs every tier once unplanted: the tests must pass
    before a fault can mean anything. Returns the targets and each tier's
    test timeout."""
    if not (buildDir / "CMakeCache.txt").exists():
        # CI's tests and warnings as errors (a fault that does not build there
        # does not build here), at -O2 and without debug information, which
        # keep every compile and link short.
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        code, output = run(["cmake", "-S", str(root), "-B", str(buildDir), *generator,
                            "-DCMAKE_BUILD_TYPE=Release", "-DSTAPELIX_SHIP_FLAGS=-O2",
                            "-DSTAPELIX_TESTS=ON", "-DSTAPELIX_WERROR=ON", "-DSTAPELIX_BENCH=OFF"],
                           BUILD_TIMEOUT)
        if code != 0:
            sys.exit("Configuring %s failed:\n%s" % (buildDir, output[-3000:]))
    tiers = {}
    for fault in faults:
        for targets, regex in tiersFor(fault["file"], slow):
            tiers.setdefault(regex, set()).update(targets)
    targets = sorted(set().union(*tiers.values()))
    code, output = build(buildDir, targets, jobs)
    if code != 0:
        sys.exit("The unplanted tree does not build:\n%s" % output[-3000:])
    timeouts = {}
    for regex in tiers:
        began = time.monotonic()
        verdict, detail = runTests(buildDir, regex, jobs, 3600)
        if verdict:
            sys.exit("Tests %s fail with no fault planted (%s): fix them first." % (regex, detail))
        seconds = time.monotonic() - began
        timeouts[regex] = timeout or max(60, 3 * seconds)
        print("Unplanted %-40s %5.1f s, timeout %d s" % (regex, seconds, timeouts[regex]))
    return targets, timeouts


def totals(faults):
    counts = {verdict: 0 for verdict in VERDICTS}
    for fault in faults:
        counts[fault["verdict"]] += 1
    built = len(faults) - counts["not built"]
    counts["planted"] = len(faults)
    caught = counts["caught"] + counts["timeout"]
    counts["catch rate"] = round(100.0 * caught / built, 1) if built else None
    return counts


def shown(snippet):
    """A fault's lines on one line: a swap spans two."""
    return "  ".join(line.strip() for line in snippet.splitlines())


def describe(fault):
    return "%s:%d  %s\n  - %s\n  + %s" % (fault["file"], fault["line"], fault["kind"],
                                        shown(fault["before"]), shown(fault["after"]))


def report(faults):
    row = "%-32s %7s %6s %8s %9s %7s"
    print("\n" + row % ("file", "planted", "caught", "survived", "not built", "timeout"))
    for name in sorted({fault["file"] for fault in faults}) + [None]:
        counts = totals([fault for fault in faults if name in (None, fault["file"])])
        print(row % (name or "total", counts["planted"], counts["caught"] + counts["timeout"],
                     counts["survived"], counts["not built"], counts["timeout"]))
    print("Catch rate: %s%% of the %d faults that built (caught counts timeouts)"
          % (counts["catch rate"], counts["planted"] - counts["not built"]))
    survivors = [fault for fault in faults if fault["verdict"] == "survived"]
    print("\nSurvivors:" if survivors else "")
    for fault in survivors:
        print(describe(fault))


def compare(oldPath, newPath):
    old, new = (json.loads(Path(path).read_text()) for path in (oldPath, newPath))
    for field in ("seed", "sample", "folders", "slow"):
        if old[field] != new[field]:
            print("Note: %s differs: %s before, %s after" % (field, old[field], new[field]))
    print("%-12s %8s %8s" % ("", "before", "after"))
    for field in ("planted",) + VERDICTS + ("catch rate",):
        print("%-12s %8s %8s" % (field, old["totals"][field], new["totals"][field]))

    def identity(fault):
        return fault["file"], fault["kind"], fault["before"].strip(), fault["after"].strip()
    before = {identity(fault): fault["verdict"] for fault in old["faults"]}
    common = [fault for fault in new["faults"] if identity(fault) in before]
    print("%d faults in both runs; those now caught or now surviving:" % len(common))
    for fault in common:
        was, now = before[identity(fault)], fault["verdict"]
        if was != now and "survived" in (was, now):
            print("%s -> %s  %s" % (was, now, describe(fault)))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seed", type=int, default=1, help="sampling seed (default 1)")
    parser.add_argument("--sample", type=int, default=60,
                        help="faults to plant, 0 = all (default 60)")
    parser.add_argument("--folders", nargs="+", default=list(FOLDERS),
                        help="folders or files to plant in (default: every planted folder)")
    parser.add_argument("--only", nargs="+", metavar="FILE:LINE",
                        help="only the faults on these lines (with --sample 0: all of them)")
    parser.add_argument("--build-dir", default="build/mutate",
                        help="CMake build directory, made if missing (default build/mutate)")
    parser.add_argument("--jobs", type=int, default=2,
                        help="parallel build and test jobs (default 2)")
    parser.add_argument("--timeout", type=float, default=0,
                        help="seconds one tier's tests may take with a fault planted "
                             "(default 3 x the unplanted run, at least 60)")
    parser.add_argument("--slow", action="store_true", help="also run the whole-build tests")
    parser.add_argument("--list", action="store_true", help="print the faults, run nothing")
    parser.add_argument("--json", help="results file (default <build-dir>/planted_faults.json)")
    parser.add_argument("--compare", nargs=2, metavar=("OLD", "NEW"),
                        help="compare two results files")
    args = parser.parse_args()
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # `--list | head` ends quietly
    if args.compare:
        return compare(*args.compare)

    root = Path(__file__).resolve().parent.parent
    folders = [folder.strip("/") for entry in args.folders for folder in entry.split(",") if folder]
    unknown = [folder for folder in folders
               if folder.split("/")[0] not in FOLDERS or not (root / folder).exists()]
    if unknown:
        sys.exit("Not in a planted folder: %s (the folders: %s)"
                 % (" ".join(unknown), " ".join(FOLDERS)))
    population = collectFaults(root, folders, args.seed, args.slow)
    if args.only:
        population = [fault for fault in population
                      if "%s:%d" % (fault["file"], fault["line"]) in args.only]
    chosen = sorted(population, key=lambda fault: fault["key"])[:args.sample or None]
    chosen.sort(key=lambda fault: (fault["file"], fault["start"], fault["new"]))
    print("%d faults chosen of %d (seed %d) in %s"
          % (len(chosen), len(population), args.seed, " ".join(folders)))
    if args.list:
        for fault in chosen:
            print(describe(fault))
        return

    dirty = subprocess.run(["git", "-C", str(root), "status", "--porcelain", "--", *folders],
                           capture_output=True, text=True)
    if dirty.returncode != 0 or dirty.stdout.strip():
        sys.exit("Refusing to plant: %s\nCommit or stash the changes in %s first."
                 % ((dirty.stdout + dirty.stderr).strip(), " ".join(folders)))
    buildDir = (root / args.build_dir).resolve()
    buildDir.mkdir(parents=True, exist_ok=True)
    lock = open(buildDir / ".plant_faults.lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit("Another run is planting faults with %s." % buildDir)
    pristine = {fault["file"]: (root / fault["file"]).read_bytes() for fault in chosen}

    def interrupted(signalNumber, frame):
        raise KeyboardInterrupt
    # A shell that starts the runner in the background ignores SIGINT for it.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGHUP, interrupted)

    try:
        targets, timeouts = prepare(root, buildDir, chosen, args.jobs, args.timeout, args.slow)
    except KeyboardInterrupt:
        sys.exit("Interrupted before any fault was planted.")
    done, stopped, began = [], False, time.monotonic()
    try:
        for number, fault in enumerate(chosen, 1):
            start = time.monotonic()
            fault["verdict"], fault["detail"] = plant(root, fault, pristine, buildDir,
                                                      args.jobs, timeouts, args.slow)
            fault["seconds"] = round(time.monotonic() - start, 1)
            done.append(fault)
            print("[%3d/%d] %s:%d %-8s %-9s %5.1f s  %s"
                  % (number, len(chosen), fault["file"], fault["line"], fault["kind"],
                     fault["verdict"], fault["seconds"], fault["detail"][:80]), flush=True)
    except KeyboardInterrupt:
        stopped = True
        print("\nInterrupted: every file is back as it was; results so far follow.")
    finally:
        for name, content in pristine.items():
            if (root / name).read_bytes() != content:
                (root / name).write_bytes(content)
    if not stopped:
        build(buildDir, targets, args.jobs)  # the build directory matches the sources again

    report(done)
    print("%d faults in %.0f s" % (len(done), time.monotonic() - began))
    head = subprocess.run(["git", "-C", str(root), "rev-parse", "HEAD"],
                          capture_output=True, text=True).stdout.strip()
    fields = ("file", "line", "kind", "before", "after", "verdict", "detail", "seconds")
    results = {"seed": args.seed, "sample": args.sample, "folders": folders, "slow": args.slow,
               "population": len(population), "interrupted": stopped, "commit": head,
               "totals": totals(done),
               "faults": [{field: fault[field] for field in fields} for fault in done]}
    jsonPath = Path(args.json) if args.json else buildDir / "planted_faults.json"
    jsonPath.write_text(json.dumps(results, indent=1) + "\n")
    print("Results: %s" % jsonPath)


if __name__ == "__main__":
    main()
