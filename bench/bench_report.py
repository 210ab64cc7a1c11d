#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Turns the raw results of tools/bench.sh into docs/benchmarks.md and the chart's data."""
import argparse
import datetime
import json
import os
import platform
import re
import subprocess

DIGESTS = ["MD5", "SHA-1", "SHA-224", "SHA-256", "SHA-384", "SHA-512",
           "SHA3-224", "SHA3-256", "SHA3-384", "SHA3-512"]
MESSAGE_SIZES = [64, 1024, 16384, 1048576]
TEXT_SIZES = [16, 65536, 1048576]
TEXT_KINDS = ["ascii", "accents"]
KIND_NAMES = {"ascii": "ASCII", "accents": "Windows-1252 accents"}
BCRYPT_DIGESTS = ["MD5", "SHA-1", "SHA-256", "SHA-384", "SHA-512"]
# The parts of the page measured by 32-bit programs, each with the heading an
# earlier page gave it.
X86_ENGINE = ("## Linux 32-bit (the DLL's code generation): digest engine",)
X86_EXPORTS = ("## Linux 32-bit: export against the engine and libcrypto on the same text",
               "## Linux 32-bit: exports on texts")
WINDOWS = ("## 32-bit quorvalent.dll under Wine: export against the engine and bcrypt.dll",
           "## quorvalent.dll under Wine against bcrypt.dll")
REALIGN = ("## 32-bit quorvalent.dll: what building for a 4-byte stack boundary costs",)
# Engine ÷ libcrypto portable at 1 MiB in the masked run, measured on an AMD EPYC
# before the SHA extension and AVX2 forms, ours then on BMI2 SHA-1 and BMI1 Keccak
# as now: what the masked run must keep.
MASKED_BEFORE = {"MD5": 1.01, "SHA-1": 1.02, "SHA-224": 1.03, "SHA-256": 1.03, "SHA-384": 0.92, "SHA-512": 0.92,
                 "SHA3-224": 1.0, "SHA3-256": 1.0, "SHA3-384": 1.0, "SHA3-512": 1.0}
# A 16-byte call's export ÷ engine on ASCII, the engine's work unchanged since,
# and callgrind's instructions per 16-byte export call (x86-64), from the page
# of 2026-12-09, before the scratch block was kept and ASCII went in one copy:
# what later 16-byte calls must not fall below.
SIXTEEN_BEFORE = {
    "Linux x86-64": {"MD5": 0.70, "SHA-1": 0.62, "SHA-224": 0.57, "SHA-256": 0.57, "SHA-384": 0.77, "SHA-512": 0.81,
                     "SHA3-224": 0.81, "SHA3-256": 0.81, "SHA3-384": 0.83, "SHA3-512": 0.84},
    "Linux 32-bit": {"MD5": 0.42, "SHA-1": 0.59, "SHA-224": 0.50, "SHA-256": 0.50, "SHA-384": 0.75, "SHA-512": 0.71,
                     "SHA3-224": 0.78, "SHA3-256": 0.79, "SHA3-384": 0.82, "SHA3-512": 0.80},
    "64-bit DLL under wine64": {"MD5": 0.52, "SHA-1": 0.49, "SHA-224": 0.42, "SHA-256": 0.43, "SHA-384": 0.59,
                                "SHA-512": 0.56, "SHA3-224": 0.74, "SHA3-256": 0.70, "SHA3-384": 0.71,
                                "SHA3-512": 0.68},
    "32-bit DLL under Wine": {"MD5": 0.40, "SHA-1": 0.49, "SHA-224": 0.47, "SHA-256": 0.49, "SHA-384": 0.68,
                              "SHA-512": 0.71, "SHA3-224": 0.74, "SHA3-256": 0.73, "SHA3-384": 0.75, "SHA3-512": 0.74},
}
INSTRUCTIONS_BEFORE = {"MD5": 2215, "SHA-1": 3051, "SHA-224": 5192, "SHA-256": 5231, "SHA-384": 4985, "SHA-512": 5102,
                       "SHA3-224": 6883, "SHA3-256": 6898, "SHA3-384": 7010, "SHA3-512": 7098}
KEPT_NOTE = "32-bit programs ran under emulation in this run, where timings mean nothing, so the 32-bit figures " \
            "(the Linux 32-bit and Wine sections and their targets) are those of the last native run, measured on"


def load_medians(path):
    """name -> median record of one Google Benchmark JSON file."""
    with open(path) as handle:
        report = json.load(handle)
    medians = {}
    for record in report["benchmarks"]:
        if record.get("aggregate_name") == "median":
            if record.get("error_occurred"):
                raise SystemExit(f"{path}: {record['run_name']} failed: {record.get('error_message')}")
            medians[record["run_name"]] = record
    return medians


def load_context(path):
    """The context block of one Google Benchmark JSON file: the machine, and what digest_bench added."""
    with open(path) as handle:
        return json.load(handle).get("context", {})


def load_windows(path):
    """(implementation, digest, bytes, text kind) -> median nanoseconds per call."""
    results = {}
    with open(path) as handle:
        for line in handle:
            fields = line.split()
            if len(fields) == 6 and fields[0] == "windows":
                results[(fields[1], fields[2], int(fields[3]), fields[4])] = float(fields[5])
    return results


class Kept:
    """The 32-bit figures of the page written last, for a run without native 32-bit timings."""

    def __init__(self, path):
        with open(path) as handle:
            page = handle.read()
        found = re.search(re.escape(KEPT_NOTE) + r" (\d{4}-\d\d-\d\d)", page) or \
            re.search(r"^Run on (\d{4}-\d\d-\d\d)", page, re.MULTILINE)
        if not found:
            raise SystemExit(f"{path}: no date for its 32-bit figures")
        self.date = found.group(1)
        self.lines = page.split("\n")

    @staticmethod
    def cells(line):
        return [cell.strip() for cell in line.strip().strip("|").split("|")]

    def section(self, headings):
        """The section's lines up to the next heading or the chart, without a note of an earlier keeping,
        under the first of its headings that the page has, given the current one."""
        found = [heading for heading in headings if heading in self.lines]
        if not found:
            raise SystemExit(f"no native 32-bit figures to keep: the last page has no section '{headings[0]}'")
        start = self.lines.index(found[0])
        end = start + 1
        while end < len(self.lines) and not self.lines[end].startswith(("## ", "![")):
            end += 1
        return [headings[0]] + [line for line in self.lines[start + 1:end] if not line.startswith(KEPT_NOTE)]

    def target(self, text):
        """(text, measured, met) of a row of the targets table."""
        for line in self.lines:
            cells = self.cells(line)
            if len(cells) == 3 and cells[0] == text:
                return text, cells[1], cells[2] == status(True)
        raise SystemExit(f"no native 32-bit figures to keep: the last page has no target '{text}'")

    def column(self, headings, digest, text, title):
        """The number in one column, by its title, of the section's table row for a digest and a text."""
        lines = self.section(headings)
        header = next(self.cells(line) for line in lines if line.startswith("| Digest"))
        for line in lines:
            cells = self.cells(line)
            if cells[:2] == [digest, text]:
                return float(cells[header.index(title)].replace(",", ""))
        raise SystemExit(f"no row {digest} {text} in '{headings[0]}' of the last page")

    def numbers(self, heading, digest, size):
        """The figures of one table row, as numbers."""
        for line in self.section(heading):
            cells = self.cells(line)
            if cells[:2] == [digest, size_name(size)]:
                return [float(cell.replace(",", "")) for cell in cells[2:7]]
        raise SystemExit(f"no row {digest} {size_name(size)} in '{heading}' of the last page")


