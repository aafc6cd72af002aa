#!/usr/bin/env python3
"""Writes bench/RESULTS.md from the JSON that the micro-benchmarks and the latency benchmark
wrote. Called by scripts/bench; the file is never edited by hand."""

import argparse
import json
import os
import platform
import time

TARGETS = {
    "single": "median <= 5 ms, p99 < 20 ms after second 00",
    "all256": "all 256 started within 1 s",
    "end": "median <= 5 ms for one task, also one whose program exits at once",
    "end256": "median <= 20 ms with 256 processes ending in the same second",
    "idle": "< 0.5 % of one core",
    "startup": "< 300 ms",
    "burst": "idle, all 256 started <= 250 ms and the last of 16 <= 30 ms after second 00, one "
             "task <= 3 ms (median); loaded, the last of 256 started at least 2x earlier than "
             "cron's last and ends recorded within 50 ms (median)",
}


def machine():
    model = ""
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return (f"{os.cpu_count()} CPUs ({model}), kernel {platform.release()}" +
            (f"; {reclaim}" if (reclaim := page_reclaim()) else ""))


def page_reclaim():
    """Whether the kernel pages out file pages nobody touched for a while (DAMON's pageout
    scheme): then the program files and the folders' bookkeeping a start needs are read from
    the disk again at the start of a minute, unless Chorelin's warm-up read them just before."""
    base = "/sys/kernel/mm/damon/admin/kdamonds"
    try:
        for kdamond in os.listdir(base):
            if not kdamond.isdigit():
                continue
            with open(f"{base}/{kdamond}/state") as f:
                if f.read().strip() != "on":
                    continue
            schemes = f"{base}/{kdamond}/contexts/0/schemes"
            for scheme in os.listdir(schemes):
                if scheme.isdigit():
                    with open(f"{schemes}/{scheme}/action") as f:
                        if f.read().strip() == "pageout":
                            return ("the kernel pages out file pages that no process maps "
                                    "once nobody has touched them for a minute (DAMON "
                                    "pageout): the program files and folders a start needs "
                                    "come from the disk again unless read before the minute")
    except OSError:
        pass
    return ""


def ms(value):
    return "n/a" if value is None else f"{value:.2f}"


def row_of(summary):
    if not summary:
        return "n/a | n/a | n/a | n/a | 0"
    return (f"{ms(summary['min'])} | {ms(summary['median'])} | {ms(summary['p99'])} | "
            f"{ms(summary['max'])} | {summary['n']}")


def micro_section(paths):
    lines = ["| Benchmark | Real time | CPU time | Iterations |", "|---|---:|---:|---:|"]
    context = None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data.get("context", {})
        for b in data.get("benchmarks", []):
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            unit = b.get("time_unit", "ns")
            lines.append(f"| {b['name']} | {b['real_time']:.1f} {unit} | "
                         f"{b['cpu_time']:.1f} {unit} | {b['iterations']} |")
    if context:
        lines.append("")
        lines.append(f"Load average when the micro-benchmarks ran: "
                     f"{', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}.")
    return lines


