"""The remote control's figures for tools/lib/bench.py (scenario "remote"):

  latency  from a `recall N` line sent over TCP to the recall packet
           (8x 01 04 3F 02 pp FF) at camsim, camera 1 (0x4B, fast) selected,
           p50/p99 over some dozens of recalls at random phases of the idle
           poll; natively orvalix-cli --listen, under Wine orvalix.exe with
           [Remote] Listen= in the orvalix.ini of its current folder
  idle     the program's processor time and wakeups (context switches of all
           its threads) per second at rest with three lines of cameras found
           and camera 1 polled: without a listener, and with one and a quiet
           subscribed connection; the difference is the listener's cost

The client runs natively and reads the machine's monotonic clock, as camsim's
transcript does, for both programs. An orvalix.exe that does not listen gives
"not available" rows; the native figures stand on their own.
"""
import glob
import os
import random
import shutil
import socket
import subprocess
import tempfile
import time

import bench as b

LISTEN_LIMIT_S = 30
# A recall is followed by the camera's read-back, a watch of its lenses and,
# a second later, the recall again with its read-back, and a recall
# meanwhile waits for them; the next waits until the idle poll (every
# 200 ms) is back, IDLE_GAPS spacings longer than QUIET_S in a row, then a
# random part more, so that the recalls meet the poll at every phase.
IDLE_GAPS = 5
QUIET_S = 0.15
QUIET_LIMIT_S = 10
RECALL_JITTER_S = 0.2
TARGETS = {"remote_native_p99_ms": 2.0, "remote_wine_p99_ms": 5.0}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class LineClient:
    """One remote connection: a line sent, its reply read (event lines passed over)."""

    def __init__(self, port, limit_s):
        end = time.monotonic() + limit_s
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
                break
            except OSError:
                if time.monotonic() > end:
                    raise
                time.sleep(0.2)
        self.file = self.sock.makefile("rwb")

    def ask(self, line):
        self.file.write(line.encode() + b"\n")
        self.file.flush()
        for reply in iter(self.file.readline, b""):
            if not reply.startswith(b"event "):
                return reply.decode(errors="replace").rstrip("\n")
        b.fail("the listener ended the connection after %r" % line)

    def close(self):
        self.file.close()
        self.sock.close()


def is_recall(data):
    return len(data) == 7 and data[1:5] == b"\x01\x04\x3f\x02"


def idle_poll_back(sim):
    sent = [r[0] for r in sim.records() if r[2] == "->"][-IDLE_GAPS - 1:]
    return len(sent) == IDLE_GAPS + 1 and min(t - s for s, t in zip(sent, sent[1:])) > QUIET_S * 1e6


def recall_latencies(client, sim, count):
    """Each recall's way from the line sent to its packet at camsim, in ms."""
    starts = []
    for k in range(count):
        if not b.wait_until(lambda: idle_poll_back(sim), QUIET_LIMIT_S):
            b.fail("no idle poll within %d s of a recall" % QUIET_LIMIT_S)
        time.sleep(random.random() * RECALL_JITTER_S)
        starts.append(time.monotonic_ns() / 1e3)
        reply = client.ask("recall %d" % (1 + k % 2))
        if not reply.startswith("ok"):
            b.fail("recall refused: %s" % reply)
    b.wait_until(lambda: idle_poll_back(sim), QUIET_LIMIT_S)
    recalls = [r[0] for r in sim.records() if r[2] == "->" and is_recall(r[3])]
    lat = []
    for s in starts:
        first = next((t for t in recalls if t >= s), None)
        if first is not None:
            lat.append((first - s) / 1e3)
    return lat


def remote_figures(lat, count):
    return {"count": len(lat), "missing": count - len(lat), "p50_ms": b.percentile(lat, 50),
            "p99_ms": b.percentile(lat, 99), "max_ms": max(lat) if lat else float("nan"), "all_ms": lat}


