"""What the bench runs and reads: the programs in their folders, the driver that starts and
watches them from outside, and what Linux and the build tools tell about them."""

import json
import math
import os
import re
import shutil
import signal
import statistics
import subprocess
import time
from pathlib import Path

TICKS = os.sysconf("SC_CLK_TCK")

# Targets of the issue "Start-up at the floor".
VISIBLE_RATIO = 1.10  # the badge visible, against the floor
READY_RATIO = 1.05  # shaped and the icon added, against the floor-plus
MEMORY_RATIO = 1.03  # peak resident memory, against the floor-plus
SIZE_LIMIT = 240 * 1024  # the stripped executable, bytes
# The badge visible against the floor at this scale too; the ratio must not grow with it.
BASE_DPI = 96
WINE_DPI = Path(__file__).resolve().parent.parent / "scripts" / "wine-dpi"
WARM_CYCLES = 10
# What a previous run could have left; the badge at 48, 30 pixels.
SETTINGS = b"720,450\r\n527.5,336\r\n#TRUE#\r\n"
# GDI object kinds by Wine's type numbers (its NTGDI_OBJ_* values shifted down).
GDI_KINDS = {"1": "DC", "4": "region", "5": "surface", "8": "palette", "9": "bitmap", "10": "font",
             "16": "brush", "48": "pen", "65": "memory DC"}


class BenchError(Exception):
    pass


def windows_path(path: Path) -> str:
    return subprocess.run(["winepath", "-w", str(path)], check=True, capture_output=True,
                          text=True).stdout.strip()


class Driver:
    """rn_bench_driver.exe under Wine; its output goes through a file, never a pipe, because
    the programs it starts would otherwise hold the pipe open after it ends."""

    def __init__(self, exe: Path, scratch: Path):
        self.exe = exe
        self.out = scratch / "driver.out"

    def __call__(self, *args: object, timeout: float = 600) -> dict:
        rc, reply = self.run(args, timeout)
        # Now and then (once in several thousand runs) Wine ends the driver before it has said
        # anything, or, under load, tells it for a moment that the program's path is not there.
        # A stop is then run again, and so is a start, once whatever program the first attempt
        # may have started has been ended.
        transient = not reply or reply.get("error") == "CreateProcess failed"
        if rc != 0 and transient and args[0] in ("start", "stop"):
            if args[0] == "start":
                end_processes(str(args[1]))
            rc, reply = self.run(args, timeout)
        if rc != 0:
            raise BenchError(f"driver {' '.join(map(str, args))}: exit {rc}: {reply}")
        return reply

    def run(self, args: tuple, timeout: float) -> tuple[int, dict]:
        with open(self.out, "wb") as out:
            rc = subprocess.run(["wine", str(self.exe), *map(str, args)], stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.DEVNULL, timeout=timeout).returncode
        lines = self.out.read_text(encoding="utf-8", errors="replace").splitlines()
        return rc, json.loads(lines[-1]) if lines else {}


def unix_pids(windows_exe: str) -> list[int]:
    """The Linux processes that run the Windows program: Wine puts its Windows path in argv[0]."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            argv0 = (entry / "cmdline").read_bytes().split(b"\0")[0].decode("utf-8", "replace")
        except OSError:
            continue
        if argv0.lower() == windows_exe.lower():
            found.append(int(entry.name))
    return found


def unix_pid(windows_exe: str) -> int:
    found = unix_pids(windows_exe)
    if len(found) != 1:
        raise BenchError(f"expected one process for {windows_exe}, found {found}")
    return found[0]


def end_processes(windows_exe: str):
    """Kills every process that runs the Windows program and waits (10 s at most) for them."""
    for pid in unix_pids(windows_exe):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            continue
    deadline = time.monotonic() + 10
    while unix_pids(windows_exe) and time.monotonic() < deadline:
        time.sleep(0.05)


def memory_kb(pid: int) -> dict:
    status = Path(f"/proc/{pid}/status").read_text()
    return {k: int(re.search(rf"^{k}:\s+(\d+) kB", status, re.M).group(1))
            for k in ("VmHWM", "VmRSS")}


def cpu_and_wakeups(pid: int) -> tuple[float, int]:
    """CPU seconds of the whole process (all threads) and the context switches of all its
    threads: a thread that sleeps in its message loop and never wakes adds to neither."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    seconds = (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime
    switches = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            status = (task / "status").read_text()
        except OSError:
            continue
        for key in ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"):
            switches += int(re.search(rf"^{key}:\s+(\d+)", status, re.M).group(1))
    return seconds, switches


