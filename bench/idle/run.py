"""Idle cost of the shipped launcher beside a minimal program with one window and a message loop,
measured in one run: CPU time, wake-ups (context switches of all threads), paints (from the
program's trace) and private memory, after start and after the idle period.

Runs inside tools/wine-run (the build's emulator), which provides the prefix and a display."""
import argparse
import glob
import os
import shutil
import signal
import subprocess
import time

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def find_process(marker, timeout=30.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        for stat in glob.glob("/proc/[0-9]*/cmdline"):
            try:
                with open(stat, "rb") as f:
                    command = f.read().replace(b"\0", b" ")
            except OSError:
                continue
            # A Windows program under Wine shows its own path as its first word; the wine
            # launcher that started it does not.
            first = command.split(b" ", 1)[0].replace(b"\\", b"/")
            if first.endswith(b"/" + marker.encode()):
                return int(stat.split("/")[2])
        time.sleep(0.1)
    raise SystemExit(f"no process runs {marker}")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime + stime


def wakeups(pid):
    total = 0
    for status in glob.glob(f"/proc/{pid}/task/*/status"):
        try:
            with open(status) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def private_bytes(pid):
    total = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                total += int(line.split()[1]) * 1024
    return total


def wineserver_cpu():
    total = 0.0
    for stat in glob.glob("/proc/[0-9]*/comm"):
        try:
            with open(stat) as f:
                if f.read().strip() == "wineserver":
                    total += cpu_seconds(int(stat.split("/")[2]))
        except OSError:
            pass
    return total


def paints(trace):
    if not trace or not os.path.exists(trace):
        return None
    with open(trace, errors="replace") as f:
        return sum(1 for line in f if "host: presented" in line)


def measure(name, program, seconds, settle, trace=None):
    env = dict(os.environ)
    if trace:
        env["WEBSHELL_TRACE"] = subprocess.run(["winepath", "-w", trace], capture_output=True, text=True,
                                               env=env).stdout.strip()
    process = subprocess.Popen(["wine", program], cwd=os.path.dirname(program), env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        pid = find_process(os.path.basename(program))
        time.sleep(settle)
        start = (cpu_seconds(pid), wakeups(pid), paints(trace), private_bytes(pid), wineserver_cpu())
        time.sleep(seconds)
        end = (cpu_seconds(pid), wakeups(pid), paints(trace), private_bytes(pid), wineserver_cpu())
    finally:
        try:
            os.kill(pid, signal.SIGKILL)
        except (OSError, UnboundLocalError):
            pass
        process.kill()
        process.wait()
    cpu = end[0] - start[0]
    return {
        "name": name,
        "cpu_s": cpu,
        "cpu_pct": 100.0 * cpu / seconds,
        "server_s": end[4] - start[4],
        "wakeups_per_s": (end[1] - start[1]) / seconds,
        "paints": None if start[2] is None else end[2] - start[2],
        "private_start": start[3],
        "private_end": end[3],
    }


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True, help="the packed webshell.exe")
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--settle", type=float, default=5.0)
    options = parser.parse_args()
    shutil.rmtree(options.work, ignore_errors=True)
    options.work = os.path.abspath(options.work)
    os.makedirs(options.work)
    # Names of their own, so the processes are found by their command lines.
    launcher = os.path.join(options.work, "idle-launcher.exe")
    baseline = os.path.join(options.work, "idle-baseline.exe")
    shutil.copyfile(options.program, launcher)
    shutil.copyfile(options.baseline, baseline)
    trace = os.path.join(options.work, "trace.txt")
    rows = [measure("webshell launcher", launcher, options.seconds, options.settle, trace),
            measure("baseline window", baseline, options.seconds, options.settle)]
    print(f"idle for {options.seconds:.0f} s after {options.settle:.0f} s to settle")
    print(f"{'program':<20}{'CPU s':>8}{'% core':>9}{'wineserver s':>14}{'wake-ups/s':>12}{'paints':>8}"
          f"{'private MB start':>18}{'end':>8}")
    for row in rows:
        paint = "-" if row["paints"] is None else str(row["paints"])
        print(f"{row['name']:<20}{row['cpu_s']:>8.2f}{row['cpu_pct']:>9.3f}{row['server_s']:>14.2f}"
              f"{row['wakeups_per_s']:>12.1f}{paint:>8}{row['private_start'] / 1e6:>18.2f}"
              f"{row['private_end'] / 1e6:>8.2f}")
    ratio = rows[0]["private_end"] / rows[1]["private_end"] if rows[1]["private_end"] else float("nan")
    print(f"private memory, launcher / baseline: {ratio:.2f}")


if __name__ == "__main__":
    main()
