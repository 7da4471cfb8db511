#!/usr/bin/env python3
"""Runs the gadget, with and without a settings file, and the two floors in rounds of balanced
orders in one warm Wine session and reports what each costs: start-up to the badge visible and
to the gadget ready, peak resident memory, idle CPU, executable size, imports and loaded DLLs, and
GDI/USER objects over many cycles of the gadget's panel, menu and dialog, all at 96 dpi; then
start-up once more at a second scale (192 dpi), where it leaves the session.

scripts/bench builds the programs, starts the session (WINEPREFIX, DISPLAY exported) and calls
this. The programs are copied into folders of their own, so that the gadget's settings file is
there or not as each case wants and the Linux process of each run can be found by its path.
"""

import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

from programs import (BASE_DPI, MEMORY_RATIO, READY_RATIO, SETTINGS, SIZE_LIMIT, TICKS,
                      VISIBLE_RATIO, WARM_CYCLES, BenchError, Driver, Program, balanced_orders,
                      gdi_growth, imports, load, map_members, median_interval, module_names,
                      run_once, set_dpi, spread, start_rounds, stripped_size, system_dll)


class Report:
    """The report, a section at a time; each target judged goes into `results`."""

    def __init__(self, args, driver: Driver, floor: Program, with_file: Program, plus: Program,
                 without: Program):
        self.args, self.driver = args, driver
        self.floor, self.with_file, self.plus, self.without = floor, with_file, plus, without
        self.cases = (with_file, without)
        self.programs = (floor, with_file, plus, without)
        self.runs = {}
        self.results = []  # (figure, met, text)

    def ratios(self, case: Program, key: str, base: Program, of: dict | None = None) -> list:
        of = of or self.runs
        return [r[key] / b[key] for r, b in zip(of[case.name], of[base.name])]

    def values(self, program: Program, key: str) -> list:
        return [r[key] for r in self.runs[program.name]]

    def judge(self, figure: str, per_round: list, limit: float, against: str, more: str = ""):
        median = statistics.median(per_round)
        low, high = median_interval(per_round)
        self.results.append((figure, median <= limit,
                             f"{median:.3f} x the {against}, 95 % interval {low:.3f}-{high:.3f} "
                             f"(target <= {limit:.2f}){more}"))

    def rounds(self):
        """The start-up rounds at the base scale."""
        set_dpi(BASE_DPI)
        self.runs = start_rounds(self.driver, self.floor, self.with_file, self.plus,
                                 self.without, self.args.rounds)
        print()

    def startup(self):
        """Start-up to visible and to ready, against the floors."""
        runs = self.runs
        floor, plus = self.floor, self.plus
        cases, programs = self.cases, self.programs
        ratios, values, judge = self.ratios, self.values, self.judge
        print("start-up, ms from process creation (median and range)")
        print(f"  {'':30} {'visible':>22} {'ready: shaped, icon added':>27}")
        print(f"  {floor.name:30} {spread(values(floor, 'visible_ms'), 1):>22}")
        print(f"  {plus.name:30} {spread(values(plus, 'visible_ms'), 1):>22} "
              f"{spread(values(plus, 'ready_ms'), 1):>27}")
        for case in cases:
            print(f"  {case.name:30} {spread(values(case, 'visible_ms'), 1):>22} "
                  f"{spread(values(case, 'ready_ms'), 1):>27}")
        print("  per-round ratios (median and range): visible / floor's visible, "
              "ready / floor-plus's ready")
        for case in cases:
            visible = ratios(case, "visible_ms", floor)
            ready = ratios(case, "ready_ms", plus)
            print(f"  {case.name:30} {spread(visible, 3):>22} {spread(ready, 3):>27}")
            judge(f"visible, {case.name}", visible, VISIBLE_RATIO, "floor")
            judge(f"ready, {case.name}", ready, READY_RATIO, "floor-plus")
        print("  where the time goes (medians, ms from process creation, as the driver first saw "
              "each):")
        for program in programs:
            st = [r["stages"] for r in runs[program.name]]
            parts = [f"{label} {statistics.median(x[key] for x in st):.1f}"
                     for label, key in (("created", "created_ms"), ("visible", "visible_ms"),
                                        ("shaped", "shaped_ms"), ("tray icon", "tray_ms"))
                     if min(x[key] for x in st) >= 0]
            print(f"    {program.name:30} " + ", ".join(parts))
        print()

    def memory(self):
        """Peak resident memory, against the floors."""
        runs = self.runs
        floor, with_file, plus = self.floor, self.with_file, self.plus
        cases, programs = self.cases, self.programs
        ratios, values, judge = self.ratios, self.values, self.judge
        print("peak resident memory after start-up, kB (VmHWM of the Wine process, "
              "/proc/<pid>/status; median and range)")
        for program in programs:
            print(f"  {program.name:30} {spread(values(program, 'hwm_kb'), 0):>24}")
        print("  per-round ratios (median and range): against the floor, against the floor-plus")
        for case in cases:
            to_floor = ratios(case, "hwm_kb", floor)
            to_plus = ratios(case, "hwm_kb", plus)
            print(f"  {case.name:30} {spread(to_floor, 3):>24} {spread(to_plus, 3):>24}")
            judge(f"peak memory, {case.name}", to_plus, MEMORY_RATIO, "floor-plus",
                  f", {statistics.median(to_floor):.3f} x the floor")
        print("  where RavikN.exe's resident memory differs from the floor-plus's (median kB per "
              "mapping after start-up, settings file case; /proc/<pid>/smaps):")

        def median_rss(program, name):
            return statistics.median(r["mappings"].get(name, 0) for r in runs[program.name])

        names = {n for p in (with_file, plus) for r in runs[p.name] for n in r["mappings"]}
        extra = {n: median_rss(with_file, n) - median_rss(plus, n) for n in names}
        for name, kb in sorted(extra.items(), key=lambda kv: -abs(kv[1]))[:10]:
            label = name if name.startswith("[") else Path(name).name
            print(f"    {kb:+8.0f}  {label}")
        print(f"    {sum(extra.values()):+8.0f}  in all")
        print()

    def idle(self):
        """CPU and wake-ups while idle."""
        args, driver, results = self.args, self.driver, self.results
        cases = self.cases
        print(f"idle for {args.idle:g} s after start-up, {args.idle_runs} starts of each case "
              "(/proc/<pid>/stat utime+stime; context switches of all threads)")
        for case in cases:
            idle_runs = [run_once(driver, case, args.idle) for _ in range(args.idle_runs)]
            cpu_s = max(r["idle_cpu_s"] for r in idle_runs)
            wakes = max(r["idle_wakeups"] for r in idle_runs)
            print(f"  {case.name:30} CPU {cpu_s:.2f} s at most (tick {1 / TICKS:.2f} s), "
                  f"wake-ups {wakes} at most")
            results.append((f"idle, {case.name}", cpu_s == 0 and wakes == 0,
                            f"{cpu_s:.2f} s CPU and {wakes} wake-ups at most per {args.idle:g} s"))
        print()

    def executable(self):
        """Size, imports and where the bytes go."""
        args, results = self.args, self.results
        floor, with_file, plus = self.floor, self.with_file, self.plus
        print("executable (stripped with strip; imports from objdump -p; delay-loaded: the other DLL "
              "names it holds)")
        sizes = {}
        for program in (with_file, floor, plus):
            size = stripped_size(program.exe, args.scratch, args.strip)
            sizes[program.name] = size
            static, delayed = imports(program.exe, args.objdump)
            foreign = [d for d in static + delayed if not system_dll(d)]
            label = "RavikN.exe" if program is with_file else program.name
            print(f"  {label:12} {size:8} bytes ({size / 1024:.1f} KiB), unstripped "
                  f"{program.exe.stat().st_size}; imports {', '.join(static)}; delay-loaded "
                  f"{', '.join(delayed) or 'none'}"
                  + (f"; NOT SYSTEM: {', '.join(foreign)}" if foreign else " (all system DLLs)"))
            if program is with_file:
                gadget_foreign = foreign
        if args.map and args.map.exists():
            print("  where RavikN.exe's bytes go (sections kept by the linker, by archive member, "
                  "from its map):")
            members, total = map_members(args.map)
            for member, size in members[:12]:
                print(f"    {size:8}  {size / total:6.1%}  {member}")
            print(f"    {total:8}  in all")
        gadget_size = sizes[with_file.name]
        results.append(("size", gadget_size <= SIZE_LIMIT,
                        f"{gadget_size} bytes stripped (target <= {SIZE_LIMIT}), "
                        f"{gadget_size / sizes[floor.name]:.1f} x the floor"))
        results.append(("imports", not gadget_foreign,
                        "system DLLs only" if not gadget_foreign else
                        f"not system: {', '.join(gadget_foreign)}"))
        print()

    def objects(self):
        """GDI and USER objects and DLLs over many cycles."""
        args, driver, results = self.args, self.driver, self.results
        floor, with_file = self.floor, self.with_file
        print(f"objects over {args.cycles} cycles of panel open/Close, menu open/Escape and "
              "settings dialog open/OK (RavikN.exe with its settings file)")
        with_file.prepare()
        started = driver("start", with_file.windows_exe, with_file.kind, 60000)
        pid = started["pid"]
        try:
            loaded_at_start, _ = module_names(driver, pid, with_file.windows_exe)
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
            # What Wine makes once (a window DC more in its DC cache, a bitmap of its dialog
            # code) comes at a cycle that varies from run to run, in either half; a leak goes on
            # growing. Growth in the second half is judged on as many cycles again.
            confirmed = None
            if gdi_growth(middle, after):
                driver("cycles", pid, args.cycles - half, 10000, timeout=3600)
                confirmed = driver("objects", pid)
            loaded_at_end, outside = module_names(driver, pid, with_file.windows_exe)
            timing = {k: (first[k] * half + second[k] * (args.cycles - half)) / max(args.cycles, 1)
                      for k in ("panel_ms", "menu_ms", "settings_ms")}
            timing["menu_retries"] = first["menu_retries"] + second["menu_retries"]
        finally:
            driver("stop", pid, with_file.kind, 15000)
        floor_started = driver("start", floor.windows_exe, floor.kind, 60000)
        try:
            floor_objects = driver("objects", floor_started["pid"])
            loaded_by_floor, _ = module_names(driver, floor_started["pid"], floor.windows_exe)
        finally:
            driver("stop", floor_started["pid"], floor.kind, 15000)
        print(f"  GDI objects ({at_start['gdi_source']}; Wine's GetGuiResources counts nothing):")
        print(f"    floor after start-up {floor_objects['gdi']}; RavikN.exe after start-up "
              f"{at_start['gdi']}, after {WARM_CYCLES} warm-up cycles {warm['gdi']}, after "
              f"{half} more {middle['gdi']}, after all {args.cycles} {after['gdi']}")
        first_half, second_half = gdi_growth(warm, middle), gdi_growth(middle, after)
        print(f"    growth by kind: in the first {half} cycles after the warm-up "
              f"{first_half or 'none'}, in the last {args.cycles - half} {second_half or 'none'}")
        later = gdi_growth(after, confirmed) if confirmed else {}
        if confirmed:
            print(f"    then {args.cycles - half} cycles more: {confirmed['gdi']}, growth "
                  f"{later or 'none'}")
        print("  USER objects, windows of the process (top-level, children, message-only):")
        print(f"    floor after start-up {floor_objects['windows']}; RavikN.exe after start-up "
              f"{at_start['windows']}, after warm-up {warm['windows']}, after {half} more "
              f"{middle['windows']}, after all {args.cycles} {after['windows']}: growth "
              f"{after['windows'] - warm['windows']}")
        print("  USER objects Wine cannot count from outside (menus, icons, cursors): proved on the "
              "simulated desktop, tests/unit/reliability_leaks_test.cpp Leaks "
              "(World::Live counts windows, DCs, bitmaps, regions and menus)")
        print(f"  {args.cycles} cycles took {took:.0f} s: panel {timing['panel_ms']:.1f} ms, menu "
              f"{timing['menu_ms']:.1f} ms, settings dialog {timing['settings_ms']:.1f} ms per "
              f"cycle; menus reopened after closing by themselves: {timing['menu_retries']}")
        print("  DLLs loaded (EnumProcessModulesEx):")
        print(f"    floor after start-up: {', '.join(loaded_by_floor)}")
        print(f"    RavikN.exe after start-up, besides the floor's: "
              f"{', '.join(sorted(set(loaded_at_start) - set(loaded_by_floor))) or 'none'}")
        print(f"    RavikN.exe after the cycles, besides those: "
              f"{', '.join(sorted(set(loaded_at_end) - set(loaded_at_start))) or 'none'}")
        print(f"    from outside the Windows folder: {', '.join(outside) or 'none'}")
        # A leak grows with the cycles; what Wine makes once is named, and it may grow in one
        # stretch only (growth in the second half had as many cycles again to show that).
        made_once = {k: first_half.get(k, 0) + second_half.get(k, 0)
                     for k in first_half.keys() | second_half.keys()}
        rest = args.cycles - half
        judged = (f"growth {confirmed['gdi'] - after['gdi']} over {rest} cycles more"
                  if confirmed else
                  f"growth {after['gdi'] - middle['gdi']} over the last {rest} cycles")
        once = not later and not (first_half and second_half)
        results.append(("GDI objects", once,
                        judged + (f"; made once: {made_once}" if made_once else "")))
        user_growth = after["windows"] - warm["windows"]
        results.append(("USER objects", user_growth == 0,
                        f"window growth {user_growth} over {args.cycles}; other kinds on the "
                        "simulated desktop"))
        results.append(("DLLs beside the executable", not outside,
                        "none loaded" if not outside else ", ".join(outside)))
        print()

    def scale(self):
        """Start-up at the second scale: last, so that every figure above is at the base scale;
        scripts/bench puts the base scale back."""
        args, driver, results = self.args, self.driver, self.results
        floor, with_file, plus, without = self.floor, self.with_file, self.plus, self.without
        cases = self.cases
        ratios = self.ratios
        print(f"start-up at {args.scale_dpi} dpi against the floors at the same scale, "
              f"{args.scale_rounds} rounds as above (scripts/wine-dpi; the floors take the scale "
              "through the gadget's manifest): median and range")
        set_dpi(args.scale_dpi)
        scaled = start_rounds(driver, floor, with_file, plus, without, args.scale_rounds)
        print(f"  {'':30} {'visible, ms':>22} {'visible / floor':>22} {'ready / floor-plus':>22}")
        print(f"  {floor.name:30} {spread([r['visible_ms'] for r in scaled[floor.name]], 1):>22}")
        for case in cases:
            visible = ratios(case, "visible_ms", floor, scaled)
            ready = ratios(case, "ready_ms", plus, scaled)
            print(f"  {case.name:30} {spread([r['visible_ms'] for r in scaled[case.name]], 1):>22} "
                  f"{spread(visible, 3):>22} {spread(ready, 3):>22}")
        print(f"  visible / floor at {args.scale_dpi} dpi over the same at {BASE_DPI} dpi (the "
              f"rounds above): must not grow, that is, the 95 % interval of the median at "
              f"{args.scale_dpi} dpi must reach down into that at {BASE_DPI} dpi (with fewer "
              "rounds, the median at the second scale alone lies above a narrow interval by "
              "chance)")
        for case in cases:
            base_ratios = ratios(case, "visible_ms", floor)
            base = statistics.median(base_ratios)
            _, base_high = median_interval(base_ratios)
            scale_ratios = ratios(case, "visible_ms", floor, scaled)
            at_scale = statistics.median(scale_ratios)
            scale_low, scale_high = median_interval(scale_ratios)
            quotient = at_scale / base
            print(f"  {case.name:30} {at_scale:.3f} / {base:.3f} = {quotient:.3f}")
            results.append((f"visible at {args.scale_dpi} dpi, {case.name}",
                            scale_low <= base_high,
                            f"{at_scale:.3f} x the floor (interval {scale_low:.3f}-"
                            f"{scale_high:.3f}), {base:.3f} at {BASE_DPI} dpi (interval up to "
                            f"{base_high:.3f}): {quotient:.3f} (target: the intervals meet)"))
        print()

    def targets(self):
        print(f"load:    {load()} (1, 5, 15 min) at the end")
        print()
        print("targets")
        for figure, met, text in self.results:
            print(f"  {'met    ' if met else 'NOT MET'} {figure}: {text}")


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--gadget", type=Path, required=True)
    ap.add_argument("--floor", type=Path, required=True)
    ap.add_argument("--floor-plus", type=Path, required=True)
    ap.add_argument("--map", type=Path, help="the linker map of RavikN.exe, for where its bytes go")
    ap.add_argument("--driver", type=Path, required=True)
    ap.add_argument("--scratch", type=Path, required=True)
    ap.add_argument("--rounds", type=int, default=240)
    ap.add_argument("--scale-dpi", type=int, default=192,
                    help="the second scale start-up is measured at")
    ap.add_argument("--scale-rounds", type=int, default=32)
    ap.add_argument("--idle", type=float, default=10.0)
    ap.add_argument("--idle-runs", type=int, default=3)
    ap.add_argument("--cycles", type=int, default=1000)
    ap.add_argument("--strip", default="x86_64-w64-mingw32-strip")
    ap.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    args = ap.parse_args()

    shutil.rmtree(args.scratch, ignore_errors=True)
    args.scratch.mkdir(parents=True)
    driver = Driver(args.driver, args.scratch)
    with_file = Program("RavikN.exe, settings file", "gadget", args.gadget,
                        args.scratch / "gadget-file", SETTINGS)
    without = Program("RavikN.exe, no settings file", "gadget", args.gadget,
                      args.scratch / "gadget-bare")
    floor = Program("floor", "floor", args.floor, args.scratch / "floor")
    plus = Program("floor-plus", "floor-plus", args.floor_plus, args.scratch / "floor-plus")
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    print(f"date:    {datetime.datetime.now().astimezone().isoformat(timespec='seconds')}")
    print(f"machine: {os.cpu_count()} CPUs, {cpu}; {wine}; Xvfb {os.environ.get('DISPLAY', '')}")
    # Other work on the machine shows in the start-up spread: say how busy it was.
    print(f"load:    {load()} (1, 5, 15 min) at the start")
    orders = len(balanced_orders((floor, with_file, plus, without)))
    print(f"runs:    {args.rounds} rounds at {BASE_DPI} dpi after one discarded warm-up round; "
          "each round starts the floor, RavikN.exe with its settings file, the floor-plus and "
          f"RavikN.exe without one, the rounds going through {orders} orders in which each takes "
          "every place and, across rounds too, follows every other equally often; ratios "
          f"are medians of the per-round ratios; at the end {args.scale_rounds} more at "
          f"{args.scale_dpi} dpi")
    print("driver:  starts each program with CreateProcess and looks every millisecond "
          "(Sleep(1)) for its window visible, then shaped (GetWindowRgn) and its tray icon "
          "added (Shell_NotifyIcon NIM_MODIFY answers); times from just before CreateProcess")
    print("floor:   bench/floor.cpp, one topmost window shown, DPI-aware through the gadget's "
          "manifest; floor-plus: the same, then, as "
          "the gadget does after its badge is shown, a hidden window with an edit box and two "
          "buttons (common controls 6), a region and a tray icon, with the gadget's DLLs "
          "delay-loaded as the gadget loads them")
    print(f"idle:    after the rounds, each case of RavikN.exe started {args.idle_runs} more "
          f"times and watched for {args.idle:g} s")
    print()

    report = Report(args, driver, floor, with_file, plus, without)
    for section in (report.rounds, report.startup, report.memory, report.idle, report.executable,
                    report.objects, report.scale, report.targets):
        section()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BenchError as e:
        print(f"bench: {e}", file=sys.stderr)
        sys.exit(1)
