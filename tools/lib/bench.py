#!/usr/bin/env python3
"""Runs the benchmark scenarios and prints one table (tools/bench builds first).

Scenarios (names for --only):
  init     discovery and initialisation of 1, 7, 21 and 70 cameras (7 a line),
           camsim realistic and paced at 38400 baud, against the lower bound
           read from the same run's transcript
  latency  Put of request 45 (Freeze) into requestQueue to its first byte at
           camsim, engine idle, 1000 requests (native, in-process engine)
  idle     processor time per wall second and memory: ten ports that never
           answer, and three lines with camera 1 selected (polled), the
           engine alone and orvalix-cli
  wine     the latency and idle figures for orvalix.exe under Wine
  pad      a camera that pans and tilts (camsim 0x70, fast): from keypad 8 or 2
           pressed to the drive's first byte at camsim and from the key let
           go to the stop's, natively (the pad's rules and the engine
           in-process, 1000 presses) and under Wine (the keys posted to
           orvalix.exe, 100 presses)
  line     numbered frames back to back at 38400 baud into a pseudo-terminal
           for 10 s, read through a channel opened as the engine's: how many
           came in order, and whether the reader held the line up
  net      cameras over VISCA over IP on 127.0.0.1 (camsim --udp, one a line):
           initialisation of 16 (realistic) against the lower bound, and the
           latency from Put to the datagram's arrival at camsim (fast)
  recovery two realistic cameras on a paced line that camsim unplugs and
           plugs back, then camera 1 switched off and on, camera 1 selected
           and a Freeze put whenever none waits: from the unplug to "COM1
           lost", from camera 1's last answer to "Camera 1 not answering",
           from the return (power-on) to the first Freeze answered, and that
           less the line's own initialisation (from its first address set
           to "COM1 back")
  remote   the remote control: a `recall` line over TCP to the recall at the
           camera, and the idle cost of a listener with a quiet subscriber,
           natively and under Wine (tools/lib/bench_remote.py)
Every figure is the median of the runs made (--repeat).
"""
import argparse
import glob
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

# bench_remote reads this module's helpers as "bench", also when it runs as the program.
sys.modules.setdefault("bench", sys.modules[__name__])
import bench_remote  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BYTE_US = 10 * 1e6 / 38400  # one byte (start, 8 data, stop bits) at 38400 baud
MODELS = ["0x66", "0x4B", "0x5F", "0x67", "0x5C", "0x40", "0x66"]  # one line's chain
THREE_LINES = [["0x66", "0x4B"], ["0x5F"], ["0x66"]]
START_LIMIT_S = 10
CAMSIM_NICE = -10
TARGETS = {"init_ratio": 1.03, "latency_native_p99_ms": 1.0, "latency_wine_p99_ms": 2.0,
           "pad_native_p99_ms": 1.0, "pad_wine_p99_ms": 5.0,
           "idle_native_pct": 0.5, "idle_cli_pct": 0.3, "idle_wine_pct": 1.0,
           "lost_ms": 100, "dead_ms": 1000, "back_beyond_init_ms": 1200}
# camsim's outages in the recovery scenario, seconds from its start.
RECOVERY_FAULTS = ["--fault", "unplug=12:15", "--fault", "cam1:power-off=27:30"]
RECOVERY_SECONDS = 40
CLI_LIST_LIMIT_S = 120
CLI_MARGIN_S = 2  # --wait beyond the settling and the window


class RunFailed(Exception):
    pass


def fail(text):
    raise RunFailed(text)


def wait_until(done, limit_s, step_s=0.05):
    end = time.monotonic() + limit_s
    while time.monotonic() < end:
        if done():
            return True
        time.sleep(step_s)
    return done()


def key_values(text):
    """'key value' lines; a key given several times keeps a list."""
    out = {}
    for line in text.splitlines():
        parts = line.strip().split(" ", 1)
        if len(parts) != 2:
            continue
        out.setdefault(parts[0], []).append(parts[1])
    return out


def raise_priority():
    """The cameras are the instrument: on a loaded machine they should not be
    the ones kept waiting (needs the right to raise priority; else unchanged)."""
    try:
        os.setpriority(os.PRIO_PROCESS, 0, CAMSIM_NICE)
    except OSError:
        pass