def median_gap(samples):
    starts = sorted(s["start"] for s in samples if s.get("start") is not None)
    gaps = sorted(b - a for a, b in zip(starts, starts[1:]))
    return gaps[len(gaps) // 2] / 1e6 if gaps else None


def latency_section(path, title):
    with open(path) as f:
        r = json.load(f)
    load = r.get("load_workers", 0)
    out = [f"### {title}", "",
           f"Command: `{r['command']}`; load average before: {r['machine'].get('load_before')}; "
           f"each task's program lives {r['hold_ms']} ms unless noted" +
           (f"; {load} busy worker(s) kept the cores loaded while the tasks were due." if load
            else "."), ""]
    out += ["Start of the task's program after second 00 of its minute (ms):", "",
            "| Tasks due in the minute | who | min | median | p99 | max (= last started) | samples |",
            "|---:|---|---:|---:|---:|---:|---:|"]
    for count, run in sorted(r["runs"].items(), key=lambda kv: int(kv[0])):
        label = count if run["minutes"] == 1 else f"{count} (x {run['minutes']} minutes)"
        out.append(f"| {label} | Chorelin | {row_of(run['start'])} |")
        if "cron_start" in run:
            out.append(f"| {label} | cron | {row_of(run['cron_start'])} |")
            if run["start"] and run["cron_start"]:
                out.append(f"| {label} | cron / Chorelin | | "
                           f"{run['cron_start']['median'] / run['start']['median']:.1f}x | | "
                           f"{run['cron_start']['max'] / run['start']['max']:.1f}x | |")
    gaps = []
    for count, run in sorted(r["runs"].items(), key=lambda kv: int(kv[0])):
        if int(count) > 1:
            for who in ("chorelin", "cron"):
                gap = median_gap(run["raw"].get(who, []))
                if gap is not None:
                    gaps.append(f"{count} tasks, {'Chorelin' if who == 'chorelin' else 'cron'}: "
                                f"{gap:.2f} ms")
    if gaps:
        out += ["", "Median gap between two consecutive starts in one minute: " +
                "; ".join(gaps) + "."]
    phases = [(count, run["raw"].get("phases")) for count, run in
              sorted(r["runs"].items(), key=lambda kv: int(kv[0])) if run["raw"].get("phases")]
    if phases:
        out += ["", "The burst minute's pass, from the trace (ms after second 00): the first task "
                "marked as starting; the write before the starts; the starts (from the end of "
                "that write to the start of the next); the write after them:", "",
                "| Tasks due | first marked | write before | starts | write after |",
                "|---:|---:|---:|---:|---:|"]
        for count, p in phases:
            wb, wa = p["write_before"], p["write_after"]
            out.append(f"| {count} | {ms(p['first_marked'])} | {ms(wb[0])}–{ms(wb[1])} | "
                       f"{ms(wb[1])}–{ms(wa[0])} | {ms(wa[0])}–{ms(wa[1])} |")
    for count, run in sorted(r["runs"].items(), key=lambda kv: int(kv[0])):
        prof = run["raw"].get("profile")
        if not prof:
            continue
        out += ["", f"Where the CPU time went around the burst of {count} (perf, "
                f"{prof['samples']} samples at 5 kHz over 3 s from a second before second 00; "
                f"Chorelin's own threads {prof['chorelin_percent']:.1f} % of them, the started "
                "programs the rest). Self time of Chorelin's threads, by library and by function "
                "(`[k]` the kernel):", "",
                "| library | % | function | % |", "|---|---:|---|---:|"]
        libs, funcs = prof["libraries"], prof["functions"]
        for i in range(max(len(libs), len(funcs))):
            lib = f"{libs[i]['name']} | {libs[i]['percent']:.1f}" if i < len(libs) else " | "
            fn = (f"`{funcs[i]['name']}` | {funcs[i]['percent']:.1f}" if i < len(funcs)
                  else " | ")
            out.append(f"| {lib} | {fn} |")
    out += ["", "From a program's exit to Chorelin recording its end (ms):", "",
            "| Tasks due in the minute | program | min | median | p99 | max | samples |",
            "|---:|---|---:|---:|---:|---:|---:|"]
    for count, run in sorted(r["runs"].items(), key=lambda kv: int(kv[0])):
        out.append(f"| {count} | lives {r['hold_ms']} ms | {row_of(run['end_seen'])} |")
        if run.get("end_seen_quick"):
            out.append(f"| {count} | exits at once | {row_of(run['end_seen_quick'])} |")
    quick = r.get("quick")
    if quick:
        out.append(f"| 1 (x {quick['minutes']} minutes) | exits at once, every minute | "
                   f"{row_of(quick['end_seen'])} |")
    idle = r.get("idle")
    if idle or r.get("startup_ms"):
        out += ["", "Idle with 256 tasks and nothing due, and start-up:", ""]
    if idle:
        out += [f"- CPU: {idle['cpu_percent']:.3f} % of one core "
                f"({idle['cpu_ms_per_minute']:.0f} ms per minute, measured over "
                f"{idle['seconds']:.0f} s); wake-ups: {idle['wakeups_per_minute']:.0f} per minute "
                f"(context switches of all threads); peak RSS (VmHWM): "
                f"{idle['peak_rss_mb']:.1f} MiB."]
    s = r.get("startup_ms")
    if s:
        out += [f"- Start-up with 256 tasks, from process start to the trace line "
                f"\"CChorelinView::OnInitialUpdate() End\": median {ms(s['median'])} ms, "
                f"min {ms(s['min'])}, max {ms(s['max'])} ({s['n']} runs)."]
    out.append("")
    return out


def verdicts(paths):
    """One line per burst target, from the runs that measure it: met or not, with the figure."""
    runs = {}
    floors = []
    for title, path in paths:
        with open(path) as f:
            r = json.load(f)
        floors.append(r.get("floor"))
        if r.get("perf"):
            continue  # the profiler's own cost is in its figures
        runs["loaded" if r.get("load_workers") else "idle"] = runs.get(
            "loaded" if r.get("load_workers") else "idle", []) + [r["runs"]]
    lines = []

    def check(label, value, limit, better_low=True, unit="ms"):
        if value is None:
            lines.append(f"- {label}: not measured")
            return
        met = value <= limit if better_low else value >= limit
        lines.append(f"- {label}: {value:.2f} {unit} ({'met' if met else 'NOT met'}, target "
                     f"{'<=' if better_low else '>='} {limit} {unit})")

    def worst(kind, count, field, stat):
        values = [rs[count][field][stat] for rs in runs.get(kind, [])
                  if count in rs and rs[count].get(field)]
        return max(values) if values else None

    check("idle, last of 256 started", worst("idle", "256", "start", "max"), 250)
    check("idle, last of 16 started", worst("idle", "16", "start", "max"), 30)
    check("idle, one task (median)", worst("idle", "1", "start", "median"), 3)
    floors = [f for f in floors if f]
    if floors:
        lines.append(
            "  - for comparison, the leanest start this machine allows after the same quiet "
            "minute (`bench/floor_start.c`: the same program's file read 30 ms before second 00, "
            "then a timed sleep until second 00 and vfork and exec, nothing else): median "
            f"{max(f['median'] for f in floors):.2f} ms, min {min(f['min'] for f in floors):.2f}"
            f" ({sum(f['n'] for f in floors)} minutes)")
    ratios = [rs["256"]["cron_start"]["max"] / rs["256"]["start"]["max"]
              for rs in runs.get("loaded", []) if "256" in rs and rs["256"].get("cron_start")
              and rs["256"].get("start")]
    check("loaded, cron's last of 256 / Chorelin's last", min(ratios) if ratios else None, 2,
          better_low=False, unit="x")
    check("loaded, end recorded (median, 256)", worst("loaded", "256", "end_seen", "median"), 50)
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--micro", nargs="*", default=[])
    parser.add_argument("--latency", action="append", default=[],
                        help="TITLE=PATH of a latency result")
    parser.add_argument("--command", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    lines = ["# Benchmark results", "",
             "Written by `scripts/bench`; do not edit. Reproduce with:", "",
             f"    {args.command}", "",
             f"Machine: {machine()}. Written {time.strftime('%Y-%m-%d %H:%M %Z')}.", "",
             "Targets: single due task " + TARGETS["single"] + "; " + TARGETS["all256"] +
             "; end of a process recorded " + TARGETS["end"] + ", " + TARGETS["end256"] +
             "; idle with 256 tasks " +
             TARGETS["idle"] + "; start-up with 256 tasks " + TARGETS["startup"] + "; bursts: " +
             TARGETS["burst"] + ".", ""]
    if args.micro:
        lines += ["## Micro-benchmarks (Release, Google Benchmark)", ""]
        lines += micro_section(args.micro)
        lines.append("")
    if args.latency:
        pairs = [item.split("=", 1) for item in args.latency]
        lines += ["## Burst targets", ""] + verdicts(pairs) + [""]
        lines += ["## Whole process (bench/latency/latency.py)", ""]
        for title, path in pairs:
            lines += latency_section(path, title)
    with open(args.out, "w") as f:
        f.write("\n".join(lines).rstrip() + "\n")


if __name__ == "__main__":
    main()
