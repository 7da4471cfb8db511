#!/usr/bin/env python3
"""Runs the gadget and the floor alternately in one warm Wine session and reports what each
costs: start-up, peak resident memory, idle CPU, executable size and imports, and GDI/USER
objects over many cycles of the gadget's panel, menu and dialog.

scripts/bench builds the programs, starts the session (WINEPREFIX, DISPLAY exported) and calls
this. The programs are copied into a folder of their own, so that the gadget's settings file
stays there and the Linux process of each run can be found by its path.
"""

import argparse
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

TICKS = os.sysconf("SC_CLK_TCK")
PAGE_KB = os.sysconf("SC_PAGE_SIZE") // 1024

# Targets of the issue "Performance and footprint".
STARTUP_RATIO = 1.10
MEMORY_RATIO = 1.10
SIZE_RATIO = 2.0
SIZE_LIMIT = 512 * 1024
WARM_CYCLES = 10


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
        with open(self.out, "wb") as out:
            rc = subprocess.run(["wine", str(self.exe), *map(str, args)], stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.DEVNULL, timeout=timeout).returncode
        lines = self.out.read_text(encoding="utf-8", errors="replace").splitlines()
        reply = json.loads(lines[-1]) if lines else {}
        if rc != 0:
            raise BenchError(f"driver {' '.join(map(str, args))}: exit {rc}: {reply}")
        return reply


def unix_pid(windows_exe: str) -> int:
    """The Linux process that runs the Windows program: Wine puts its Windows path in argv[0]."""
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
    if len(found) != 1:
        raise BenchError(f"expected one process for {windows_exe}, found {found}")
    return found[0]


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
    def __init__(self, name: str, kind: str, built: Path, folder: Path):
        folder.mkdir(parents=True, exist_ok=True)
        self.name = name
        self.kind = kind
        self.exe = folder / built.name
        shutil.copy2(built, self.exe)
        self.windows_exe = windows_path(self.exe)


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
        after_idle = memory_kb(upid)
    finally:
        driver("stop", pid, program.kind, 15000)
    return {
        "startup_ms": started["startup_ms"],
        "stages": started,
        "mappings": mappings,
        "hwm_kb": after_start["VmHWM"],
        "rss_kb": after_start["VmRSS"],
        "hwm_idle_kb": after_idle["VmHWM"],
        "idle_cpu_s": cpu1 - cpu0,
        "idle_wakeups": switches1 - switches0,
    }


def stripped_size(exe: Path, scratch: Path, strip: str) -> int:
    out = scratch / (exe.stem + ".stripped.exe")
    subprocess.run([strip, "-o", str(out), str(exe)], check=True)
    return out.stat().st_size


def imports(exe: Path, objdump: str) -> list[str]:
    text = subprocess.run([objdump, "-p", str(exe)], check=True, capture_output=True,
                          text=True).stdout
    return re.findall(r"DLL Name: (\S+)", text)


def system_dll(name: str) -> bool:
    system32 = Path(os.environ["WINEPREFIX"]) / "drive_c" / "windows" / "system32"
    return any(p.name.lower() == name.lower() for p in system32.iterdir())


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


def summary(values: list[float]) -> tuple[float, float, float]:
    return statistics.median(values), min(values), max(values)