class Windows:
    """One DLL's run under Wine: the export, the engine linked in, BCryptHash, the fixed costs."""

    def __init__(self, work, preset):
        self.preset = preset
        self.results = load_windows(os.path.join(work, f"{preset}.txt"))
        for digest in DIGESTS:
            for size in TEXT_SIZES:
                for kind in TEXT_KINDS:
                    for implementation in ("ours", "engine") + (("bcrypt",) if digest in BCRYPT_DIGESTS
                                                                 and kind == "ascii" else ()):
                        if (implementation, digest, size, kind) not in self.results:
                            raise SystemExit(f"no {preset} result for {implementation} {digest} {size} {kind}")

    def ns(self, implementation, digest, size, kind="ascii"):
        if (implementation, digest, size, kind) not in self.results:
            raise SystemExit(f"no {self.preset} result for {implementation} {digest} {size} {kind}")
        return self.results[(implementation, digest, size, kind)]

    def versus_engine(self, digest, size, kind):
        return self.calls("ours", digest, size, kind) / self.calls("engine", digest, size, kind)

    def upper_ymm(self):
        """(digest, size, text kind) -> 1 when a call of the export returned with the upper YMM halves in use,
        0 when not, -1 where that could not be read."""
        return {key[1:]: value for key, value in self.results.items() if key[0] == "upper_ymm_in_use"}

    def calls(self, implementation, digest, size, kind="ascii"):
        return 1e9 / self.ns(implementation, digest, size, kind)


class Linux:
    """One build's two runs: libcrypto as it dispatches, then libcrypto scalar; ours is timed in both."""

    def __init__(self, work, preset):
        self.runs = {"default": load_medians(os.path.join(work, f"{preset}-default.json")),
                     "scalar": load_medians(os.path.join(work, f"{preset}-scalar.json"))}
        self.context = {run: load_context(os.path.join(work, f"{preset}-{run}.json")) for run in self.runs}

    def default_record(self, name):
        """A record of the default run by its full name, which a fixed iteration count extends."""
        for key in (name, f"{name}/iterations:1"):
            if key in self.runs["default"]:
                return self.runs["default"][key]
        raise SystemExit(f"no result for {name} in the default run")

    def default_ns(self, name):
        """Nanoseconds per item of a record of the default run, by its full name."""
        return 1e9 / self.default_record(name)["items_per_second"]

    def forms(self, run):
        """The forms ours ran in a run, as the benchmark wrote them into its context."""
        return self.context[run].get("qv_forms", "not recorded")

    def record(self, tier, implementation, digest, size, run="default", kind=None):
        name = implementation if implementation in ("ours", "engine") else "openssl"
        if implementation in ("scalar", "openssl"):
            run = implementation if implementation == "scalar" else "default"
        key = f"{tier}/{name}/{digest}/{size}" + (f"/{kind}" if kind else "")
        if key not in self.runs[run]:
            raise SystemExit(f"no result for {key} in the {run} run")
        return self.runs[run][key]

    def mbps(self, tier, implementation, digest, size, run="default", kind=None):
        return self.record(tier, implementation, digest, size, run, kind)["bytes_per_second"] / 1e6

    def calls(self, tier, implementation, digest, size, run="default", kind=None):
        return self.record(tier, implementation, digest, size, run, kind)["items_per_second"]

    def ns(self, tier, implementation, digest, size, run="default", kind=None):
        return 1e9 / self.calls(tier, implementation, digest, size, run, kind)

    def allocations(self, tier, implementation, digest, size, kind=None):
        return self.record(tier, implementation, digest, size, kind=kind).get("allocs_per_call", float("nan"))

    def upper_ymm(self):
        """(digest, size, text kind) -> 1, 0 or -1, as Windows.upper_ymm, from the default run's export records."""
        return {(d, size, kind): self.record("export", "ours", d, size, kind=kind).get("upper_ymm_in_use", -1)
                for d, size, kind in texts()}

    def versus_scalar(self, measure, tier, digest, size, kind=None):
        """ours ÷ libcrypto scalar, both from the masked run."""
        return ratio(measure(tier, "ours", digest, size, "scalar", kind), measure(tier, "scalar", digest, size, kind=kind))

    def versus_default(self, measure, tier, digest, size, kind=None):
        """ours ÷ libcrypto as it dispatches, both from the default run."""
        return ratio(measure(tier, "ours", digest, size, kind=kind), measure(tier, "openssl", digest, size, kind=kind))

    def versus_engine(self, digest, size, kind):
        """export ÷ engine on the same text, both from the default run."""
        return ratio(self.calls("export", "ours", digest, size, kind=kind),
                     self.calls("export", "engine", digest, size, kind=kind))


def engine_mbps(build, digest):
    """ours, libcrypto scalar and libcrypto at 16 KiB, the chart's figures."""
    return [build.mbps("engine", implementation, digest, 16384) for implementation in ("ours", "scalar", "openssl")]


def size_name(size):
    if size >= 1048576:
        return f"{size // 1048576} MiB"
    if size >= 1024:
        return f"{size // 1024} KiB"
    return f"{size} B"


def number(value):
    if value >= 100:
        return f"{value:,.0f}"
    return f"{value:.1f}"


def command_line(arguments):
    try:
        return subprocess.run(arguments, capture_output=True, text=True, check=False).stdout.strip().splitlines()[0]
    except (OSError, IndexError):
        return "unknown"


