"""What the benchmark scripts share: the named pairs (each generated here and
nowhere else, deterministically, into a work folder) and the timing of runs.

The scripts in bench/ import it as `import vesk_bench`; the C++ benchmarks read
the pairs from the files written here (bench/compare-with-diff --pairs ... writes
them to /tmp/vesk-bench).
"""
import glob
import importlib.machinery
import importlib.util
import os
import random
import signal
import statistics
import subprocess
import sys
import tempfile
import time

WORDS = ("alpha beta gamma delta return if else while for value count index node the of and error "
         "result buffer line file print self None True False import from class def with").split()


def varied_line(rng):
    words = [rng.choice(WORDS) for _ in range(rng.randint(3, 11))]
    return " ".join(words) + " %d\n" % rng.randrange(1_000_000)


def write(path, lines):
    with open(path, "w") as f:
        f.writelines(lines)


def pair_a(work, lines=1_000_000, changed_every=1000, tag="A"):
    rng = random.Random(1)
    first = [varied_line(rng) for _ in range(lines)]
    second = list(first)
    for at in range(rng.randrange(changed_every), lines, changed_every):
        second[at] = varied_line(rng)
    return store(work, tag, first, second)


def pair_b(work):
    rng = random.Random(2)
    first = [varied_line(rng) for _ in range(1_000_000)]
    second = [varied_line(rng) if rng.random() < 0.10 else line for line in first]
    return store(work, "B", first, second)


def pair_c(work):
    rng = random.Random(1)
    first = [varied_line(rng) for _ in range(1_000_000)]
    return store(work, "C", first, first)


def pair_d(work):
    rng = random.Random(4)
    first = ["distinct line %d %s\n" % (at, rng.choice(WORDS)) for at in range(100_000)]
    second = list(first)
    rng.shuffle(second)
    return store(work, "D", first, second)


def pair_e(work):
    rng = random.Random(5)
    first = ["}\n"] * 1_000_000
    second = list(first)
    for at in sorted(rng.sample(range(1_000_000), 100), reverse=True):
        second.insert(at, "inserted %d\n" % at)
    return store(work, "E", first, second)


def python_sources(version):
    roots = glob.glob("/root/.pyenv/versions/%s.*/lib/python%s" % (version, version))
    if not roots:
        return None
    root = sorted(roots)[-1]
    paths = []
    for folder, subfolders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        if relative.split(os.sep)[0] in ("test", "site-packages"):
            continue
        paths += [os.path.join(folder, name) for name in files if name.endswith(".py")]
    lines = []
    for path in sorted(paths):
        with open(path, "rb") as f:
            lines.append(f.read())
    return b"".join(lines)


def source_line(rng):
    """A line of C-like source: about a fifth blank or a lone brace."""
    roll = rng.random()
    indent = "    " * rng.randint(0, 3)
    if roll < 0.12:
        return "\n"
    if roll < 0.20:
        return indent + "}\n"
    if roll < 0.25:
        return indent + "if (%s > %d) {\n" % (rng.choice(WORDS), rng.randrange(100))
    return indent + "%s = %s(%s, %d);\n" % (rng.choice(WORDS), rng.choice(WORDS), rng.choice(WORDS),
                                            rng.randrange(1000))


def pair_s(work):
    """300,000 lines of source with 3,000 scattered edits: changes, insertions, deletions."""
    rng = random.Random(6)
    first = [source_line(rng) for _ in range(300_000)]
    second = list(first)
    for at in sorted(rng.sample(range(len(first) - 10), 3000), reverse=True):
        kind = rng.randrange(3)
        if kind == 0:
            second[at] = source_line(rng)
        elif kind == 1:
            second.insert(at, source_line(rng))
        else:
            del second[at]
    return store(work, "S", first, second)


def pair_f(work):
    old, new = python_sources("3.12"), python_sources("3.13")
    if old is None or new is None:
        return None
    paths = (os.path.join(work, "F-1.txt"), os.path.join(work, "F-2.txt"))
    for path, text in zip(paths, (old, new)):
        with open(path, "wb") as f:
            f.write(text)
    return paths


def store(work, tag, first, second):
    paths = (os.path.join(work, tag + "-1.txt"), os.path.join(work, tag + "-2.txt"))
    write(paths[0], first)
    write(paths[1], second)
    return paths


def run_once(command, timeout=None):
    """Wall seconds and peak resident KiB of one run, output to /dev/null; None
    when it takes longer than timeout seconds (then it is stopped).

    The peak comes from /usr/bin/time: a child forked from this (large) Python
    process would count the pages it shared with it before exec."""
    with tempfile.NamedTemporaryFile("r") as peak_file:
        start = time.perf_counter()
        with open(os.devnull, "wb") as sink:
            # A session of its own, so that a timeout stops the timed program
            # too, not only /usr/bin/time.
            child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak_file.name, *command],
                                     stdout=sink, stderr=sink, start_new_session=True)
            try:
                code = child.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(child.pid, signal.SIGKILL)
                child.wait()
                return None
        elapsed = time.perf_counter() - start
        if code not in (0, 1):
            sys.exit("%s ended with status %d" % (" ".join(command), code))
        return elapsed, int(peak_file.read().split()[-1])


def measure(commands, runs):
    """Runs the commands alternately; returns per command (median seconds, peak KiB)."""
    for command in commands:
        run_once(command)
    times = [[] for _ in commands]
    peaks = [0 for _ in commands]
    for _ in range(runs):
        for index, command in enumerate(commands):
            seconds, peak = run_once(command)
            times[index].append(seconds)
            peaks[index] = max(peaks[index], peak)
    return [(statistics.median(t), p) for t, p in zip(times, peaks)]


def floor_time(paths, runs):
    command = ["sh", "-c", 'cat "$0" "$1" > /dev/null', paths[0], paths[1]]
    return measure([command], runs)[0][0]


# Every named pair: a function of the work folder that writes the pair there
# and returns its two paths (None when it cannot be made on this machine).
PAIRS = {"A": pair_a, "B": pair_b, "C": pair_c, "D": pair_d, "E": pair_e, "F": pair_f, "S": pair_s}


def pair_paths(work, tag):
    """The pair's files in work, generated only when they are not there yet."""
    paths = (os.path.join(work, tag + "-1.txt"), os.path.join(work, tag + "-2.txt"))
    if all(os.path.exists(path) for path in paths):
        return paths
    return PAIRS[tag](work)


def script(name):
    """Another script of bench/ (they have no .py ending), loaded as a module."""
    loader = importlib.machinery.SourceFileLoader(name, os.path.join(os.path.dirname(__file__), name))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(name, loader))
    loader.exec_module(module)
    return module


if __name__ == "__main__":
    # python3 bench/vesk_bench.py FOLDER TAG...: writes the named pairs there.
    os.makedirs(sys.argv[1], exist_ok=True)
    for tag in sys.argv[2:]:
        print(tag, pair_paths(sys.argv[1], tag))