def wakeups(pid):
    """Context switches of every thread of pid so far (each one a wait ended or cut)."""
    total = 0
    for path in glob.glob("/proc/%d/task/*/status" % pid):
        try:
            for line in open(path):
                if line.startswith(("voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:")):
                    total += int(line.split()[1])
        except (OSError, ValueError):
            pass
    return total


def measure(pids, seconds):
    """Processor time (% of one core) and wakeups per second of pids over the window."""
    time.sleep(1.0)  # settle before the window
    wall0 = time.monotonic_ns()
    cpu0, wake0 = sum(b.pid_cpu_ns(p) for p in pids), sum(wakeups(p) for p in pids)
    time.sleep(seconds)
    cpu1, wake1 = sum(b.pid_cpu_ns(p) for p in pids), sum(wakeups(p) for p in pids)
    wall = time.monotonic_ns() - wall0
    return {"cpu_pct": 100.0 * (cpu1 - cpu0) / wall, "wakeups_per_s": (wake1 - wake0) * 1e9 / wall,
            "vmrss_kb": sum(b.status_kb(p, "VmRSS") for p in pids)}


class Cli:
    """orvalix-cli on camsim's lines with camera 1 selected, listening on `port` when given."""

    def __init__(self, o, devices, port=None):
        self.out = os.path.join(o.workdir, "remote-cli-%d.out" % time.monotonic_ns())
        args = [os.path.join(o.native_build, "orvalix-cli")] + b.port_args(devices) + ["--select", "1",
                                                                                     "--wait", "600000"]
        if port:
            args += ["--listen", "127.0.0.1:%d" % port]
        with open(self.out, "w") as out:
            self.proc = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT)
        wanted = "Remote control on" if port else "Camera 1 selected"
        if not b.wait_until(lambda: self.proc.poll() is not None or wanted in open(self.out).read(),
                            b.CLI_LIST_LIMIT_S) or self.proc.poll() is not None:
            self.stop()
            b.fail("orvalix-cli did not start: " + open(self.out).read()[-400:])

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=10)
        os.unlink(self.out)


def native_latency(o, results):
    sim = b.Camsim(o.native_build, [["0x4B"]], "fast", "monotonic", o.workdir)
    port = free_port()
    cli = None
    try:
        cli = Cli(o, sim.devices(), port)
        client = LineClient(port, LISTEN_LIMIT_S)
        client.ask("select 1")
        lat = recall_latencies(client, sim, o.recalls)
        client.close()
    finally:
        if cli:
            cli.stop()
        sim.stop()
    results.setdefault("remote_native", []).append(remote_figures(lat, o.recalls))
    os.unlink(sim.transcript)


def native_idle(o, results):
    sim = b.Camsim(o.native_build, b.THREE_LINES, "realistic", "start", o.workdir)
    try:
        for key, port in (("remote_idle_native_off", None), ("remote_idle_native_on", free_port())):
            cli = Cli(o, sim.devices(), port)
            try:
                quiet = None
                if port:
                    quiet = LineClient(port, LISTEN_LIMIT_S)
                    quiet.ask("subscribe")
                results.setdefault(key, []).append(measure([cli.proc.pid], o.idle_seconds))
                if quiet:
                    quiet.close()
            finally:
                cli.stop()
    finally:
        sim.stop()
    os.unlink(sim.transcript)