def machine_lines(work, repetitions, windows_repetitions):
    cpu = "unknown processor"
    with open("/proc/cpuinfo") as handle:
        for line in handle:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    # The day and load the run ended with, which a later --report-only keeps.
    ended = os.path.join(work, "run_ended.txt")
    day, load = (open(ended).read().split(None, 1) if os.path.exists(ended)
                 else (datetime.date.today().isoformat(), open("/proc/loadavg").read()))
    load = load.split()[:3]
    return [
        f"Run on {day}: {cpu}, {os.cpu_count()} cores, Linux {platform.release()}.",
        f"The machine is shared with other engineers' builds, so every figure is a median: of {repetitions} "
        f"repetitions for the Linux benchmarks (Google Benchmark), of {windows_repetitions} for the Wine one "
        f"(QueryPerformanceCounter). Load average at the end of the run: {' '.join(load)}.",
        f"Compilers: {command_line(['g++', '--version'])}; {command_line(['i686-w64-mingw32-g++-posix', '--version'])}. "
        f"libcrypto: {command_line(['openssl', 'version'])}. Wine: {command_line(['wine', '--version'])}.",
    ]


def ratio(ours, reference):
    return ours / reference if reference else float("nan")


def table(lines, header, align, rows):
    """A markdown table and the blank line after it: the header's cells, each column's alignment as a letter
    (l or r), and the rows' cells."""
    lines.append("| " + " | ".join(header) + " |")
    lines.append("|" + "".join("---:|" if column == "r" else "---|" for column in align))
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    lines.append("")


def engine_table(lines, build):
    table(lines, ["Digest", "Message", "ours MB/s", "libcrypto scalar MB/s", "libcrypto MB/s", "ours ÷ scalar",
                  "ours ÷ libcrypto"], "llrrrrr",
          ([digest, size_name(size), number(build.mbps("engine", "ours", digest, size)),
            number(build.mbps("engine", "scalar", digest, size)), number(build.mbps("engine", "openssl", digest, size)),
            f"{build.versus_scalar(build.mbps, 'engine', digest, size):.2f}",
            f"{build.versus_default(build.mbps, 'engine', digest, size):.2f}"]
           for digest in DIGESTS for size in MESSAGE_SIZES))


def texts():
    """(digest, size, kind) of every text row, in the tables' order."""
    return ((digest, size, kind) for digest in DIGESTS for size in TEXT_SIZES for kind in TEXT_KINDS)


def path_table(lines, build):
    table(lines, ["Digest", "Text", "export calls/s", "engine calls/s", "export ÷ engine", "libcrypto scalar calls/s",
                  "export ÷ scalar", "export ÷ libcrypto", "export MB/s", "allocations per call: export, libcrypto"],
          "llrrrrrrrl",
          ([digest, f"{size_name(size)} {KIND_NAMES[kind]}",
            number(build.calls("export", "ours", digest, size, kind=kind)),
            number(build.calls("export", "engine", digest, size, kind=kind)),
            f"{build.versus_engine(digest, size, kind):.2f}",
            number(build.calls("export", "scalar", digest, size, kind=kind)),
            f"{build.versus_scalar(build.calls, 'export', digest, size, kind):.2f}",
            f"{build.versus_default(build.calls, 'export', digest, size, kind):.2f}",
            number(build.mbps("export", "ours", digest, size, kind=kind)),
            f"{build.allocations('export', 'ours', digest, size, kind):g}, "
            f"{build.allocations('export', 'openssl', digest, size, kind):g}"]
           for digest, size, kind in texts()))


def windows_table(lines, windows):
    def row(digest, size, kind):
        ours = windows.calls("ours", digest, size, kind)
        engine = windows.calls("engine", digest, size, kind)
        has_bcrypt = digest in BCRYPT_DIGESTS and kind == "ascii"
        bcrypt = windows.calls("bcrypt", digest, size) if has_bcrypt else None
        return [digest, f"{size_name(size)} {KIND_NAMES[kind]}", number(ours), number(engine), f"{ours / engine:.2f}",
                number(bcrypt) if bcrypt else "–", f"{ours / bcrypt:.2f}" if bcrypt else "–",
                number(ours * size / 1e6)]

    table(lines, ["Digest", "Text", "export calls/s", "engine calls/s", "export ÷ engine", "BCryptHash calls/s",
                  "export ÷ BCryptHash", "export MB/s"], "llrrrrrr",
          (row(digest, size, kind) for digest, size, kind in texts()))


def realign_table(lines, work):
    """SHA-384 and SHA-512 from the shipped DLL against one built for 16-byte-aligned callers: medians of the
    rounds' medians, the two builds timed in turn."""
    rounds = {build: [load_windows(os.path.join(work, f"realign-{build}-{r}.txt")) for r in (1, 2, 3)]
              for build in ("win32", "win32-stack16")}

    def median(values):
        values = sorted(values)
        middle = len(values) // 2
        return values[middle] if len(values) % 2 else (values[middle - 1] + values[middle]) / 2

    lines += ["The shipped DLL assumes only the 4-byte stack alignment that 32-bit Windows callers guarantee, so its "
              "SSE2 SHA-512 rounds and the Keccak permutation realign the stack on entry. Below, the same source "
              "built for callers that keep 16 bytes (`QV_REALIGN_STACK=OFF`, which faults for the others), timed in "
              "turn with the shipped one under Wine, called from a GCC-built program that keeps 16. Medians of "
              "three rounds; above 0 % the shipped DLL is slower.", ""]

    def row(digest, size):
        shipped, aligned = (median([run[("ours", digest, size, "ascii")] for run in rounds[build]])
                            for build in ("win32", "win32-stack16"))
        return [digest, f"{size_name(size)} ASCII", number(shipped), number(aligned),
                f"{(shipped / aligned - 1) * 100:+.1f} %"]

    table(lines, ["Digest", "Text", "shipped, ns/call", "16-byte build, ns/call", "cost"], "llrrr",
          (row(digest, size) for digest in ("SHA-384", "SHA-512") for size in TEXT_SIZES))


def fixed_costs(lines, scratch_ns, texts_ns, export_ns, engine_ns):
    """The steps around the engine timed alone, beside the gap between export and engine on MD5."""
    def row(size, kind):
        scratch = scratch_ns(size) / 1e3
        texts_us = texts_ns(size, kind) / 1e3
        engine = engine_ns(size, kind) / 1e3
        return [f"{size_name(size)} {KIND_NAMES[kind]}", f"{scratch:.2f}", f"{texts_us:.2f}",
                f"{export_ns(size, kind) / 1e3 - engine:.2f}", f"{engine:.2f}", f"{(scratch + texts_us) / engine:.2f}"]

    table(lines, ["Text", "scratch memory, µs", "text step, µs", "MD5 export − engine, µs", "MD5 engine, µs",
                  "scratch + text step ÷ engine"], "lrrrrr",
          (row(size, kind) for size in TEXT_SIZES for kind in TEXT_KINDS))


