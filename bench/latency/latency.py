#!/usr/bin/env python3
"""Whole-process latency of Chorelin: the real program on Qt's offscreen platform, in a private
home, with tasks due in the next minute whose program notes the wall-clock time it began.

Measures, for N = 1, 16 and 256 tasks due in one minute: how long after second 00 each task's
program began (min, median, p99, max; the last of the N is the max), and how long after a
program's exit the program recorded its end (the trace line of the end, stamped by
CHORELIN_TRACE_TIMES=1, against the exit time the program noted). A run of its own has one
task a minute whose program exits at once, the end that a watcher asleep in its pause would
see late. Also the idle cost with 256
tasks and nothing due (CPU time and wake-ups per minute, peak RSS) and the start-up time to the
end of the list's initial update.

With --vs-cron the system's cron daemon runs the same programs from a crontab for the same
minutes (installing the cron package when it is missing) and both are shown side by side.
With --load N, N busy loops (stress-ng --cpu N where it is installed) keep the machine's cores
busy while the due tasks start, so the figures are those of a loaded machine.

It waits for real minutes: a full run takes about nine minutes. Every process it starts
(Chorelin, cron, the tasks' programs) is ended by its pid before it returns.
"""

import argparse
import json
import os
import platform as pyplatform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

END_LINE = re.compile(r"^\[(\d+)\.(\d{9})\] タスク（(.+)）の終了を検出しました。$")
STAMP_LINE = re.compile(r"^(\S+) (start|exit) (\d+)\.(\d{9})$")
INITIAL_UPDATE_END = "CChorelinView::OnInitialUpdate() End"
HOLD_MS = 1000  # the programs live this long, so the watcher is already waiting on them


def log(text):
    print(f"[latency] {text}", file=sys.stderr, flush=True)


def ns_of(sec, nsec):
    return int(sec) * 1_000_000_000 + int(nsec)


def percentile(values, fraction):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * fraction // 1))
    return ordered[int(rank) - 1]


def summary_ms(values_ns):
    if not values_ns:
        return None
    ms = [v / 1e6 for v in values_ns]
    return {
        "n": len(ms),
        "min": min(ms),
        "median": statistics.median(ms),
        "p99": percentile(ms, 0.99),
        "max": max(ms),
    }