def fmt(value: float, digits: int) -> str:
    return f"{value:.{digits}f}"


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--gadget", type=Path, required=True)
    ap.add_argument("--floor", type=Path, required=True)
    ap.add_argument("--floor-plus", type=Path, required=True)
    ap.add_argument("--map", type=Path, help="the linker map of RavikN.exe, for where its bytes go")
    ap.add_argument("--driver", type=Path, required=True)
    ap.add_argument("--scratch", type=Path, required=True)
    ap.add_argument("--pairs", type=int, default=10)
    ap.add_argument("--idle", type=float, default=10.0)
    ap.add_argument("--cycles", type=int, default=1000)
    ap.add_argument("--strip", default="x86_64-w64-mingw32-strip")
    ap.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    args = ap.parse_args()

    shutil.rmtree(args.scratch, ignore_errors=True)
    args.scratch.mkdir(parents=True)
    driver = Driver(args.driver, args.scratch)
    gadget = Program("RavikN.exe", "gadget", args.gadget, args.scratch / "gadget")
    floor = Program("floor", "floor", args.floor, args.scratch / "floor")
    plus = Program("floor-plus", "floor-plus", args.floor_plus, args.scratch / "floor-plus")

    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    print(f"date:    {datetime.datetime.now().astimezone().isoformat(timespec='seconds')}")
    print(f"machine: {os.cpu_count()} CPUs, {cpu}; {wine}; Xvfb {os.environ.get('DISPLAY', '')}")
    # Other work on the machine shows in the start-up spread: say how busy it was.
    print("load:    %.2f %.2f %.2f (1, 5, 15 min) at the start" % os.getloadavg())
    print(f"runs:    {args.pairs} pairs (RavikN.exe, floor, RavikN.exe, floor ...) after one "
          f"discarded warm-up pair; idle window {args.idle:g} s; {args.cycles} cycles")
    print("floor:   bench/floor.cpp, one window shown, same toolchain and flags; floor-plus: the "
          "same with the gadget's imports, manifest, common controls, a region and a tray "
          "icon (one run after each pair, outside the ratios)")
    print()

    # The first start of each pays for what Wine caches; the gadget's first exit also writes
    # the settings file that every later start reads.
    for program in (gadget, floor, plus):
        run_once(driver, program, 0)

    runs = {gadget.name: [], floor.name: [], plus.name: []}
    for i in range(args.pairs):
        for program in (gadget, floor):
            runs[program.name].append(run_once(driver, program, args.idle))
        # Only for where the start-up and memory go: its idle would say nothing new.
        runs[plus.name].append(run_once(driver, plus, 0))
        g, f = runs[gadget.name][-1], runs[floor.name][-1]
        print(f"pair {i + 1:2}: start-up {g['startup_ms']:7.1f} / {f['startup_ms']:6.1f} ms  "
              f"peak RSS {g['hwm_kb']:6} / {f['hwm_kb']:6} kB  "
              f"idle CPU {g['idle_cpu_s']:.2f} / {f['idle_cpu_s']:.2f} s  "
              f"wake-ups {g['idle_wakeups']} / {f['idle_wakeups']}", flush=True)
    print()

    results = []  # (figure, met, text)

    def pair_table(title: str, key: str, unit: str, digits: int):
        g = [r[key] for r in runs[gadget.name]]
        f = [r[key] for r in runs[floor.name]]
        ratios = [a / b for a, b in zip(g, f)]
        print(f"{title}")
        print(f"  {'':12} {'median':>10} {'min':>10} {'max':>10}")
        p = [r[key] for r in runs[plus.name]]
        for label, values, d in (("ratio", ratios, 3), ("RavikN.exe", g, digits),
                                 ("floor", f, digits), ("floor-plus", p, digits)):
            med, lo, hi = summary(values)
            u = "" if label == "ratio" else f" {unit}"
            print(f"  {label:12} {fmt(med, d):>10} {fmt(lo, d):>10} {fmt(hi, d):>10}{u}")
        return statistics.median(ratios)

    startup_ratio = pair_table("start-up: process start to the window shown "
                               "(RavikN.exe: shaped, tray icon added)", "startup_ms", "ms", 1)
    results.append(("start-up", startup_ratio <= STARTUP_RATIO,
                    f"median pair ratio {startup_ratio:.3f} (target <= {STARTUP_RATIO:.2f})"))
    print("  where RavikN.exe's start-up goes (medians, ms from process start, as the driver "
          "first saw each):")
    for program in (gadget, plus, floor):
        st = [r["stages"] for r in runs[program.name]]
        parts = [f"{label} {statistics.median(x[key] for x in st):.1f}"
                 for label, key in (("created", "created_ms"), ("visible", "visible_ms"),
                                    ("shaped", "shaped_ms"), ("tray icon", "tray_ms"))
                 if min(x[key] for x in st) >= 0]
        print(f"    {program.name:12} " + ", ".join(parts))
    print()
    memory_ratio = pair_table("peak resident memory after start-up (VmHWM of the Wine process, "
                              "/proc/<pid>/status)", "hwm_kb", "kB", 0)
    results.append(("peak resident memory", memory_ratio <= MEMORY_RATIO,
                    f"median pair ratio {memory_ratio:.3f} (target <= {MEMORY_RATIO:.2f})"))
    print("  where RavikN.exe's extra resident memory goes (median kB per mapping after start-up, "
          "RavikN.exe minus floor; /proc/<pid>/smaps):")
    names = set()
    for program in (gadget, floor):
        for r in runs[program.name]:
            names.update(r["mappings"])

    def median_rss(program, name):
        return statistics.median(r["mappings"].get(name, 0) for r in runs[program.name])

    extra = {n: median_rss(gadget, n) - median_rss(floor, n) for n in names}
    shown = sorted(extra.items(), key=lambda kv: -abs(kv[1]))[:12]
    for name, kb in shown:
        label = name if name.startswith("[") else Path(name).name
        print(f"    {kb:+8.0f}  {label}")
    print(f"    {sum(extra.values()):+8.0f}  in all")
    print()

    print(f"idle for {args.idle:g} s after start-up (/proc/<pid>/stat utime+stime; context "
          "switches of all threads)")
    for program in (gadget, floor):
        cpu_s = [r["idle_cpu_s"] for r in runs[program.name]]
        wakes = [r["idle_wakeups"] for r in runs[program.name]]
        print(f"  {program.name:12} CPU {max(cpu_s):.2f} s at most (tick {1 / TICKS:.2f} s), "
              f"wake-ups: median {statistics.median(wakes):g}, max {max(wakes)}")
    gadget_cpu = max(r["idle_cpu_s"] for r in runs[gadget.name])
    gadget_wakes = max(r["idle_wakeups"] for r in runs[gadget.name])
    results.append(("idle CPU", gadget_cpu == 0 and gadget_wakes == 0,
                    f"{gadget_cpu:.2f} s CPU and {gadget_wakes} wake-ups at most per "
                    f"{args.idle:g} s"))
    print()

    print("executable (stripped with strip, imports from objdump -p)")
    sizes = {}
    for program in (gadget, floor, plus):
        size = stripped_size(program.exe, args.scratch, args.strip)
        sizes[program.name] = size
        dlls = imports(program.exe, args.objdump)
        foreign = [d for d in dlls if not system_dll(d)]
        print(f"  {program.name:12} {size:8} bytes ({size / 1024:.1f} KiB), unstripped "
              f"{program.exe.stat().st_size} bytes; imports {', '.join(dlls)}"
              + (f"; NOT SYSTEM: {', '.join(foreign)}" if foreign else " (all system DLLs)"))
        if program is gadget:
            gadget_foreign = foreign
    if args.map and args.map.exists():
        print("  where RavikN.exe's bytes go (sections kept by the linker, by archive member, "
              "from its map):")
        members, total = map_members(args.map)
        for member, size in members[:14]:
            print(f"    {size:8}  {size / total:6.1%}  {member}")
        print(f"    {total:8}  in all")
    size_ratio = sizes[gadget.name] / sizes[floor.name]
    print(f"  ratio        {size_ratio:.2f}")
    results.append(("size", size_ratio <= SIZE_RATIO and sizes[gadget.name] < SIZE_LIMIT,
                    f"{sizes[gadget.name]} bytes, {size_ratio:.2f} x the floor (target <= "
                    f"{SIZE_RATIO:g} x and < {SIZE_LIMIT} bytes)"))
    results.append(("imports", not gadget_foreign,
                    "system DLLs only" if not gadget_foreign else
                    f"not system: {', '.join(gadget_foreign)}"))
    print()

    print(f"objects over {args.cycles} cycles of panel open/Close, menu open/Escape and "
          "settings dialog open/OK")
    started = driver("start", gadget.windows_exe, gadget.kind, 60000)
    pid = started["pid"]
    try:
        at_start = driver("objects", pid)
        # The first cycles make what the forms keep once made (the dialog's controls, fonts,
        # what a focus change first needs): a leak grows with the cycles, these do not.
        driver("cycles", pid, WARM_CYCLES, 10000)
        warm = driver("objects", pid)
        half = args.cycles // 2
        t0 = time.monotonic()
        first = driver("cycles", pid, half, 10000, timeout=3600)
        middle = driver("objects", pid)
        second = driver("cycles", pid, args.cycles - half, 10000, timeout=3600)
        took = time.monotonic() - t0
        after = driver("objects", pid)
        timing = {k: (first[k] * half + second[k] * (args.cycles - half)) / max(args.cycles, 1)
                  for k in ("panel_ms", "menu_ms", "settings_ms")}
        timing["menu_retries"] = first["menu_retries"] + second["menu_retries"]
    finally:
        driver("stop", pid, gadget.kind, 15000)
    floor_started = driver("start", floor.windows_exe, floor.kind, 60000)
    try:
        floor_objects = driver("objects", floor_started["pid"])
    finally:
        driver("stop", floor_started["pid"], floor.kind, 15000)
    print(f"  GDI objects ({at_start['gdi_source']}; Wine's GetGuiResources counts nothing):")
    print(f"    floor after start-up {floor_objects['gdi']}; RavikN.exe after start-up "
          f"{at_start['gdi']}, after {WARM_CYCLES} warm-up cycles {warm['gdi']}, after "
          f"{half} more {middle['gdi']}, after all {args.cycles} {after['gdi']}: growth "
          f"{after['gdi'] - warm['gdi']}")
    print(f"    by kind (1 DC, 4 region, 5 bitmap, 8 palette, 10 font, 16 brush): "
          f"after start-up {at_start['gdi_kinds']}, after warm-up {warm['gdi_kinds']}, at the end "
          f"{after['gdi_kinds']}")
    print("  USER objects, windows of the process (top-level, children, message-only):")
    print(f"    floor after start-up {floor_objects['windows']}; RavikN.exe after start-up "
          f"{at_start['windows']}, after warm-up {warm['windows']}, after {half} more "
          f"{middle['windows']}, after all {args.cycles} {after['windows']}: growth "
          f"{after['windows'] - warm['windows']}")
    print("  USER objects Wine cannot count from outside (menus, icons, cursors): proved on the "
          "simulated desktop, tests/unit/interaction_test.cpp ManyCyclesOfEveryActionLeakNothing "
          "(World::Live counts windows, DCs, bitmaps, regions and menus)")
    print(f"  {args.cycles} cycles took {took:.0f} s: panel {timing['panel_ms']:.1f} ms, menu "
          f"{timing['menu_ms']:.1f} ms, settings dialog {timing['settings_ms']:.1f} ms per "
          f"cycle; menus reopened after closing by themselves: {timing['menu_retries']}")
    gdi_growth = after["gdi"] - warm["gdi"]
    user_growth = after["windows"] - warm["windows"]
    results.append(("GDI objects", gdi_growth == 0, f"growth {gdi_growth} over {args.cycles}"))
    results.append(("USER objects", user_growth == 0,
                    f"window growth {user_growth} over {args.cycles}; other kinds on the "
                    "simulated desktop"))
    print()

    print("load:    %.2f %.2f %.2f (1, 5, 15 min) at the end" % os.getloadavg())
    print()
    print("targets")
    for figure, met, text in results:
        print(f"  {'met    ' if met else 'NOT MET'} {figure}: {text}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BenchError as e:
        print(f"bench: {e}", file=sys.stderr)
        sys.exit(1)