STEP_PARTS = ["hash", "heap pairs (scratch, context, result)", "text steps (in, the bits, the result's digits)",
              "hex digits", "the rest (registration, bits, the export's own code, the caller's copy and FreeMem)"]


def step_parts(export_ns, step):
    """The time of a 16-byte call split into parts, from its steps timed alone (bench/call_steps.h): step(name)
    gives a step's nanoseconds. The hash and result steps include a heap pair each, counted once, under the pairs."""
    pairs = step("scratch_pair") + step("context_pair") + step("result_pair")
    parts = {
        STEP_PARTS[0]: step("hash") - step("context_pair"),
        STEP_PARTS[1]: pairs,
        STEP_PARTS[2]: step("texts") + step("hex_and_result") - step("hex") - step("result_pair"),
        STEP_PARTS[3]: step("hex"),
    }
    parts[STEP_PARTS[4]] = export_ns - sum(parts.values())
    return parts


def step_table(lines, export_ns, step):
    """One row per digest: the 16-byte export's nanoseconds and its parts, with their shares."""
    def row(digest):
        total = export_ns(digest)
        parts = step_parts(total, lambda name: step(name, digest))
        return [digest, f"{total:.0f}"] + [f"{parts[part]:.0f} ({parts[part] / total:.0%})" for part in STEP_PARTS]

    table(lines, ["Digest", "export + FreeMem, ns"] + STEP_PARTS, "lr" + "r" * len(STEP_PARTS),
          (row(digest) for digest in DIGESTS))


PASSES = ["memcpy", "strlen", "scan", "copy", "widen", "narrow"]
PASS_NAMES = {"memcpy": "C runtime's memcpy", "strlen": "C runtime's strlen", "scan": "ScanText: length and ASCII test",
              "copy": "CopyAsciiText: length, ASCII test and copy",
              "widen": "WidenAscii: bytes to units", "narrow": "NarrowAscii: units to bytes"}


def pass_table(lines, builds):
    """µs per MiB of each text pass at 64 KiB and 1 MiB; builds: (column title, pass_ns(name, size) or None)."""
    sizes = (65536, 1048576)

    def cell(value, size):
        return "–" if value is None else f"{value / 1e3 * 1048576 / size:.1f}"

    table(lines, ["Pass"] + [f"{title}, {size_name(size)}" for title, _ in builds for size in sizes],
          "l" + "r" * (len(sizes) * len(builds)),
          ([PASS_NAMES[name]] + [cell(pass_ns(name, size), size) for _, pass_ns in builds for size in sizes]
           for name in PASSES))


def profile_table(lines, profile):
    steps = list(next(iter(profile.values()))["steps"])

    def row(entry):
        return [f"{entry['export']:,.0f}", f"{entry['libcrypto']:,.0f}"] + \
            [f"{entry['steps'][step]:,.0f} ({entry['steps'][step] / entry['export']:.0%})" for step in steps]

    table(lines, ["Digest", "export + FreeMem", "libcrypto scalar one-shot + hex"] + steps, "lrr" + "r" * len(steps),
          ([digest] + row(profile[digest]) for digest in DIGESTS))


def callgrind_forms(profile):
    """The forms of the compressions the callgrind runs used, each from the digest that ran it."""
    used = {}
    for digest in DIGESTS:
        for form in profile[digest].get("forms", "").split(", "):
            compression, _, name = form.partition(" ")
            if name and name != "unchosen":
                used[compression] = name
    return ", ".join(f"{compression} {name}" for compression, name in used.items()) or "forms it did not record"


def status(met):
    return "met" if met else "**not met**"


def cpu_flags():
    with open("/proc/cpuinfo") as handle:
        for line in handle:
            if line.startswith("flags"):
                return set(line.split(":", 1)[1].split())
    return set()


def listing(figures):
    return ", ".join(f"{name} {value:.2f}" for name, value in figures.items())


def target(targets, text, figures, bound, why="", beside=""):
    """One row: the figures, and when the worst misses the bound, by how much and what stands in the way;
    beside, figures the row shows either way."""
    worst = min(figures, key=figures.get)
    met = figures[worst] >= bound
    measured = listing(figures)
    if beside:
        measured += f" ({beside})"
    if not met:
        measured += f". Short by {bound - figures[worst]:.2f} at the worst ({worst} {figures[worst]:.2f})"
        if why:
            measured += f"; {why}"
    targets.append((text, measured, met))


CACHED_FILE_BYTES = 256 << 20
LONG_FILE_BYTES = 5 << 30