class Program:
    """One program in a folder of its own; `settings` is what RN.ini holds before each run
    (None: no file)."""

    def __init__(self, name: str, kind: str, built: Path, folder: Path,
                 settings: bytes | None = None):
        folder.mkdir(parents=True, exist_ok=True)
        self.name = name
        self.kind = kind
        self.exe = folder / built.name
        self.settings = settings
        shutil.copy2(built, self.exe)
        self.windows_exe = windows_path(self.exe)

    def prepare(self):
        # The gadget's exit writes the file: each run starts from the same state.
        ini = self.exe.parent / "RN.ini"
        if self.settings is None:
            ini.unlink(missing_ok=True)
        else:
            ini.write_bytes(self.settings)


def rss_by_mapping(pid: int) -> dict:
    """Resident kB of each mapped file ([heap], [anon] and such for the rest)."""
    rss = {}
    name = None
    for line in Path(f"/proc/{pid}/smaps").read_text().splitlines():
        if re.match(r"^[0-9a-f]+-[0-9a-f]+ ", line):
            parts = line.split(None, 5)
            name = parts[5] if len(parts) > 5 else "[anon]"
        elif line.startswith("Rss:"):
            rss[name] = rss.get(name, 0) + int(line.split()[1])
    return rss


def run_once(driver: Driver, program: Program, idle: float) -> dict:
    program.prepare()
    started = driver("start", program.windows_exe, program.kind, 60000)
    pid = started["pid"]
    try:
        upid = unix_pid(program.windows_exe)
        after_start = memory_kb(upid)
        mappings = rss_by_mapping(upid)
        cpu0, switches0 = cpu_and_wakeups(upid)
        # The idle window is what is measured, not a wait for something to happen.
        time.sleep(idle)
        cpu1, switches1 = cpu_and_wakeups(upid)
    finally:
        driver("stop", pid, program.kind, 15000)
    return {
        "visible_ms": started["visible_ms"],
        "ready_ms": started["ready_ms"],
        "stages": started,
        "mappings": mappings,
        "hwm_kb": after_start["VmHWM"],
        "idle_cpu_s": cpu1 - cpu0,
        "idle_wakeups": switches1 - switches0,
    }


def stripped_size(exe: Path, scratch: Path, strip: str) -> int:
    out = scratch / (exe.stem + ".stripped.exe")
    subprocess.run([strip, "-o", str(out), str(exe)], check=True)
    return out.stat().st_size


def imports(exe: Path, objdump: str) -> tuple[list[str], list[str]]:
    """The DLLs of the import table, and the others the executable names: MinGW-w64's
    delay-load descriptors are not entered in the PE header's delay-import directory, so
    objdump does not list them, but each holds its DLL's name."""
    text = subprocess.run([objdump, "-p", str(exe)], check=True, capture_output=True,
                          text=True).stdout
    static = re.findall(r"DLL Name: (\S+)", text)
    named = re.findall(rb"([A-Za-z0-9_.-]+\.dll)\0", exe.read_bytes(), re.I)
    known = {d.lower() for d in static}
    delayed = sorted({n.decode("ascii") for n in named if n.decode("ascii").lower() not in known},
                     key=str.lower)
    return static, delayed


def system_dll(name: str) -> bool:
    system32 = Path(os.environ["WINEPREFIX"]) / "drive_c" / "windows" / "system32"
    return any(p.name.lower() == name.lower() for p in system32.iterdir())


def module_names(driver: Driver, pid: int, exe: str) -> tuple[list[str], list[str]]:
    """The DLLs the process has loaded: their names, and the paths of any from outside the
    Windows folder."""
    paths = [p for p in driver("modules", pid)["modules"] if p.lower() != exe.lower()]
    outside = [p for p in paths if not p.lower().startswith("c:\\windows\\")]
    return sorted((p.rsplit("\\", 1)[-1].lower() for p in paths)), outside


def map_members(map_file: Path) -> tuple[list[tuple[str, int]], int]:
    """Bytes of the sections the linker kept, by input file or archive member, from a GNU ld
    map; debug sections are left out, being stripped anyway."""
    text = map_file.read_text(errors="replace")
    text = text[text.find("Linker script and memory map"):]
    sizes = {}
    pending = None
    for line in text.splitlines():
        m = re.match(r"^ (\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(.+)$", line)
        if not m and pending:
            m2 = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(.+)$", line)
            m = m2 and (pending, m2.group(1), m2.group(2))
            pending = None
        elif m:
            m = m.groups()
        else:
            m1 = re.match(r"^ (\.\S+)$", line)
            pending = m1.group(1) if m1 else None
            continue
        if not m or m[0].startswith(".debug"):
            continue
        member = re.sub(r"^.*/", "", m[2].strip())
        sizes[member] = sizes.get(member, 0) + int(m[1], 16)
    ranked = sorted(sizes.items(), key=lambda kv: -kv[1])
    return ranked, sum(sizes.values())