class PrivateHome:
    """HOME, the XDG folders and the runtime folder of one Chorelin instance."""

    def __init__(self, label):
        self.root = tempfile.mkdtemp(prefix=f"chorelin-latency-{label}-")
        self.home = os.path.join(self.root, "home")
        self.documents = os.path.join(self.home, "Documents")
        self.config = os.path.join(self.root, "config")
        self.runtime = os.path.join(self.root, "runtime")
        self.jobs = os.path.join(self.root, "jobs")
        for folder in (self.documents, self.config, self.runtime, self.jobs,
                       os.path.join(self.root, "data"), os.path.join(self.root, "cache"),
                       os.path.join(self.root, "state")):
            os.makedirs(folder, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        with open(os.path.join(self.config, "user-dirs.dirs"), "w") as f:
            f.write('XDG_DOCUMENTS_DIR="$HOME/Documents"\n')
        self.trace = os.path.join(self.root, "trace.log")
        self.stamps = os.path.join(self.root, "stamps.log")
        self.task_file = os.path.join(self.documents, "chorelin", "chorelin.tsk")

    def env(self):
        env = dict(os.environ)
        env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config,
            "XDG_DATA_HOME": os.path.join(self.root, "data"),
            "XDG_CACHE_HOME": os.path.join(self.root, "cache"),
            "XDG_STATE_HOME": os.path.join(self.root, "state"),
            "XDG_RUNTIME_DIR": self.runtime,
            "QT_QPA_PLATFORM": "offscreen",
            "QT_LOGGING_RULES": "qt.core.qobject.connect=false",
            "CHORELIN_TRACE": self.trace,
            "CHORELIN_TRACE_TIMES": "1",
            "CHORELIN_BENCH_STAMPS": self.stamps,
            "CHORELIN_BENCH_HOLD_MS": str(HOLD_MS),
        })
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Bench:
    def __init__(self, build, perf=False):
        self.build = os.path.abspath(build)
        self.perf = perf
        self.chorelin = os.path.join(self.build, "src", "app", "chorelin")
        self.stamp = os.path.join(self.build, "bench", "chorelin_bench_stamp")
        self.make_tasks = os.path.join(self.build, "bench", "chorelin_bench_tasks")
        self.floor = os.path.join(self.build, "bench", "chorelin_bench_floor")
        for tool in (self.chorelin, self.stamp, self.make_tasks, self.floor):
            if not os.access(tool, os.X_OK):
                sys.exit(f"latency: {tool} is missing; build with -DCHORELIN_BUILD_BENCH=ON")
        self.started = []  # Popen objects of every Chorelin and cron we started
        self.cron_pids_ours = []  # cron daemons that installing the package started

    # --- helpers -------------------------------------------------------------------------

    def link_jobs(self, home, names):
        paths = []
        for name in names:
            path = os.path.join(home.jobs, name)
            os.link(self.stamp, path)
            paths.append(path)
        return paths

    def write_tasks(self, home, pairs):
        os.makedirs(os.path.dirname(home.task_file), exist_ok=True)
        args = [self.make_tasks, home.task_file]
        for program, run_time in pairs:
            args += [program, run_time]
        subprocess.run(args, check=True)

    def start_chorelin(self, home):
        t0 = time.time_ns()
        proc = subprocess.Popen([self.chorelin], env=home.env(), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.started.append(proc)
        return proc, t0

    def trace_lines(self, home):
        try:
            with open(home.trace, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def trace_time(self, home, text):
        """Wall-clock ns of the first trace line that ends with `text`."""
        for line in self.trace_lines(home):
            if line.endswith("] " + text):
                m = re.match(r"^\[(\d+)\.(\d{9})\] ", line)
                if m:
                    return ns_of(m.group(1), m.group(2))
        return None

    def wait_for(self, condition, timeout_s, step_s=0.002):
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(step_s)
        return condition()

    def stop(self, proc):
        """Ends one process we started: SIGTERM (Chorelin saves and leaves), then SIGKILL."""
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        if proc in self.started:
            self.started.remove(proc)

    def kill_jobs(self, home):
        """Ends, by pid, any task program still running from this home's job folder."""
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                exe = os.readlink(f"/proc/{pid}/exe")
            except OSError:
                continue
            if exe.startswith(home.jobs + "/"):
                try:
                    os.kill(int(pid), signal.SIGKILL)
                except ProcessLookupError:
                    pass

    def stamps(self, home):
        starts, exits = {}, {}
        try:
            with open(home.stamps) as f:
                for line in f:
                    m = STAMP_LINE.match(line.strip())
                    if m:
                        (starts if m.group(2) == "start" else exits)[m.group(1)] = ns_of(
                            m.group(3), m.group(4))
        except FileNotFoundError:
            pass
        return starts, exits

    def ends_recorded(self, home):
        ends = {}
        for line in self.trace_lines(home):
            m = END_LINE.match(line)
            if m:
                ends.setdefault(m.group(3), ns_of(m.group(1), m.group(2)))
        return ends

    def pass_phases(self, home, due_ns):
        """Where the first pass of the burst minute spent its time, from the trace's own stamps
        (ms after second 00): the decision under the lock (the first task marked as starting
        to the first write), the write before the starts, the starts themselves, the write
        after them."""
        stamped = []
        for line in self.trace_lines(home):
            m = re.match(r"^\[(\d+)\.(\d{9})\] (.*)$", line)
            if m and ns_of(m.group(1), m.group(2)) >= due_ns:
                stamped.append((ns_of(m.group(1), m.group(2)), m.group(3)))
        first = next((t for t, text in stamped if text.endswith("を実行します。")), None)
        if first is None:
            return None
        marks = [t for t, text in stamped if t >= first and text.startswith("MyTaskWrite() ")]
        if len(marks) < 4:
            return None
        ms = [(t - due_ns) / 1e6 for t in [first] + marks[:4]]
        return {"first_marked": ms[0], "write_before": [ms[1], ms[2]],
                "write_after": [ms[3], ms[4]]}

    @staticmethod
    def next_minute(lead_s):
        """Epoch seconds of the next minute's second 00 at least lead_s from now."""
        now = time.time()
        target = (int(now) // 60 + 1) * 60
        if target - now < lead_s:
            target += 60
        return target

    @staticmethod
    def hhmm(epoch):
        return time.strftime("%H:%M", time.localtime(epoch))

    @staticmethod
    def sleep_until(epoch):
        while True:
            left = epoch - time.time()
            if left <= 0:
                return
            time.sleep(min(left, 1.0))

    # --- cron ----------------------------------------------------------------------------

    @staticmethod
    def cron_pids():
        found = subprocess.run(["pgrep", "-x", "cron"], capture_output=True, text=True)
        return {int(p) for p in found.stdout.split()}

    def ensure_perf(self):
        """perf (Debian's linux-perf), installed when missing; False when it cannot be."""
        if shutil.which("perf") is None:
            sudo = [] if os.geteuid() == 0 else ["sudo"]
            log("installing perf (apt-get install -y linux-perf)")
            env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
            install = sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends",
                              "linux-perf"]
            if subprocess.run(install, env=env, stdin=subprocess.DEVNULL).returncode != 0:
                subprocess.run(sudo + ["apt-get", "update", "-qq"], env=env,
                               stdin=subprocess.DEVNULL)
                subprocess.run(install, env=env, stdin=subprocess.DEVNULL)
        return shutil.which("perf") is not None

    def profile(self, data):
        """Where Chorelin's own threads spent their CPU time in the recorded seconds (self time
        by library and function, the largest first), and their share of all samples, the
        started programs being the rest."""
        def report(*args):
            return subprocess.run(["perf", "report", "-i", data, "--stdio", "--no-children",
                                   "-g", "none", *args], capture_output=True, text=True,
                                  errors="replace").stdout
        by_comm = report("--sort", "comm")
        ours = sum(float(m.group(1)) for m in
                   re.finditer(r"^\s*([\d.]+)%\s+chorelin\s*$", by_comm, re.M))
        samples = re.search(r"# Samples: ([\d.]+)([KM]?)", by_comm)
        count = 0
        if samples:
            count = int(float(samples.group(1)) * {"": 1, "K": 1e3, "M": 1e6}[samples.group(2)])

        def rows(sort, limit):
            found = []
            for line in report("--comms", "chorelin", "--sort", sort).splitlines():
                m = re.match(r"^\s*([\d.]+)%\s+(.+?)\s*$", line)
                if m and not line.startswith("#"):
                    found.append({"percent": float(m.group(1)), "name": m.group(2)})
            return found[:limit]
        return {"samples": count, "chorelin_percent": ours, "libraries": rows("dso", 8),
                "functions": rows("sym", 12)}

    def ensure_cron(self):
        if shutil.which("cron") is None:
            before = self.cron_pids()
            log("installing cron (apt-get install -y cron)")
            env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
            sudo = [] if os.geteuid() == 0 else ["sudo"]
            install = sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", "cron"]
            if subprocess.run(install, env=env, stdin=subprocess.DEVNULL).returncode != 0:
                subprocess.run(sudo + ["apt-get", "update", "-qq"], env=env,
                               stdin=subprocess.DEVNULL)
                subprocess.run(install, env=env, stdin=subprocess.DEVNULL, check=True)
            # The package may start the daemon itself; that one is ours to end.
            self.cron_pids_ours = sorted(self.cron_pids() - before)
        return shutil.which("cron") is not None

    def start_cron(self, home, jobs_by_minute):
        """Installs a crontab for the same minutes and starts cron in the foreground (ours to
        end), unless a cron daemon already runs. Returns (proc or None, saved crontab)."""
        saved = subprocess.run(["crontab", "-l"], capture_output=True, text=True)
        saved_text = saved.stdout if saved.returncode == 0 else None
        lines = [f"CHORELIN_BENCH_STAMPS={home.stamps}", f"CHORELIN_BENCH_HOLD_MS={HOLD_MS}"]
        for epoch, programs in jobs_by_minute:
            t = time.localtime(epoch)
            for program in programs:
                lines.append(f"{t.tm_min} {t.tm_hour} * * * {program}")
        subprocess.run(["crontab", "-"], input="\n".join(lines) + "\n", text=True, check=True)
        proc = None
        if not self.cron_pids():
            proc = subprocess.Popen(["cron", "-f"], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.started.append(proc)
        return proc, saved_text

    def stop_cron(self, proc, saved_text):
        if proc is not None:
            self.stop(proc)
        if saved_text is None:
            subprocess.run(["crontab", "-r"], capture_output=True)
        else:
            subprocess.run(["crontab", "-"], input=saved_text, text=True)

    # --- the measurements ----------------------------------------------------------------

    def startup(self, runs):
        """Process start to the end of the list's initial update, 256 tasks, nothing due."""
        times = []
        for i in range(runs):
            home = PrivateHome(f"startup{i}")
            try:
                self.prepare_idle_home(home)
                proc, t0 = self.start_chorelin(home)
                at = self.wait_for(lambda: self.trace_time(home, INITIAL_UPDATE_END), 30, 0.005)
                self.stop(proc)
                if at:
                    times.append(at - t0)
            finally:
                home.remove()
        return summary_ms(times)

    def prepare_idle_home(self, home):
        # Two hours ago: the next runs are tomorrow, so nothing becomes due while measured.
        run_time = self.hhmm(time.time() - 7200)
        programs = self.link_jobs(home, [f"idle-{i:03d}" for i in range(256)])
        self.write_tasks(home, [(p, run_time) for p in programs])

    @staticmethod
    def proc_counters(pid):
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        cpu_s = (int(fields[11]) + int(fields[12])) / ticks  # utime + stime, all threads
        switches = 0
        for tid in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{tid}/status") as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches",
                                            "nonvoluntary_ctxt_switches")):
                            switches += int(line.split()[1])
            except FileNotFoundError:
                pass
        hwm_kb = 0
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    hwm_kb = int(line.split()[1])
        return cpu_s, switches, hwm_kb

    def idle(self, seconds):
        home = PrivateHome("idle")
        try:
            self.prepare_idle_home(home)
            proc, _ = self.start_chorelin(home)
            if not self.wait_for(lambda: self.trace_time(home, INITIAL_UPDATE_END), 30, 0.01):
                self.stop(proc)
                return None
            time.sleep(2)  # past the start-up's own work
            cpu0, sw0, _ = self.proc_counters(proc.pid)
            w0 = time.monotonic()
            time.sleep(seconds)
            cpu1, sw1, hwm = self.proc_counters(proc.pid)
            wall = time.monotonic() - w0
            self.stop(proc)
            return {
                "seconds": wall,
                "cpu_percent": 100.0 * (cpu1 - cpu0) / wall,
                "cpu_ms_per_minute": 1000.0 * (cpu1 - cpu0) * 60 / wall,
                "wakeups_per_minute": (sw1 - sw0) * 60 / wall,
                "peak_rss_mb": hwm / 1024.0,
            }
        finally:
            self.kill_jobs(home)
            home.remove()

    def floor_run(self, minutes):
        """The leanest start of the same program after the same quiet minutes, for comparison:
        floor_start reads its file 30 ms ahead, sleeps until second 00 and starts it."""
        home = PrivateHome("floor")
        try:
            first = self.next_minute(lead_s=12)
            names = [f"floor-{m:03d}" for m in range(minutes)]
            self.link_jobs(home, names)
            log(f"floor: 1 program in each of {minutes} minute(s) from {self.hhmm(first)}")
            subprocess.run([self.floor, home.jobs, "floor", str(first), str(minutes)],
                           env=home.env(), check=True, timeout=60 * minutes + 60)
            starts, _ = self.stamps(home)
            return summary_ms([starts[n] - (first + 60 * m) * 1_000_000_000
                               for m, n in enumerate(names) if n in starts])
        finally:
            self.kill_jobs(home)
            home.remove()

    def due_run(self, label, count, minutes, vs_cron, quick_every=0):
        """`count` tasks due in each of `minutes` consecutive minutes (count 1 only when
        minutes > 1), cron beside it with --vs-cron. Returns the raw samples."""
        home = PrivateHome(label)
        cron = None
        saved = None
        try:
            first = self.next_minute(lead_s=12)
            pairs, cron_minutes, names = [], [], []
            for m in range(minutes):
                epoch = first + 60 * m
                batch = []
                for i in range(count):
                    k = m * count + i
                    quick = quick_every and m % quick_every == quick_every - 1
                    name = f"bench-{k:03d}" + ("-quick" if quick else "")
                    batch.append(name)
                    names.append((name, epoch))
                programs = self.link_jobs(home, batch)
                pairs += [(p, self.hhmm(epoch)) for p in programs]
                if vs_cron:
                    cron_programs = self.link_jobs(home, ["cron-" + n for n in batch])
                    cron_minutes.append((epoch, cron_programs))
            self.write_tasks(home, pairs)
            last = first + 60 * (minutes - 1)
            log(f"{label}: {count} task(s) in each of {minutes} minute(s) from "
                f"{self.hhmm(first)}" + (" (cron beside it)" if vs_cron else ""))
            if vs_cron:
                cron, saved = self.start_cron(home, cron_minutes)
            self.sleep_until(first - 6)
            proc, _ = self.start_chorelin(home)
            if not self.wait_for(lambda: self.trace_time(home, INITIAL_UPDATE_END), 30, 0.01):
                log(f"{label}: Chorelin did not finish its start-up")
            want = [n for n, _ in names]
            cron_want = ["cron-" + n for n in want] if vs_cron else []

            def complete():
                starts, exits = self.stamps(home)
                ends = self.ends_recorded(home)
                return (all(n in exits and n in ends for n in want) and
                        all(n in exits for n in cron_want))

            recorder = None
            if self.perf:
                # From a second before the burst until its programs have begun; perf follows
                # the threads Chorelin starts meanwhile and the programs it starts.
                self.sleep_until(first - 1)
                data = os.path.join(home.root, "perf.data")
                recorder = subprocess.Popen(["perf", "record", "-q", "-F", "4999", "-g",
                                             "-p", str(proc.pid), "-o", data, "--",
                                             "sleep", "3"], stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            self.sleep_until(last)
            self.wait_for(complete, 30 + HOLD_MS / 1000, 0.05)
            profile = None
            if recorder is not None:
                recorder.wait()
                profile = self.profile(data)
            self.stop(proc)
            starts, exits = self.stamps(home)
            ends = self.ends_recorded(home)
            result = {"chorelin": [], "cron": []}
            for name, epoch in names:
                due = epoch * 1_000_000_000
                sample = {"name": name, "minute": epoch,
                          "start": starts[name] - due if name in starts else None,
                          "end_seen": (ends[name] - exits[name]) if name in ends and name in exits
                          else None}
                result["chorelin"].append(sample)
                if vs_cron:
                    c = "cron-" + name
                    result["cron"].append({"name": c, "minute": epoch,
                                           "start": starts[c] - due if c in starts else None})
            result["phases"] = self.pass_phases(home, first * 1_000_000_000)
            if profile:
                result["profile"] = profile
            missing = [s["name"] for s in result["chorelin"] if s["start"] is None]
            if missing:
                log(f"{label}: {len(missing)} task(s) never started")
            return result
        finally:
            if cron is not None or saved is not None or vs_cron:
                self.stop_cron(cron, saved)
            for proc in list(self.started):
                self.stop(proc)
            self.kill_jobs(home)
            home.remove()

    def cleanup(self):
        for proc in list(self.started):
            self.stop(proc)
        for pid in self.cron_pids_ours:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        self.cron_pids_ours = []


def machine():
    model = ""
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    try:
        with open("/proc/loadavg") as f:
            load = " ".join(f.read().split()[:3])
    except OSError:
        load = ""
    return {"nproc": os.cpu_count(), "cpu": model, "kernel": pyplatform.release(),
            "load_before": load}


class Load:
    """N processes that keep one core each busy, at the same priority as Chorelin, while the
    context lasts: stress-ng --cpu N where it is installed, else N busy loops."""

    def __init__(self, workers):
        self.workers = workers
        self.procs = []

    def __enter__(self):
        if self.workers <= 0:
            return self
        if shutil.which("stress-ng"):
            self.procs.append(subprocess.Popen(
                ["stress-ng", "--cpu", str(self.workers), "--quiet"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        else:
            for _ in range(self.workers):
                self.procs.append(subprocess.Popen([sys.executable, "-c", "while True: pass"]))
        log(f"load: {self.workers} busy worker(s)")
        return self

    def __exit__(self, *exc):
        for proc in self.procs:
            proc.send_signal(signal.SIGTERM)
        for proc in self.procs:
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        self.procs = []
        return False


def starts_of(samples):
    return [s["start"] for s in samples if s.get("start") is not None]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build-bench", help="the Release build with benches")
    parser.add_argument("--vs-cron", action="store_true", help="run cron beside it and compare")
    parser.add_argument("--counts", default="1,16,256", help="tasks due in one minute")
    parser.add_argument("--single-minutes", type=int, default=3,
                        help="minutes of the single-task run (one task each)")
    parser.add_argument("--quick-minutes", type=int, default=3,
                        help="minutes with one task whose program exits at once (0: none)")
    parser.add_argument("--idle-seconds", type=float, default=60)
    parser.add_argument("--startup-runs", type=int, default=5)
    parser.add_argument("--load", type=int, default=0,
                        help="busy workers that load the cores while tasks are due (0: none)")
    parser.add_argument("--floor-minutes", type=int, default=0,
                        help="minutes of the leanest start of the same program, for comparison")
    parser.add_argument("--perf", action="store_true",
                        help="profile Chorelin with perf through each burst minute")
    parser.add_argument("--json", help="write the results here")
    args = parser.parse_args()

    bench = Bench(args.build, args.perf)
    if args.perf and not bench.ensure_perf():
        sys.exit("latency: perf could not be installed")
    results = {"machine": machine(), "vs_cron": args.vs_cron, "hold_ms": HOLD_MS,
               "load_workers": args.load, "perf": args.perf,
               "command": " ".join(["bench/latency/latency.py"] + sys.argv[1:]), "runs": {}}
    if args.vs_cron and not bench.ensure_cron():
        sys.exit("latency: cron could not be installed")
    try:
        if args.startup_runs > 0:
            log("start-up, 256 tasks")
            results["startup_ms"] = bench.startup(args.startup_runs)
        if args.idle_seconds > 0:
            log(f"idle, 256 tasks, {args.idle_seconds:.0f} s")
            results["idle"] = bench.idle(args.idle_seconds)
        for count in [int(c) for c in args.counts.split(",") if c]:
            minutes = args.single_minutes if count == 1 else 1
            # In the single-task run every third minute's program exits at once.
            with Load(args.load):
                raw = bench.due_run(f"n{count}", count, minutes, args.vs_cron,
                                    quick_every=3 if count == 1 and minutes >= 3 else 0)
            held = [s for s in raw["chorelin"] if not s["name"].endswith("-quick")]
            quick = [s for s in raw["chorelin"] if s["name"].endswith("-quick")]
            run = {
                "count": count,
                "minutes": minutes,
                "start": summary_ms(starts_of(raw["chorelin"])),
                "end_seen": summary_ms([s["end_seen"] for s in held
                                        if s["end_seen"] is not None]),
                "end_seen_quick": summary_ms([s["end_seen"] for s in quick
                                              if s["end_seen"] is not None]),
                "started": len(starts_of(raw["chorelin"])),
                "raw": raw,
            }
            if args.vs_cron:
                run["cron_start"] = summary_ms(starts_of(raw["cron"]))
                run["cron_started"] = len(starts_of(raw["cron"]))
            results["runs"][str(count)] = run
            log(f"n={count}: start {fmt(run['start'])}; end seen {fmt(run['end_seen'])}"
                + (f"; cron start {fmt(run['cron_start'])}" if args.vs_cron else ""))
        if args.floor_minutes > 0:
            results["floor"] = bench.floor_run(args.floor_minutes)
            log(f"floor: start {fmt(results['floor'])}")
        if args.quick_minutes > 0:
            raw = bench.due_run("quick", 1, args.quick_minutes, False, quick_every=1)
            samples = raw["chorelin"]
            results["quick"] = {
                "minutes": args.quick_minutes,
                "start": summary_ms(starts_of(samples)),
                "end_seen": summary_ms([s["end_seen"] for s in samples
                                        if s["end_seen"] is not None]),
                "raw": raw,
            }
            log(f"exits at once: end seen {fmt(results['quick']['end_seen'])}")
    finally:
        bench.cleanup()
    text = json.dumps(results, indent=1)
    if args.json:
        with open(args.json, "w") as f:
            f.write(text + "\n")
    else:
        print(text)


def fmt(s):
    if not s:
        return "n/a"
    return f"min {s['min']:.2f} / median {s['median']:.2f} / max {s['max']:.2f} ms (n={s['n']})"


if __name__ == "__main__":
    main()