def unicode_targets(targets, x64, wine64):
    """The targets of cifrado_data, cifrado_text and cifrado_file: Linux x86-64 from digest_bench's unicode/
    records, the 64-bit DLL from windows_bench's text, data, bcrypt_utf8, file and file_memory lines."""
    def linux(name):
        return x64.default_ns(name)

    def both_sizes(figure, digests=DIGESTS, kinds=("ascii",)):
        return {f"{d} {size_name(size)}" + ("" if kinds == ("ascii",) else f" {kind}"): figure(d, size, kind)
                for d in digests for size in (65536, 1048576) for kind in kinds}

    target(targets, "Linux x86-64: cifrado_data ÷ engine on the same bytes ≥ 0.98 at 64 KiB and 1 MiB",
           both_sizes(lambda d, size, kind: x64.ns("export", "engine", d, size, kind=kind)
                      / linux(f"unicode/data/{d}/{size}/{kind}")), 0.98)
    target(targets, "64-bit DLL under wine64: cifrado_data ÷ engine on the same bytes ≥ 0.98 at 64 KiB and 1 MiB",
           both_sizes(lambda d, size, kind: wine64.ns("engine", d, size) / wine64.ns("data", d, size)), 0.98)
    target(targets, "Linux x86-64, 16 B: cifrado_data + FreeMem ÷ libcrypto as it dispatches, one-shot (EVP_MD "
           "fetched once) + hex, calls/s ≥ 1.0",
           {d: x64.ns("export", "openssl", d, 16, kind="ascii") / linux(f"unicode/data/{d}/16/ascii")
            for d in DIGESTS}, 1.0, "one heap pair, the result's, is its floor; see the step-by-step table below")
    target(targets, "64-bit DLL under wine64, 16 B: cifrado_data ÷ BCryptHash + hex, plain ratio ≥ 1.0",
           {d: wine64.ns("bcrypt", d, 16) / wine64.ns("data", d, 16) for d in BCRYPT_DIGESTS}, 1.0)
    text_over_data = {}
    for d in DIGESTS:
        for size in (65536, 1048576):
            text_over_data[f"{d} {size_name(size)} wine64"] = wine64.ns("data", d, size) / wine64.ns("text", d, size)
            text_over_data[f"{d} {size_name(size)} Linux"] = (linux(f"unicode/data/{d}/{size}/ascii")
                                                              / linux(f"unicode/text/{d}/{size}/ascii"))
    target(targets, "cifrado_text ÷ cifrado_data on the same UTF-8 bytes, ASCII text, ≥ 0.95 at 64 KiB and 1 MiB "
           "(wine64: UTF-16 text; Linux: the UTF-8 text itself)", text_over_data, 0.95)
    target(targets, "64-bit DLL under wine64: cifrado_text ÷ cifrado_data on the same UTF-8 bytes, mixed text "
           "(Cyrillic, Chinese, emoji, ASCII), ≥ 0.85 at 64 KiB and 1 MiB",
           both_sizes(lambda d, size, kind: wine64.ns("data", d, size, "mixed") / wine64.ns("text", d, size, "mixed")),
           0.85, "the conversion of mixed text runs in vectors but still costs about a third of the time SHA-1 "
           "and SHA-256 take with the SHA extensions; the slower digests meet it")
    target(targets, "64-bit DLL under wine64: cifrado_text ÷ a caller's own WideCharToMultiByte(CP_UTF8) + "
           "BCryptHash + hex ≥ 1.0 at 16 B and 64 KiB",
           {f"{d} {size_name(size)} {kind}": wine64.ns("bcrypt_utf8", d, size, kind) / wine64.ns("text", d, size, kind)
            for d in BCRYPT_DIGESTS for size in (16, 65536) for kind in ("ascii", "mixed")}, 1.0)
    file_over_data = {}
    for d in DIGESTS:
        file_over_data[f"{d} wine64"] = (wine64.ns("data", d, CACHED_FILE_BYTES, "-")
                                         / wine64.ns("file", d, CACHED_FILE_BYTES, "-"))
        file_over_data[f"{d} Linux"] = (linux(f"unicode/data/{d}/{CACHED_FILE_BYTES}")
                                        / linux(f"unicode/file/{d}/{CACHED_FILE_BYTES}"))
    target(targets, "cifrado_file on a cached 256 MiB file ÷ cifrado_data on the same bytes in memory ≥ 0.9 "
           "(Linux x86-64 and wine64)", file_over_data, 0.9)
    growth = {"Linux": x64.default_record(f"unicode/file_memory/SHA-1/{LONG_FILE_BYTES}")["peak_growth_kib"] / 1024,
              "wine64": wine64.ns("file_memory", "SHA-1", LONG_FILE_BYTES, "-") / 1024}
    worst = max(growth, key=growth.get)
    targets.append(("Memory growth while cifrado_file hashes a 5 GiB file ≤ 2 MiB (the kernel's peak resident set, "
                    "reset before the call, above what the process held before; Linux and wine64)",
                    ", ".join(f"{name} {value:.2f} MiB" for name, value in growth.items())
                    + ("" if growth[worst] <= 2 else f". Over by {growth[worst] - 2:.2f} MiB ({worst})"),
                    growth[worst] <= 2))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--work", required=True)
    parser.add_argument("--markdown", required=True)
    parser.add_argument("--plot-data", required=True)
    parser.add_argument("--repetitions", type=int, required=True)
    parser.add_argument("--windows-repetitions", type=int, required=True)
    parser.add_argument("--keep-32bit", action="store_true",
                        help="no 32-bit results in --work: keep those of the page in --markdown")
    arguments = parser.parse_args()

    x64 = Linux(arguments.work, "host")
    wine64 = Windows(arguments.work, "win64")
    kept = Kept(arguments.markdown) if arguments.keep_32bit else None
    x86 = None if kept else Linux(arguments.work, "host32")
    wine32 = None if kept else Windows(arguments.work, "win32")
    with open(os.path.join(arguments.work, "call_profile.json")) as handle:
        profile = json.load(handle)
    flags = cpu_flags()
    bmi = "with BMI1 and BMI2" if {"bmi1", "bmi2"} <= flags else "without BMI"

    def linux_fixed(size, kind):
        return x64.default_ns(f"cost/scratch/-/{size}"), x64.default_ns(f"cost/texts/-/{size}/{kind}")

    def wine_fixed(size, kind):
        return wine64.results[("scratch", "-", size, "-")], wine64.results[("texts", "-", size, kind)]

    def fixed_note(fixed, engine_ns, size, kind):
        scratch, texts = fixed(size, kind)
        step = "one copy" if kind == "ascii" else "read into UTF-16, written back, measured"
        return (f"measured alone, the scratch memory ({scratch / 1e3:.1f} µs) and the text step ({texts / 1e3:.1f} µs: "
                f"{step}) are {(scratch + texts) / engine_ns:.0%} of the MD5 engine's {engine_ns / 1e3:.1f} µs on "
                "that text")

    def text_name(size, kind):
        return f"{size_name(size)} {KIND_NAMES[kind]}"

    # The 32-bit builds' export ratios: this run's, or those of the last native run's tables.
    def x86_ratio(title, digest, size, kind):
        if kept:
            return kept.column(X86_EXPORTS, digest, text_name(size, kind), title)
        if title == "export ÷ engine":
            return x86.versus_engine(digest, size, kind)
        return x86.versus_default(x86.calls, "export", digest, size, kind)

    def wine32_ratio(digest, size, kind):
        if kept:
            return kept.column(WINDOWS, digest, text_name(size, kind), "export ÷ engine")
        return wine32.versus_engine(digest, size, kind)

    kept_why = f"the last native 32-bit run's figures, of {kept.date}" if kept else ""

    def beside(build):
        """What a row of a build shows either way: that its figures are kept, for the 32-bit builds."""
        return kept_why if kept and "32-bit" in build else ""

    # Each build's export ÷ engine, by digest, size and text kind, with what a row says when it falls short.
    export_versus_engine = [
        ("Linux x86-64", x64.versus_engine,
         lambda size, kind: fixed_note(linux_fixed, x64.ns("export", "engine", "MD5", size, kind=kind), size, kind)),
        ("Linux 32-bit", lambda d, size, kind: x86_ratio("export ÷ engine", d, size, kind), lambda size, kind: ""),
        ("64-bit DLL under wine64", wine64.versus_engine,
         lambda size, kind: fixed_note(wine_fixed, wine64.ns("engine", "MD5", size, kind), size, kind)),
        ("32-bit DLL under Wine", wine32_ratio, lambda size, kind: ""),
    ]

    # The targets, each with its measured figures.
    targets = []
    target(targets, f"Engine ÷ libcrypto portable (scalar run) ≥ 1.0 at 16 KiB for all ten digests, x86-64 ({bmi} here)",
           {d: x64.versus_scalar(x64.mbps, "engine", d, 16384) for d in DIGESTS}, 1.0,
           "the compression functions themselves, see the engine table")
    for size in (65536, 1048576):
        for build, ratio_of, why in export_versus_engine:
            target(targets, f"{build}: export ÷ engine ≥ 0.9 at {text_name(size, 'ascii')}",
                   {d: ratio_of(d, size, "ascii") for d in DIGESTS}, 0.9, why(size, "ascii"), beside(build))
    for build, ratio_of, why in export_versus_engine[:2]:
        target(targets, f"{build}: export ÷ engine ≥ 0.8 at {text_name(65536, 'accents')}",
               {d: ratio_of(d, 65536, "accents") for d in DIGESTS}, 0.8, why(65536, "accents"), beside(build))
    for size in (65536, 1048576):
        _, ratio_of, why = export_versus_engine[2]
        target(targets, f"64-bit DLL under wine64: export ÷ engine ≥ 0.9 at {text_name(size, 'accents')}",
               {d: ratio_of(d, size, "accents") for d in DIGESTS}, 0.9, why(size, "accents"))

    def linux_step(name, digest):
        return x64.default_ns(f"step/{name}/{digest}/16")

    def wine_step(name, digest):
        return wine64.results[(f"step:{name}", digest, 16, "ascii")]

    def pairs(step, digest):
        return sum(step(name, digest) for name in ("scratch_pair", "context_pair", "result_pair"))

    def pair_share(step, export_ns):
        shares = [pairs(step, d) / export_ns(d) for d in DIGESTS]
        return f"{min(shares):.0%} to {max(shares):.0%}"

    dispatched_note = ("ours on " + x64.forms("default") + "; libcrypto picks its own paths from CPUID "
                       f"({'SHA extensions' if 'sha_ni' in flags else 'no SHA extensions'}, "
                       f"{'AVX2' if 'avx2' in flags else 'no AVX2'} here)")
    linux_note = ("timed step by step below, the heap pairs take "
                  f"{pair_share(linux_step, lambda d: x64.ns('export', 'ours', d, 16, kind='ascii'))} of a 16-byte call")
    versus_libcrypto = [
        ("Linux x86-64", lambda d, size: x64.versus_default(x64.calls, "export", d, size, "ascii"),
         {16: linux_note, 65536: dispatched_note, 1048576: dispatched_note}),
        ("Linux 32-bit", lambda d, size: x86_ratio("export ÷ libcrypto", d, size, "ascii"),
         {16: "", 65536: "", 1048576: ""}),
    ]
    for size, bound in ((16, 1.0), (65536, 0.9), (1048576, 0.9)):
        for build, ratio_of, why in versus_libcrypto:
            target(targets, f"{build}, {text_name(size, 'ascii')}: export + FreeMem ÷ libcrypto as it dispatches, "
                   f"one-shot (EVP_MD fetched once) + hex, calls/s ≥ {bound}",
                   {d: ratio_of(d, size) for d in DIGESTS}, bound, why[size], beside(build))
    for build, ratio_of, _ in export_versus_engine:
        text = (f"{build}, 16 B ASCII: export ÷ engine no lower than before the scratch block was kept and ASCII "
                "went in one copy (allowing 0.03 for the noise of a run)")
        if beside(build):
            targets.append((text, f"not measured: {kept_why}, are those of before", False))
            continue
        now = {d: ratio_of(d, 16, "ascii") for d in DIGESTS}
        before = SIXTEEN_BEFORE[build]
        lower = [d for d in DIGESTS if now[d] < before[d] - 0.03]
        targets.append((text, ", ".join(f"{d} {now[d]:.2f} (before {before[d]:.2f})" for d in DIGESTS)
                        + (f". Lower: {', '.join(lower)}" if lower else ""), not lower))
    instructions = {d: profile[d]["export"] for d in DIGESTS}
    more = [d for d in DIGESTS if instructions[d] > INSTRUCTIONS_BEFORE[d]]
    targets.append(("Linux x86-64, 16 B ASCII: instructions per export + FreeMem (callgrind) no more than before",
                    ", ".join(f"{d} {instructions[d]:,.0f} (before {INSTRUCTIONS_BEFORE[d]:,})" for d in DIGESTS)
                    + (f". More: {', '.join(more)}" if more else ""), not more))
    target(targets, "64-bit DLL under wine64 ÷ BCryptHash + hex ≥ 1.0 at 64 KiB",
           {d: wine64.calls("ours", d, 65536) / wine64.calls("bcrypt", d, 65536) for d in BCRYPT_DIGESTS}, 1.0,
           "at 64 KiB the gap is the engine's own against bcrypt's, plus the fixed costs of the Wine rows below")
    plain16 = {d: wine64.calls("ours", d, 16) / wine64.calls("bcrypt", d, 16) for d in BCRYPT_DIGESTS}
    target(targets, "64-bit DLL under wine64 ÷ BCryptHash + hex at 16 B, on the time beyond the three heap pairs "
           "(scratch, context, result; timed alone in the same run) ≥ 1.0",
           {d: wine64.ns("bcrypt", d, 16) / (wine64.ns("ours", d, 16) - pairs(wine_step, d)) for d in BCRYPT_DIGESTS},
           1.0, "see the step-by-step table below",
           beside=f"the plain 16-byte ratios, pairs included: {listing(plain16)}")
    for digests, bound in ((["SHA-1", "SHA-224", "SHA-256"], 1.0), (["SHA-384", "SHA-512"], 0.95),
                           (["MD5", "SHA3-224", "SHA3-256", "SHA3-384", "SHA3-512"], 1.0)):
        target(targets, f"Linux x86-64: engine ÷ libcrypto as it dispatches ≥ {bound} at 16 KiB and 1 MiB for "
               + ", ".join(digests),
               {f"{d} {size_name(size)}": x64.versus_default(x64.mbps, "engine", d, size)
                for d in digests for size in (16384, 1048576)}, bound, dispatched_note)
    masked = {d: x64.versus_scalar(x64.mbps, "engine", d, 1048576) for d in DIGESTS}
    short = [d for d in DIGESTS if masked[d] < MASKED_BEFORE[d] - 0.03]
    targets.append(("Linux x86-64, masked run at 1 MiB: engine ÷ libcrypto portable no lower than before the SHA "
                    "extension and AVX2 forms (allowing 0.03 for the noise of a run)",
                    ", ".join(f"{d} {masked[d]:.2f} (before {MASKED_BEFORE[d]:.2f})" for d in DIGESTS)
                    + (f". Lower: {', '.join(short)}" if short else "") + "; ours on " + x64.forms("scalar"),
                    not short))
    measured = {d: x64.allocations("export", "ours", d, 16, "ascii") for d in DIGESTS}
    targets.append(("Heap allocations per export call: two (context, result block); the scratch memory and the "
                    "internal texts are kept from call to call",
                    ", ".join(f"{d} {measured[d]:g}" for d in DIGESTS), all(measured[d] == 2 for d in DIGESTS)))
    ymm = [("Linux x86-64", x64.upper_ymm()), ("64-bit DLL under wine64", wine64.upper_ymm())]
    if not kept:
        ymm += [("Linux 32-bit", x86.upper_ymm()), ("32-bit DLL under Wine", wine32.upper_ymm())]
    in_use = [f"{build} {d} {text_name(size, kind)}" for build, found in ymm
              for (d, size, kind), value in found.items() if value > 0]
    unread = [build for build, found in ymm if any(value < 0 for value in found.values())]
    targets.append(("No export returns with the upper YMM halves in use (XINUSE read right after a second call of "
                    "each export on each text; the tests check every export in every build)",
                    f"{sum(len(found) for _, found in ymm)} calls checked in {', '.join(build for build, _ in ymm)}"
                    + (f"; in use after {', '.join(in_use)}" if in_use else "; none in use")
                    + (f"; not readable in {', '.join(unread)}" if unread else "")
                    + ("; the 32-bit builds are not run here" if kept else ""), not in_use and not unread))
    unicode_targets(targets, x64, wine64)
    fast = ["MD5", "SHA-1", "SHA-224", "SHA-256"]
    fast_text = "32-bit throughput at 16 KiB, ours ÷ libcrypto scalar ≥ 0.8 for MD5, SHA-1, SHA-224, SHA-256"
    slow_text = "32-bit throughput at 16 KiB, ours ÷ libcrypto scalar ≥ 0.5 for SHA-384/512 and SHA-3"
    if kept:
        targets += [kept.target(fast_text), kept.target(slow_text)]
    else:
        figures = {d: x86.versus_scalar(x86.mbps, "engine", d, 16384) for d in DIGESTS}
        target(targets, fast_text, {d: figures[d] for d in fast}, 0.8)
        target(targets, slow_text, {d: figures[d] for d in DIGESTS if d not in fast}, 0.5)

    lines = ["# Benchmarks", "",
             "Written by `tools/bench.sh`, which builds and runs the benchmark programs and then this page and "
             "`benchmarks.png`. Speed is shown here, never in timed tests.", ""]
    lines += machine_lines(arguments.work, arguments.repetitions, arguments.windows_repetitions)
    if kept:
        lines.append(f"{KEPT_NOTE} {kept.date}.")
    lines += ["",
              "- **Engine**: `ComputeDigestHex` over bytes (digest plus lowercase hexadecimal text). **Export**: the "
              "exported function on a zero-terminated text, the result copied, then `FreeMem`. Export ÷ engine "
              "compares the two on the same text, in the same run: what the text round trip, the heap blocks and "
              "the result cost on top of the hash.",
              "- **Texts**: printable ASCII, or the same with a Windows-1252 accented letter (é, è, à, ç, ü, ö, ñ) as "
              "every eighth character, which takes the code-page conversions in both directions.",
              "- **libcrypto**: OpenSSL's one-shot `EVP_Digest` with an `EVP_MD` fetched once, plus the caller's "
              "hexadecimal loop; on texts it also measures the text, as the export does. It is linked into the "
              "same binary and runs in the same process.",
              "- **libcrypto scalar**: the same binary run again with `OPENSSL_ia32cap=\"~0x1800020000000000:"
              "~0xffffffffffffffff\"`, which hides SSSE3, AVX and all of CPUID leaf 7 (AVX2, SHA extensions, BMI) "
              "from libcrypto: its portable code. In that run ours goes without the SHA extensions and AVX2 "
              "(`--qv_hide=sha,avx2`). The 32-bit libcrypto keeps SSE2 and MMX.",
              "- **32-bit**: the library built with `g++ -m32` for i686 (preset `host32`), the same code generation "
              "as the shipped DLL (i686-w64-mingw32, GCC 12; Keccak with clang 14 in both), against Debian's 32-bit "
              "libcrypto.",
              "- **Wine**: `windows_bench.exe` loads the real `quorvalent.dll` with `LoadLibraryA` and times it "
              "against `BCryptHash` of Wine's `bcrypt.dll` (provider opened once, caller's hexadecimal loop) and "
              "against our engine linked into the program. The 64-bit DLL runs under `/usr/lib/wine/wine64`, the "
              "32-bit one under Wine's 32-bit loader; bcrypt.dll has no SHA-224 or SHA-3.",
              "- **Forms chosen at run time** (`digest/form_tables.h`): each compression runs the first form in its "
              "table that the processor can run, chosen once. x86-64 here, as libcrypto dispatches: "
              f"{x64.forms('default')}; in the masked run ours runs the forms of a processor without the SHA "
              f"extensions and AVX2, as before them: {x64.forms('scalar')}. The DLLs choose from the same CPUID. "
              f"Under callgrind, on the processor that valgrind presents, the breakdown below ran "
              f"{callgrind_forms(profile)}. "
              + ("32-bit programs ran under emulation here: the 32-bit DLL and the host32 build carry and use the "
                 "same forms (tested under qemu), but their timings would mean nothing, so none are taken."
                 if kept else f"32-bit, as libcrypto dispatches: {x86.forms('default')}; masked: "
                 f"{x86.forms('scalar')}.") + " Tests run every form against the portable one and the outside vectors.",
              "- **Text passes chosen at run time** (`runtime/ascii.cpp`, `runtime/latin1.cpp`): scan, widen, narrow "
              "and the Latin-1 runs of the Linux code page run in AVX2 registers where the processor has AVX2, else "
              "in SSE2 ones, else a word at a time; tests run every form.",
              "- Ratios above 1 mean ours is faster. Ours is timed in both Linux runs, and each ratio compares "
              "figures of one run (ours ÷ scalar from the masked run); the other columns show the first run.", ""]

    lines += ["## Targets", ""]
    table(lines, ["Target", "Measured", "Status"], "lll",
          ([text, measured_text, status(met)] for text, measured_text, met in targets))
    lines += ["## One 16-byte export call, by time", "",
              "Each step of the call made alone with the library's own routines (`bench/call_steps.h`), timed in "
              "the run that times the whole call, on the 16-byte ASCII text: the heap pairs (the scratch memory of "
              "the text's size, taken from and given back to the block heap, which keeps it; the plugin's context "
              "with its create and release; the zero-filled result block of the digits), the text steps (the text "
              "copied into the scratch memory, the bits read into UTF-16), the hash (create, update, finish, release, less the context "
              "pair) and the digits (as an internal text, then written into the result block, less the result "
              "pair). The rest is the export's time less the steps: registration, parsing the bits, the export's "
              "own code, the caller's copy and the call into FreeMem.", "", "Linux x86-64:", ""]
    step_table(lines, lambda d: x64.ns("export", "ours", d, 16, kind="ascii"), linux_step)
    heap_names = {name: f"heap/{name}/-/17" for name in ("block", "calloc", "malloc")}
    if all(key in x64.runs["default"] for key in heap_names.values()):
        pair = {name: x64.default_ns(key) for name, key in heap_names.items()}
        lines += [f"A zero-filled 17-byte allocation and release through the block heap costs {pair['block']:.1f} ns "
                  f"on Linux, against {pair['calloc']:.1f} ns for glibc's calloc and free and {pair['malloc']:.1f} ns "
                  "for malloc and free: the Linux heaps take short zero-filled blocks from malloc and fill them, as "
                  "glibc's calloc passes by its thread cache.", ""]
    lines += ["64-bit DLL under wine64 (the steps from the same code, linked into the benchmark):", ""]
    step_table(lines, lambda d: wine64.ns("ours", d, 16), wine_step)
    plain_pair = wine64.results.get(("plain_heap_pair", "-", 17, "-"))
    block_pair = wine64.results.get(("block_heap_pair", "-", 17, "-"))
    if plain_pair and block_pair:
        lines += [f"A zero-filled 17-byte allocation and release under wine64 costs {plain_pair:.1f} ns on a private "
                  f"heap as HeapCreate(0, 4096, 0) makes it, and {block_pair:.1f} ns through the block heap, which "
                  "starts with room for a short call's result block kept free in front of blocks it "
                  "keeps: the block is handed out of its size class instead of being split off the heap's free "
                  "tail.", ""]
    lines += ["## Text passes", "",
              "µs per MiB of plain ASCII, each pass alone beside the C runtime's copy and length (glibc on Linux, "
              "msvcrt under Wine), in the chosen forms. A digest export copies a plain ASCII text into its scratch "
              "memory in one pass, which finds the text's end and that it is ASCII on the way. ROT13 reads a text "
              "with one scan (its length and whether it is ASCII) and one widening, and writes the result with one "
              "narrowing.", ""]
    pass_table(lines, [("Linux x86-64", lambda name, size: (
                        x64.default_ns(f"pass/{name}/-/{size}") if f"pass/{name}/-/{size}" in x64.runs["default"]
                        else None)),
                       ("wine64", lambda name, size: wine64.results.get((name, "-", size, "-")))])
    lines += ["## One 16-byte export call, step by step (callgrind)", "",
              "Instructions per call of `bench/call_profile` (the static library, `bench/call_profile.py`), "
              "inclusive costs summed by step, on the 16-byte ASCII text; libcrypto with the scalar mask. "
              "Instruction counts, not time: the heap calls cost more time than their share here suggests.", ""]
    profile_table(lines, profile)
    lines += ["## Fixed costs around the engine", "",
              "The scratch memory (taken at the text's size from the block heap, which keeps it, and given back) "
              "and the text step that fills it (`ReadTextIntoScratch`: one copy for ASCII; for other texts "
              "`ReadText`, `EncodedByteLength`, `WriteText`, `MeasureMemoryText`; and the storage reset), timed "
              "alone, beside what the export costs on top of the engine for MD5.", "",
              "Linux x86-64:", ""]
    fixed_costs(lines, lambda size: linux_fixed(size, "ascii")[0], lambda size, kind: linux_fixed(size, kind)[1],
                lambda size, kind: x64.ns("export", "ours", "MD5", size, kind=kind),
                lambda size, kind: x64.ns("export", "engine", "MD5", size, kind=kind))
    lines += ["64-bit DLL under wine64:", ""]
    fixed_costs(lines, lambda size: wine_fixed(size, "ascii")[0], lambda size, kind: wine_fixed(size, kind)[1],
                lambda size, kind: wine64.ns("ours", "MD5", size, kind),
                lambda size, kind: wine64.ns("engine", "MD5", size, kind))

    def section_32bit(headings, table, results):
        """A section of 32-bit figures: those of the last page when kept, else this run's table."""
        if kept:
            return kept.section(headings)
        section = [headings[0], ""]
        table(section, results)
        return section

    lines += ["## Linux x86-64: digest engine", ""]
    engine_table(lines, x64)
    lines += section_32bit(X86_ENGINE, engine_table, x86)
    lines += ["## Linux x86-64: export against the engine and libcrypto on the same text", ""]
    path_table(lines, x64)
    lines += section_32bit(X86_EXPORTS, path_table, x86)
    lines += ["## 64-bit quorvalent.dll under wine64: export against the engine and bcrypt.dll", ""]
    windows_table(lines, wine64)
    lines += section_32bit(WINDOWS, windows_table, wine32)
    lines += section_32bit(REALIGN, realign_table, arguments.work)
    lines += ["![Ours against the references](benchmarks.png)", ""]
    with open(arguments.markdown, "w") as handle:
        handle.write("\n".join(lines))

    # Four blocks for the chart, one row per digest.
    def x86_engine_mbps(digest):
        if kept:
            return kept.numbers(X86_ENGINE, digest, 16384)[:3]
        return engine_mbps(x86, digest)

    def plot_block(title, digests, figures):
        return f"# digest {title}\n" + "".join(f"{digest} " + " ".join(f"{figure:.1f}" for figure in figures(digest))
                                               + "\n" for digest in digests)

    def calls_16(digest):
        return [x64.calls("export", implementation, digest, 16, kind="ascii") / 1e3
                for implementation in ("ours", "scalar", "openssl")]

    def wine_figures(digest):
        return [wine64.calls(implementation, digest, 16) / 1e3 for implementation in ("ours", "bcrypt")] + \
            [wine64.calls(implementation, digest, 65536) * 65536 / 1e6 for implementation in ("ours", "bcrypt")]

    with open(arguments.plot_data, "w") as handle:
        handle.write("\n\n".join([
            plot_block("ours scalar libcrypto (MB/s at 16 KiB)", DIGESTS, lambda digest: engine_mbps(x64, digest)),
            plot_block("ours scalar libcrypto (MB/s at 16 KiB)", DIGESTS, x86_engine_mbps),
            plot_block("ours scalar libcrypto (thousand calls/s at 16 B)", DIGESTS, calls_16),
            plot_block("ours bcrypt (thousand calls/s at 16 B) ours bcrypt (MB/s at 64 KiB), wine64", BCRYPT_DIGESTS,
                       wine_figures)]))
    failed = [text for text, _, met in targets if not met]
    print(f"targets met: {len(targets) - len(failed)} of {len(targets)}")


if __name__ == "__main__":
    main()