class Camsim:
    """camsim as a child: lines of cameras on ptys, every byte in a transcript."""

    def __init__(self, build, lines, profile, clock, workdir, pacing=True, transport=None, extra=()):
        self.transcript = os.path.join(workdir, "transcript-%d.txt" % time.monotonic_ns())
        self.out = self.transcript + ".out"
        args = [os.path.join(build, "camsim"), "--profile", profile, "--clock", clock,
                "--transcript", self.transcript]
        if pacing:
            args.append("--pacing")
        for models in lines:
            args += ["--line", ",".join(models)] + ([transport, "0"] if transport else [])
        args += list(extra)
        self.count = len(lines)
        self.network = transport is not None
        with open(self.out, "w") as out:
            self.proc = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT, preexec_fn=raise_priority)
        if not wait_until(lambda: len(self.devices()) == self.count or self.proc.poll() is not None,
                          START_LIMIT_S) or len(self.devices()) != self.count:
            self.stop()
            fail("camsim did not start: " + open(self.out).read())

    def devices(self):
        """The lines' devices (their links where given), or for network lines their HOST:PORT."""
        pattern = r"^line \d+: \S+ (127\.0\.0\.1:\d+)," if self.network else r"^line \d+: (/\S+?)[ ,].*cameras"
        return re.findall(pattern, open(self.out).read(), re.M)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)

    def events(self):
        """(time in us, what) of the outages camsim notes: 'unplugged', 'cam1 on', ..."""
        out = []
        for line in open(self.transcript):
            m = re.match(r"\s*(\d+)\.(\d{6}) L\d+ ([a-z][a-z0-9 ]*)$", line.rstrip())
            if m:
                out.append((int(m.group(1)) * 1e6 + int(m.group(2)), m.group(3)))
        return out

    def records(self):
        """(time in us, line, '->' or '<-', bytes) in time order."""
        out = []
        for line in open(self.transcript):
            m = re.match(r"\s*(\d+)\.(\d{6}) L(\d+) (->|<-)((?: [0-9A-F]{2})+)", line)
            if m:
                out.append((int(m.group(1)) * 1e6 + int(m.group(2)), int(m.group(3)), m.group(4),
                            bytes(int(b, 16) for b in m.group(5).split())))
        out.sort(key=lambda r: r[0])
        return out


def run_bench(build, args, limit_s):
    cmd = [os.path.join(build, "orvalix_bench")] + args
    try:
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=limit_s)
    except subprocess.TimeoutExpired:
        fail("%s took longer than %d s" % (" ".join(cmd), limit_s))
    if done.returncode != 0:
        fail("%s failed (%d): %s" % (" ".join(cmd), done.returncode, done.stderr.strip()))
    return key_values(done.stdout)


def port_args(devices, network=False):
    """COM1, COM2, ... or, for network lines, IP1, IP2, ... (visca-ip)."""
    out = []
    for i, dev in enumerate(devices):
        out += ["--ip" if network else "--port", "%d=%s" % (i + 1, dev)]
    return out


def lower_bound(records, byte_us=BYTE_US):
    """Time the line and the cameras need, summed over the transactions.

    A transaction starts when the engine's packet reaches the line (a '->'
    record) and lasts until its last reply byte has arrived (the last '<-'
    before the next '->'); camsim writes a paced byte once it has crossed the
    wire, so the span holds the command's wire time, the camera's reply delay
    and the replies' wire time. The engine serves one line at a time, so the
    spans never overlap.
    """
    total = 0.0
    count = 0
    wire = 0.0
    i = 0
    while i < len(records):
        t, _, direction, data = records[i]
        if direction != "->":
            i += 1
            continue
        end = t + len(data) * byte_us
        wire += len(data) * byte_us
        j = i + 1
        while j < len(records) and records[j][2] == "<-":
            end = max(end, records[j][0])
            wire += len(records[j][3]) * byte_us
            j += 1
        total += end - t
        count += 1
        i = j
    return total, count, wire


def scenario_init(o, cameras, results, transport=None):
    """Serial lines carry 7 cameras each at 38400 baud; network lines one each, no wire time."""
    models = [MODELS[k % len(MODELS)] for k in range(cameras)]
    per_line = 1 if transport else 7
    lines = [models[k:k + per_line] for k in range(0, cameras, per_line)]
    sim = Camsim(o.native_build, lines, o.init_profile, "monotonic", o.workdir, pacing=not transport,
                 transport=transport)
    try:
        kv = run_bench(o.native_build, ["init"] + port_args(sim.devices(), transport is not None), 60 + cameras * 10)
    finally:
        sim.stop()
    if int(kv["cameras"][0]) != cameras:
        fail("init found %s cameras of %d (%s)" % (kv["cameras"][0], cameras, kv["status"][0]))
    recs = sim.records()
    created, ready = float(kv["created_us"][0]), float(kv["ready_us"][0])
    bound, count, wire = lower_bound(recs, 0 if transport else BYTE_US)
    first = recs[0][0]
    last = max(r[0] for r in recs)
    run = {"cameras": cameras, "lines": len(lines), "total_ms": (ready - created) / 1e3,
           "first_byte_ms": (first - created) / 1e3, "after_last_reply_ms": (ready - last) / 1e3,
           "bound_ms": bound / 1e3, "wire_ms": wire / 1e3, "transactions": count,
           "ratio": (ready - created) / bound, "ratio_from_first_byte": (ready - first) / bound,
           "own_ms": (ready - created - bound) / 1e3}
    results.setdefault(("init_net_%d" if transport else "init_%d") % cameras, []).append(run)
    os.unlink(sim.transcript)