class WinePanel:
    """orvalix.exe started in a folder of its own, with [Remote] Listen= in its orvalix.ini when a port is given."""

    def __init__(self, o, w, port=None):
        self.w = w
        self.folder = tempfile.mkdtemp(prefix="orvalix-remote-", dir=o.workdir)
        if port:
            with open(os.path.join(self.folder, "orvalix.ini"), "w") as f:
                f.write("[Remote]\r\nListen=127.0.0.1:%d\r\n" % port)
        w.panel = subprocess.Popen(["wine", os.path.join(o.windows_build, "orvalix.exe")], env=w.env,
                                   cwd=self.folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def listening(self, port):
        try:
            return LineClient(port, LISTEN_LIMIT_S)
        except OSError:
            return None

    def end(self):
        self.w.end_panel()
        shutil.rmtree(self.folder, ignore_errors=True)


def not_available(results, key):
    results.setdefault(key, []).append({"not_available": True})


def wine_latency(o, w, results):
    sim = b.Camsim(o.native_build, [["0x4B"]], "fast", "monotonic", o.workdir)
    port = free_port()
    try:
        w.map_ports(sim.devices())
        panel = WinePanel(o, w, port)
        try:
            w.drive(["attach", "60", "wait-cameras", "1", "60"], 120)
            client = panel.listening(port)
            if client is None:
                return not_available(results, "remote_wine")
            client.ask("select 1")
            lat = recall_latencies(client, sim, o.recalls)
            client.close()
        finally:
            panel.end()
    finally:
        sim.stop()
    results.setdefault("remote_wine", []).append(remote_figures(lat, o.recalls))


def wine_idle(o, w, results):
    sim = b.Camsim(o.native_build, b.THREE_LINES, "realistic", "start", o.workdir)
    try:
        w.map_ports(sim.devices())
        for key, port in (("remote_idle_wine_off", None), ("remote_idle_wine_on", free_port())):
            panel = WinePanel(o, w, port)
            try:
                w.drive(["attach", "60", "wait-cameras", "4", "120", "select", "1", "20"], 240)
                quiet = panel.listening(port) if port else None
                if port and quiet is None:
                    return not_available(results, "remote_idle_wine_on")
                if quiet:
                    quiet.ask("subscribe")
                results.setdefault(key, []).append(measure(b.find_pids("orvalix.exe", w.prefix), o.idle_seconds))
                if quiet:
                    quiet.close()
            finally:
                panel.end()
    finally:
        sim.stop()


def scenario_remote(o, results):
    o.recalls = 20 if o.quick else 40
    native_latency(o, results)
    native_idle(o, results)
    b.wine_parts(o, results, (wine_latency, wine_idle))


def rows(results, row):
    """The scenario's rows of bench.py's table."""
    for key, label, target in (("remote_native", "remote recall native", "remote_native_p99_ms"),
                               ("remote_wine", "remote recall Wine", "remote_wine_p99_ms")):
        runs = results.get(key)
        if not runs:
            continue
        if runs[0].get("not_available"):
            row("%s" % label, "not available (orvalix.exe does not listen)", "", len(runs))
            continue
        row("%s p50 (%d recalls)" % (label, runs[0]["count"]), b.median(runs, "p50_ms"), "ms", len(runs))
        row("%s p99" % label, b.median(runs, "p99_ms"), "ms", len(runs), "< %g ms" % TARGETS[target])
        row("%s max" % label, b.median(runs, "max_ms"), "ms", len(runs))
    for side in ("native", "wine"):
        off, on = results.get("remote_idle_%s_off" % side), results.get("remote_idle_%s_on" % side)
        label = "remote idle %s" % ("orvalix-cli" if side == "native" else "Wine")
        if on and on[0].get("not_available"):
            row("%s, listener + subscriber" % label, "not available (orvalix.exe does not listen)", "", len(on))
            on = None
        for runs, what in ((off, "no listener"), (on, "listener + subscriber")):
            if runs:
                row("%s, %s: CPU of one core" % (label, what), b.median(runs, "cpu_pct"), "%", len(runs))
                row("%s, %s: wakeups" % (label, what), b.median(runs, "wakeups_per_s"), "/s", len(runs))
        if off and on:
            row("%s, the listener's cost: CPU" % label, b.median(on, "cpu_pct") - b.median(off, "cpu_pct"), "%",
                len(on), "within the noise")
            row("%s, the listener's cost: wakeups" % label,
                b.median(on, "wakeups_per_s") - b.median(off, "wakeups_per_s"), "/s", len(on), "within the noise")