def spread(values: list[float], digits: int) -> str:
    """Median and range."""
    return (f"{statistics.median(values):.{digits}f} ({min(values):.{digits}f}-"
            f"{max(values):.{digits}f})")


def median_interval(values: list[float]) -> tuple[float, float]:
    """Where the median of many more rounds would lie, with 95 % confidence: the order
    statistics around the middle that the binomial distribution of the rounds puts there."""
    ordered = sorted(values)
    half_width = 0.98 * math.sqrt(len(ordered))  # 1.96 standard deviations of Bin(n, 1/2), halved
    low = max(math.floor(len(ordered) / 2 - half_width) - 1, 0)
    high = min(math.ceil(len(ordered) / 2 + half_width), len(ordered) - 1)
    return ordered[low], ordered[high]


def load() -> str:
    return "%.2f %.2f %.2f" % os.getloadavg()


def gdi_growth(before: dict, after: dict) -> dict:
    kinds = set(before["gdi_kinds"]) | set(after["gdi_kinds"])
    grown = {k: after["gdi_kinds"].get(k, 0) - before["gdi_kinds"].get(k, 0) for k in kinds}
    return {GDI_KINDS.get(k, k): n for k, n in grown.items() if n != 0}


def set_dpi(dpi: int):
    """Every Wine program started from now on runs at `dpi`; the wineserver starts afresh."""
    if subprocess.run([str(WINE_DPI), str(dpi)], stdin=subprocess.DEVNULL).returncode != 0:
        raise BenchError(f"scripts/wine-dpi {dpi} failed")


def balanced_orders(items: tuple) -> list[tuple]:
    """Orders for rounds that run back to back, for an even number of items: each item takes
    every place equally often and, counting the step from one round's last start to the next
    round's first, follows every other item equally often. A balanced Latin square (Williams)
    gives that within rounds; alone, repeated, it gave the steps between rounds to the same
    pairs every time (with four items, one case followed the floor-plus twice as often as any
    other program). So its orders are chained, some more than once, so that the steps between
    rounds take every ordered pair once: an Euler circuit over the orders, a step from one to
    the next allowed where the first's last item is not the next's first."""
    n = len(items)
    first = [0] + [(k + 1) // 2 if k % 2 else n - k // 2 for k in range(1, n)]
    square = [tuple(items[(f + shift) % n] for f in first) for shift in range(n)]
    steps = {x: [y for y in range(n) if square[x][-1] != square[y][0]] for x in range(n)}
    trail, circuit = [0], []
    while trail:
        if steps[trail[-1]]:
            trail.append(steps[trail[-1]].pop())
        else:
            circuit.append(trail.pop())
    # The circuit ends where it began; the step back to the start closes the cycle of rounds.
    return [square[x] for x in reversed(circuit[1:])]


def start_rounds(driver: Driver, floor: Program, with_file: Program, plus: Program,
                 without: Program, rounds: int) -> dict:
    """Each program's start-ups over `rounds` rounds, after one discarded round: the first start
    of each pays for what Wine caches. A start-up depends on its place in the round (the same
    gadget read 2-7 % apart in the places two cases took when every round ran in one order or
    its reverse), so the rounds go through orders in which each program takes every place and
    follows every other program equally often (balanced_orders)."""
    programs = (floor, with_file, plus, without)
    for program in programs:
        run_once(driver, program, 0)
    runs = {p.name: [] for p in programs}
    orders = balanced_orders(programs)
    for i in range(rounds):
        for program in orders[i % len(orders)]:
            runs[program.name].append(run_once(driver, program, 0))
        f, fp = runs[floor.name][-1], runs[plus.name][-1]
        g, n = runs[with_file.name][-1], runs[without.name][-1]
        print(f"round {i + 1:2}: visible ms: floor {f['visible_ms']:5.1f}, file "
              f"{g['visible_ms']:5.1f}, no file {n['visible_ms']:5.1f}; ready ms: floor-plus "
              f"{fp['ready_ms']:5.1f}, file {g['ready_ms']:5.1f}, no file {n['ready_ms']:5.1f}; "
              f"load {load()}", flush=True)
    return runs