def percentile(values, p):
    """The value at rank round(p/100 n + 0.5), rounding half to even: of
    1000 the 990th for p99, of 100 the largest."""
    s = sorted(values)
    if not s:
        return float("nan")
    k = min(len(s) - 1, max(0, int(round(p / 100.0 * len(s) + 0.5)) - 1))
    return s[k]


def is_freeze(data):
    return len(data) >= 4 and data[1:4] == b"\x01\x04\x62"


def is_drive(data):
    return len(data) == 9 and data[1:4] == b"\x01\x06\x01" and data[6:8] != b"\x03\x03"


def is_stop(data):
    return len(data) == 9 and data[1:4] == b"\x01\x06\x01" and data[6:8] == b"\x03\x03"


def first_byte_latencies(starts, records, line=1, expected=is_freeze):
    """For each start time the delay to the next packet the engine sent on
    `line`; (latencies in ms, starts whose next packet was not the expected
    one (Freeze), busy)."""
    sent, ends = [], []  # ends: when each sent packet's last reply came
    for r in records:
        if r[1] != line:
            continue
        if r[2] == "->":
            sent.append(r)
            ends.append(r[0])
        elif sent:
            ends[-1] = max(ends[-1], r[0])
    out, other, busy = [], {}, 0
    k = 0
    for s in starts:
        while k < len(sent) and sent[k][0] < s:
            k += 1
        if k >= len(sent):
            other["nothing"] = other.get("nothing", 0) + 1
            continue
        if k > 0 and ends[k - 1] > s:
            busy += 1  # a poll was still on the line
            continue
        data = sent[k][3]
        if not expected(data):
            other[data.hex(" ")] = other.get(data.hex(" "), 0) + 1
            continue
        out.append((sent[k][0] - s) / 1e3)
    return out, other, busy


def latency_figures(lat, other, busy):
    return {"count": len(lat), "p50_ms": percentile(lat, 50), "p99_ms": percentile(lat, 99), "all_ms": lat,
            "max_ms": max(lat) if lat else float("nan"), "other_first": other, "busy": busy}


# A trace reader ten times as eager as the Traffic window (every 100 ms).
TRACE_READER = ["--trace-reader", "10"]


def scenario_latency(o, results, key="latency_native", extra=(), transport=None):
    sim = Camsim(o.native_build, [["0x66"]], "fast", "monotonic", o.workdir, pacing=not transport,
                 transport=transport)
    try:
        kv = run_bench(o.native_build, ["latency", "--count", str(o.requests)] + list(extra) +
                       port_args(sim.devices(), transport is not None), 300)
    finally:
        sim.stop()
    starts = [float(v) for v in kv.get("put_us", [])]
    lat, other, busy = first_byte_latencies(starts, sim.records())
    results.setdefault(key, []).append(latency_figures(lat, other, busy))
    os.unlink(sim.transcript)
    if key == "latency_native" and not o.smoke:
        scenario_latency(o, results, "latency_native_reader", TRACE_READER)


def idle_run(o, args):
    kv = run_bench(o.native_build, ["idle", "--seconds", str(o.idle_seconds)] + args, 120 + o.idle_seconds)
    cpu, wall = float(kv["cpu_ms"][0]), float(kv["wall_ms"][0])
    return {"cpu_pct": 100.0 * cpu / wall, "wall_s": wall / 1e3, "vmrss_kb": int(kv["vmrss_kb"][0]),
            "vmhwm_kb": int(kv["vmhwm_kb"][0]), "channels_open": int(kv["channels_open"][0]),
            "cameras": int(kv["cameras"][0])}


def cli_idle_run(o, devices):
    """orvalix-cli with camera 1 selected: processor time of all its threads
    over the window, which starts 1 s after "Camera 1 selected"."""
    out_path = os.path.join(o.workdir, "cli-%d.out" % time.monotonic_ns())
    wait_ms = int((1 + o.idle_seconds + CLI_MARGIN_S) * 1000)
    args = [os.path.join(o.native_build, "orvalix-cli")] + port_args(devices) + ["--select", "1",
                                                                                 "--wait", str(wait_ms)]
    with open(out_path, "w") as out:
        proc = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT)
    try:
        selected = wait_until(lambda: proc.poll() is not None or "Camera 1 selected" in open(out_path).read(),
                              CLI_LIST_LIMIT_S)
        if not selected or proc.poll() is not None:
            fail("orvalix-cli did not select camera 1: " + open(out_path).read()[-400:])
        time.sleep(1.0)  # settle before the window, as natively
        wall0, cpu0 = time.monotonic_ns(), pid_cpu_ns(proc.pid)
        time.sleep(o.idle_seconds)
        cpu1, wall = pid_cpu_ns(proc.pid), time.monotonic_ns() - wall0
        run = {"cpu_pct": 100.0 * (cpu1 - cpu0) / wall, "wall_s": wall / 1e9,
               "vmrss_kb": status_kb(proc.pid, "VmRSS"), "vmhwm_kb": status_kb(proc.pid, "VmHWM")}
        if proc.poll() is not None:
            fail("orvalix-cli ended inside the window")
        if proc.wait(timeout=30) != 0:
            fail("orvalix-cli failed: " + open(out_path).read()[-400:])
        return run
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait(timeout=10)
        os.unlink(out_path)


def scenario_idle(o, results):
    results.setdefault("idle_native_silent10", []).append(idle_run(o, ["--silent", "10"]))
    sim = Camsim(o.native_build, THREE_LINES, "realistic", "start", o.workdir)
    try:
        results.setdefault("idle_native_3lines", []).append(
            idle_run(o, ["--select", "1"] + port_args(sim.devices())))
        results.setdefault("idle_native_3lines_reader", []).append(
            idle_run(o, ["--select", "1"] + TRACE_READER + port_args(sim.devices())))
        results.setdefault("idle_cli_3lines", []).append(cli_idle_run(o, sim.devices()))
    finally:
        sim.stop()
    os.unlink(sim.transcript)


def scenario_line(o, results):
    kv = run_bench(o.native_build, ["line", "--seconds", str(o.line_seconds)], 60 + 3 * o.line_seconds)
    sent, in_order = int(kv["frames_sent"][0]), int(kv["frames_in_order"][0])
    results.setdefault("line_native", []).append(
        {"frames_sent": sent, "in_order_pct": 100.0 * in_order / sent,
         "writer_late_ms": float(kv["writer_late_ms"][0])})


def first_after(records, t, direction, head):
    """The first record after t going `direction` whose bytes start with head."""
    return next((r for r in records if r[0] > t and r[2] == direction and r[3].startswith(head)), None)


def answered_freeze_after(records, t):
    """When the first Freeze sent after t had its completion (paced replies
    come a byte a record)."""
    sent = first_after(records, t, "->", b"\x81\x01\x04\x62")
    replies = b""
    for r in records:
        if sent and r[0] > sent[0] and r[2] == "<-":
            replies += r[3]
            if b"\x90\x51\xff" in replies:
                return r[0]
    return None


def scenario_recovery(o, results):
    link = os.path.join(o.workdir, "com1-%d" % time.monotonic_ns())
    sim = Camsim(o.native_build, [["0x66", "0x4B"]], "realistic", "monotonic", o.workdir,
                 extra=["--link", link] + RECOVERY_FAULTS)
    try:
        kv = run_bench(o.native_build, ["recovery", "--seconds", str(RECOVERY_SECONDS), "--port", "1=" + link],
                       RECOVERY_SECONDS + 120)
    finally:
        sim.stop()
    events = dict((what, t) for t, what in sim.events())
    recs = sim.records()
    texts = [(float(v.split(" ", 1)[0]), v.split(" ", 1)[1]) for v in kv.get("status_us", [])]

    def status_after(t, text):
        return next((s for s, v in texts if s > t and v.startswith(text)), None)

    if not all(k in events for k in ("unplugged", "plugged in", "cam1 off", "cam1 on")):
        fail("camsim noted no outage: %s" % sorted(events))
    run = {}
    lost = status_after(events["unplugged"], "COM1 lost")
    run["lost_ms"] = (lost - events["unplugged"]) / 1e3 if lost else float("nan")
    last_answer = max((r[0] for r in recs if r[2] == "<-" and r[0] < events["cam1 off"]), default=None)
    dead = status_after(events["cam1 off"], "Camera 1 not answering")
    run["dead_ms"] = (dead - last_answer) / 1e3 if dead and last_answer else float("nan")
    for key, start in (("back", events["plugged in"]), ("power_on", events["cam1 on"])):
        answered = answered_freeze_after(recs, start)
        check = first_after(recs, start, "->", b"\x88\x30\x01")
        back = status_after(start, "COM1 back")
        run[key + "_answered_ms"] = (answered - start) / 1e3 if answered else float("nan")
        own = (back - check[0]) / 1e3 if back and check else float("nan")
        run[key + "_own_init_ms"] = own
        run[key + "_beyond_init_ms"] = run[key + "_answered_ms"] - own
    results.setdefault("recovery", []).append(run)
    os.unlink(sim.transcript)


# ---- Wine -----------------------------------------------------------------

NET_CAMERAS = 16


def scenario_net(o, results):
    """VISCA over IP on 127.0.0.1: 16 cameras initialised, and a request's way to the camera's datagram."""
    scenario_init(o, NET_CAMERAS, results, "--udp")
    scenario_latency(o, results, "latency_net", (), "--udp")


def pid_cpu_ns(pid):
    total = 0
    for path in glob.glob("/proc/%d/task/*/schedstat" % pid):
        try:
            total += int(open(path).read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total


def find_pids(match, prefix):
    """Processes of this user whose command line contains match and whose
    WINEPREFIX is prefix."""
    out = []
    for d in glob.glob("/proc/[0-9]*"):
        try:
            cmd = open(d + "/cmdline", "rb").read().replace(b"\0", b" ").decode(errors="replace")
            env = open(d + "/environ", "rb").read().split(b"\0")
        except OSError:
            continue
        if match in cmd and ("WINEPREFIX=" + prefix).encode() in env:
            out.append(int(d[6:]))
    return out


def status_kb(pid, key):
    try:
        for line in open("/proc/%d/status" % pid):
            if line.startswith(key + ":"):
                return int(line.split()[1])
    except OSError:
        pass
    return -1


class WineSession:
    def __init__(self, o):
        self.o = o
        self.prefix = os.path.join(o.windows_build, "bench-prefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        n = 99
        while os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            n += 1
        self.xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env["DISPLAY"] = ":%d" % n
        if not wait_until(lambda: os.path.exists("/tmp/.X11-unix/X%d" % n), START_LIMIT_S):
            fail("Xvfb did not start")
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, timeout=300)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=300)
        self.panel = None

    def wine(self, args, limit_s):
        """(exit status, output, errors). Files, not pipes: Wine's own
        processes inherit them and would hold a pipe open after the program ends."""
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            p = subprocess.Popen(["wine"] + args, env=self.env, stdout=out, stderr=err, cwd=self.o.windows_build)
            try:
                status = p.wait(timeout=limit_s)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(timeout=10)
                status = "timeout after %d s" % limit_s
            out.seek(0)
            err.seek(0)
            return status, out.read().replace("\r", ""), err.read()

    def map_ports(self, devices):
        reg = os.path.join(self.prefix, "orvalix-bench-ports.reg")
        with open(reg, "w") as f:
            f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n")
            for i in range(10):
                dev = devices[i] if i < len(devices) else "/dev/orvalix-no-port-%d" % (i + 1)
                f.write('"COM%d"="%s"\n' % (i + 1, dev))
            f.write('\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n')
        self.wine(["reg", "import", reg], 120)
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)

    def start_panel(self):
        self.panel = subprocess.Popen(["wine", "orvalix.exe"], env=self.env, cwd=self.o.windows_build,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def drive(self, steps, limit_s):
        status, out, err = self.wine(["orvalix_driver.exe"] + steps, limit_s)
        if status != 0:
            self.end_panel()
            fail("driver %s failed (%s): %s" % (" ".join(steps), status, err.strip()))
        return out

    def end_panel(self):
        if self.panel is not None and self.panel.poll() is None:
            self.wine(["orvalix_driver.exe", "attach", "5", "close", "10"], 60)
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        if self.panel is not None:
            try:
                self.panel.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.panel.kill()
        self.panel = None

    def measure_idle(self):
        panel = find_pids("orvalix.exe", self.prefix)
        server = find_pids("wineserver", self.prefix)
        time.sleep(1.0)  # settle before the window
        wall0 = time.monotonic_ns()
        p0 = sum(pid_cpu_ns(p) for p in panel)
        s0 = sum(pid_cpu_ns(p) for p in server)
        time.sleep(self.o.idle_seconds)
        p1 = sum(pid_cpu_ns(p) for p in panel)
        s1 = sum(pid_cpu_ns(p) for p in server)
        wall = time.monotonic_ns() - wall0
        return {"cpu_pct": 100.0 * (p1 - p0) / wall, "wineserver_cpu_pct": 100.0 * (s1 - s0) / wall,
                "wall_s": wall / 1e9, "processes": len(panel),
                "vmrss_kb": sum(status_kb(p, "VmRSS") for p in panel),
                "vmhwm_kb": sum(status_kb(p, "VmHWM") for p in panel)}

    def close(self):
        self.end_panel()
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()


def wine_silent_ports(o, w, results):
    """Ten ports that open and never answer."""
    holder = subprocess.Popen([os.path.join(o.native_build, "orvalix_bench"), "hold-ptys", "10", "--seconds", "600"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        devices = [holder.stdout.readline().split()[1] for _ in range(10)]
        w.map_ports(devices)
        w.start_panel()
        w.drive(["attach", "60", "wait-status", "Found 0", "60"], 180)
        results.setdefault("idle_wine_silent10", []).append(w.measure_idle())
        w.end_panel()
    finally:
        holder.stdin.close()
        holder.wait(timeout=10)


def wine_three_lines(o, w, results):
    sim = Camsim(o.native_build, THREE_LINES, "realistic", "start", o.workdir)
    try:
        w.map_ports(sim.devices())
        w.start_panel()
        w.drive(["attach", "60", "wait-cameras", "4", "120", "select", "1", "20"], 240)
        results.setdefault("idle_wine_3lines", []).append(w.measure_idle())
        w.end_panel()
    finally:
        sim.stop()


def wine_latency(o, w, results):
    sim = Camsim(o.native_build, THREE_LINES, "fast", "realtime", o.workdir)
    try:
        w.map_ports(sim.devices())
        w.start_panel()
        before = time.time() * 1e6
        out = w.drive(["attach", "60", "wait-cameras", "4", "60", "select", "1", "20",
                       "clicks", str(o.clicks)], 120 + o.clicks)
        after = time.time() * 1e6
        w.end_panel()
    finally:
        sim.stop()
    starts = [float(v) for v in key_values(out).get("click_us", [])]
    if not starts or min(starts) < before or max(starts) > after:
        fail("the driver's clock does not match the machine's real-time clock")
    lat, other, busy = first_byte_latencies(starts, sim.records())
    results.setdefault("latency_wine", []).append(latency_figures(lat, other, busy))


def scenario_pad_native(o, results):
    sim = Camsim(o.native_build, [["0x70"]], "fast", "monotonic", o.workdir)
    try:
        kv = run_bench(o.native_build, ["pad", "--count", str(o.requests)] + port_args(sim.devices()), 300)
    finally:
        sim.stop()
    recs = sim.records()
    for key, head, expected in (("pad_native_down", "down_us", is_drive), ("pad_native_up", "up_us", is_stop)):
        starts = [float(v) for v in kv.get(head, [])]
        results.setdefault(key, []).append(latency_figures(*first_byte_latencies(starts, recs, 1, expected)))
    os.unlink(sim.transcript)


def wine_pad(o, w, results):
    sim = Camsim(o.native_build, [["0x70"]], "fast", "realtime", o.workdir)
    try:
        w.map_ports(sim.devices())
        w.start_panel()
        before = time.time() * 1e6
        out = w.drive(["attach", "60", "wait-cameras", "1", "60", "select", "1", "20", "wait-pad", "30",
                       "pad", str(o.clicks)], 120 + o.clicks)
        after = time.time() * 1e6
        w.end_panel()
    finally:
        sim.stop()
    recs = sim.records()
    kv = key_values(out)
    for key, head, expected in (("pad_wine_down", "key_down_us", is_drive), ("pad_wine_up", "key_up_us", is_stop)):
        starts = [float(v) for v in kv.get(head, [])]
        if not starts or min(starts) < before or max(starts) > after:
            fail("the driver's clock does not match the machine's real-time clock")
        results.setdefault(key, []).append(latency_figures(*first_byte_latencies(starts, recs, 1, expected)))
    os.unlink(sim.transcript)


def scenario_pad(o, results):
    scenario_pad_native(o, results)
    wine_parts(o, results, (wine_pad,))


def scenario_wine(o, results):
    wine_parts(o, results, (wine_silent_ports, wine_three_lines, wine_latency))


def wine_parts(o, results, parts):
    """The Wine parts given, in one session (an X server of its own, the bench's prefix)."""
    for name in ("orvalix.exe", "orvalix_driver.exe"):
        if not os.path.exists(os.path.join(o.windows_build, name)):
            fail("%s is missing in %s" % (name, o.windows_build))
    w = WineSession(o)
    try:
        for part in parts:
            # A loaded machine now and then stalls the program past a reply
            # time-out during initialisation; one more try, and say so.
            try:
                part(o, w, results)
            except RunFailed as e:
                w.end_panel()
                results.setdefault("failures", []).append({"scenario": part.__name__ + " (tried again)",
                                                           "error": str(e)})
                part(o, w, results)
    finally:
        w.close()


# ---- Report ---------------------------------------------------------------

def machine():
    model = ""
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    wine = ""
    if shutil.which("wine"):
        wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    load = open("/proc/loadavg").read().split()[:3]
    return {"nproc": os.cpu_count(), "cpu": model, "kernel": platform.release(), "wine": wine,
            "loadavg": " ".join(load)}


def median(runs, key):
    values = [r[key] for r in runs if r.get(key) == r.get(key)]
    return statistics.median(values) if values else float("nan")


def table(results):
    rows = []

    def row(what, value, unit, runs, target=""):
        rows.append((what, value if isinstance(value, str) else ("%.3f %s" % (value, unit)).strip(),
                     str(runs), target))

    for key, label in [("init_%d" % n, "init %d cameras" % n) for n in (1, 7, 21, 70)] + [
            ("init_net_%d" % NET_CAMERAS, "init %d network cameras" % NET_CAMERAS)]:
        runs = results.get(key)
        if not runs:
            continue
        row("%s: total" % label, median(runs, "total_ms"), "ms", len(runs))
        row("%s: lower bound" % label, median(runs, "bound_ms"), "ms", len(runs))
        row("%s: own time" % label, median(runs, "own_ms"), "ms", len(runs))
        row("%s: ratio" % label, median(runs, "ratio"), "", len(runs), "<= %.2f" % TARGETS["init_ratio"])
        row("%s: ratio from first byte" % label, median(runs, "ratio_from_first_byte"), "", len(runs))
    for key, label, target in (("latency_native", "latency native", TARGETS["latency_native_p99_ms"]),
                               ("latency_native_reader", "latency native, trace read",
                                TARGETS["latency_native_p99_ms"]),
                               ("latency_net", "latency visca-ip native", TARGETS["latency_native_p99_ms"]),
                               ("latency_wine", "latency Wine", TARGETS["latency_wine_p99_ms"]),
                               ("pad_native_down", "pad native, key down to drive", TARGETS["pad_native_p99_ms"]),
                               ("pad_native_up", "pad native, key up to stop", TARGETS["pad_native_p99_ms"]),
                               ("pad_wine_down", "pad Wine, key down to drive", TARGETS["pad_wine_p99_ms"]),
                               ("pad_wine_up", "pad Wine, key up to stop", TARGETS["pad_wine_p99_ms"])):
        runs = results.get(key)
        if not runs:
            continue
        row("%s p50 (%d %s)" % (label, runs[0]["count"], "keys" if key.startswith("pad") else "requests"),
            median(runs, "p50_ms"), "ms", len(runs))
        row("%s p99" % label, median(runs, "p99_ms"), "ms", len(runs), "< %g ms" % target)
        row("%s max" % label, median(runs, "max_ms"), "ms", len(runs))
    for key, label, target in (("idle_native_silent10", "idle native, 10 silent ports", ""),
                               ("idle_native_3lines", "idle native, 3 lines, camera polled",
                                "< %g %%" % TARGETS["idle_native_pct"]),
                               ("idle_native_3lines_reader", "idle native, 3 lines, camera polled, trace read",
                                "< %g %%" % TARGETS["idle_native_pct"]),
                               ("idle_cli_3lines", "idle orvalix-cli, 3 lines, camera polled",
                                "<= %g %%" % TARGETS["idle_cli_pct"]),
                               ("idle_wine_silent10", "idle Wine, 10 silent ports", ""),
                               ("idle_wine_3lines", "idle Wine, 3 lines, camera polled",
                                "< %g %%" % TARGETS["idle_wine_pct"])):
        runs = results.get(key)
        if not runs:
            continue
        row("%s: CPU of one core" % label, median(runs, "cpu_pct"), "%", len(runs), target)
        if "wineserver_cpu_pct" in runs[0]:
            row("%s: wineserver CPU" % label, median(runs, "wineserver_cpu_pct"), "%", len(runs))
        row("%s: VmRSS" % label, median(runs, "vmrss_kb"), "kB", len(runs))
        row("%s: VmHWM" % label, median(runs, "vmhwm_kb"), "kB", len(runs))
    runs = results.get("recovery")
    if runs:
        n = len(runs)
        row("recovery: unplug to \"COM1 lost\"", median(runs, "lost_ms"), "ms", n, "<= %d ms" % TARGETS["lost_ms"])
        row("recovery: last answer to \"Camera 1 not answering\"", median(runs, "dead_ms"), "ms", n,
            "<= %d ms" % TARGETS["dead_ms"])
        for key, label in (("back", "return"), ("power_on", "power-on")):
            row("recovery: %s to the first request answered" % label, median(runs, key + "_answered_ms"), "ms", n)
            row("recovery: %s: the line's own initialisation" % label, median(runs, key + "_own_init_ms"), "ms", n)
            row("recovery: %s: beyond it" % label, median(runs, key + "_beyond_init_ms"), "ms", n,
                "<= %d ms" % TARGETS["back_beyond_init_ms"])
    bench_remote.rows(results, row)
    runs = results.get("line_native")
    if runs:
        label = "line speed native (%d frames)" % runs[0]["frames_sent"]
        row("%s: in order" % label, median(runs, "in_order_pct"), "%", len(runs), "100 %")
        row("%s: writer held up" % label, median(runs, "writer_late_ms"), "ms", len(runs))
    widths = [max(len(r[i]) for r in rows + [("figure", "median", "runs", "target")]) for i in range(4)]
    lines = []
    for r in [("figure", "median", "runs", "target")] + rows:
        lines.append(" | ".join(r[i].ljust(widths[i]) for i in range(4)).rstrip())
        if len(lines) == 1:
            lines.append("-+-".join("-" * w for w in widths))
    return "\n".join(lines)


def attempt(results, name, scenario, *args):
    """Runs one scenario; a failure is counted and reported, the rest goes on."""
    print("== %s" % name, file=sys.stderr, flush=True)
    try:
        scenario(*args)
    except RunFailed as e:
        print("bench: %s failed: %s" % (name, e), file=sys.stderr, flush=True)
        results.setdefault("failures", []).append({"scenario": name, "error": str(e)})


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--native-build", default=os.path.join(ROOT, "build", "bench"))
    ap.add_argument("--windows-build", default=os.path.join(ROOT, "build", "windows"))
    ap.add_argument("--only", default="init,latency,idle,wine,pad,line,net,recovery,remote", help="comma-separated scenarios")
    ap.add_argument("--cameras", help="camera counts for init (default 1,7,21,70; --quick: 1,7,21)")
    ap.add_argument("--repeat", type=int, default=3, help="runs of each measurement (70 cameras: one)")
    ap.add_argument("--quick", action="store_true", help="one run, fewer requests, shorter idle windows")
    ap.add_argument("--json", metavar="FILE", help="write every run's figures and the machine as JSON")
    ap.add_argument("--smoke", action="store_true", help="1 camera, fast cameras, one run: does it work")
    o = ap.parse_args()
    o.native_build = os.path.abspath(o.native_build)
    o.windows_build = os.path.abspath(o.windows_build)
    o.requests, o.clicks, o.idle_seconds, o.init_profile, o.line_seconds = 1000, 100, 5, "realistic", 10
    scenarios = o.only.split(",")
    if o.quick:
        o.repeat, o.requests, o.clicks, o.idle_seconds, o.line_seconds = 1, 300, 60, 3, 3
    cameras = [int(n) for n in (o.cameras or ("1,7,21" if o.quick else "1,7,21,70")).split(",")]
    if o.smoke:
        o.repeat, o.requests, scenarios, cameras, o.init_profile = 1, 20, ["init", "latency"], [1], "fast"
    o.workdir = tempfile.mkdtemp(prefix="orvalix-bench-")
    results = {}
    started = time.monotonic()
    try:
        for k in range(o.repeat):
            if "init" in scenarios:
                for n in cameras:
                    if n > 21 and k > 0:
                        continue  # about a minute a run
                    attempt(results, "init %d cameras, run %d" % (n, k + 1), scenario_init, o, n, results)
            if "latency" in scenarios:
                attempt(results, "latency native, run %d" % (k + 1), scenario_latency, o, results)
            if "idle" in scenarios:
                attempt(results, "idle native, run %d" % (k + 1), scenario_idle, o, results)
            if "wine" in scenarios:
                attempt(results, "Wine, run %d" % (k + 1), scenario_wine, o, results)
            if "pad" in scenarios:
                attempt(results, "pad, run %d" % (k + 1), scenario_pad, o, results)
            if "line" in scenarios:
                attempt(results, "line speed native, run %d" % (k + 1), scenario_line, o, results)
            if "net" in scenarios:
                attempt(results, "network cameras, run %d" % (k + 1), scenario_net, o, results)
            if "recovery" in scenarios:
                attempt(results, "recovery native, run %d" % (k + 1), scenario_recovery, o, results)
            if "remote" in scenarios:
                attempt(results, "remote control, run %d" % (k + 1), bench_remote.scenario_remote, o, results)
    finally:
        shutil.rmtree(o.workdir, ignore_errors=True)
    info = machine()
    info["seconds"] = round(time.monotonic() - started, 1)
    print("machine: %(nproc)s cores, %(cpu)s, kernel %(kernel)s, %(wine)s, load %(loadavg)s" % info)
    print(table(results))
    for f in results.get("failures", []):
        word = "RETRIED" if f["scenario"].endswith("(tried again)") else "FAILED"
        print("%s: %s: %s" % (word, f["scenario"], f["error"]))
    print("(%s s)" % info["seconds"])
    if o.json:
        with open(o.json, "w") as f:
            json.dump({"machine": info, "targets": TARGETS, "runs": results}, f, indent=1)
    if o.smoke and (results.get("failures") or not results.get("init_1") or not results.get("latency_native")):
        sys.exit(1)


if __name__ == "__main__":
    main()
