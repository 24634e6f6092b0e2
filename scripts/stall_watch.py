#!/usr/bin/env python3
"""Runs a test command and stops it when it makes no progress, saying what it was waiting for.

    stall_watch.py SECONDS COMMAND [ARGS...]

Progress is processor time: the command and every process it started (a Windows test under Wine,
the wizard it runs, a test server) count together. When all of them used less than a tenth of a
second in the last SECONDS, the command is stalled: each of its processes is listed with what
each thread waits in (the system call and, for a descriptor, what it is), they are ended by
process id, and the exit code is 124. A hang then fails in about a minute with its cause in the
test's log, instead of at ctest's time-out with nothing.
"""
import os
import signal
import subprocess
import sys
import time

SAMPLE_SECONDS = 2.0
IDLE_TICKS_ALLOWED = 10  # processor time in clock ticks (a tenth of a second) below which a window is idle
TICK = os.sysconf("SC_CLK_TCK")

# x86-64 system call numbers of the calls a waiting process sits in (the host's: under the
# emulator too, since the emulator makes them).
SYSCALLS = {0: "read", 1: "write", 7: "poll", 23: "select", 35: "nanosleep", 45: "recvfrom",
            47: "recvmsg", 61: "wait4", 202: "futex", 228: "clock_gettime", 230: "clock_nanosleep",
            232: "epoll_wait", 270: "pselect6", 271: "ppoll", 281: "epoll_pwait", 43: "accept",
            288: "accept4", 42: "connect", 34: "pause", 130: "rt_sigsuspend", 128: "rt_sigtimedwait"}
FD_SYSCALLS = {"read", "write", "recvfrom", "recvmsg", "accept", "accept4", "connect"}


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def stat_fields(path):
    """The fields of a /proc stat file after the command name: state is [0], parent [1]."""
    text = read(path).decode(errors="replace")
    return text[text.rfind(")") + 2:].split() if ")" in text else []


def descendants(root):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            fields = stat_fields(f"/proc/{entry}/stat")
            if fields:
                children.setdefault(int(fields[1]), []).append(int(entry))
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def ticks(pids):
    total = 0
    for pid in pids:
        fields = stat_fields(f"/proc/{pid}/stat")
        if fields:  # utime, stime, and the reaped children's cutime, cstime
            total += sum(int(value) for value in fields[11:15])
    return total


def command_line(pid):
    args = read(f"/proc/{pid}/cmdline").split(b"\0")
    return " ".join(a.decode(errors="replace") for a in args if a)[:160] or "?"


def waiting_in(pid, tid):
    """What a thread waits in: 'read(fd 5: pipe:[1234])', 'futex', 'running'."""
    base = f"/proc/{pid}/task/{tid}"
    state = (stat_fields(f"{base}/stat") or ["?"])[0]
    if state == "R":
        return "running"
    parts = read(f"{base}/syscall").decode(errors="replace").split()
    if not parts or not parts[0].lstrip("-").isdigit():
        return f"state {state}"
    name = SYSCALLS.get(int(parts[0]), f"system call {parts[0]}")
    if name in FD_SYSCALLS and len(parts) > 1:
        fd = int(parts[1], 16)
        try:
            target = os.readlink(f"/proc/{pid}/fd/{fd}")
        except OSError:
            target = "?"
        return f"{name}(fd {fd}: {target})"
    return name


def describe(pids):
    lines = []
    for pid in pids:
        if not os.path.exists(f"/proc/{pid}"):
            continue
        lines.append(f"  process {pid}: {command_line(pid)}")
        try:
            tids = sorted(int(t) for t in os.listdir(f"/proc/{pid}/task"))
        except OSError:
            tids = []
        for tid in tids:
            comm = read(f"/proc/{pid}/task/{tid}/comm").decode(errors="replace").strip()
            lines.append(f"    thread {tid} ({comm}): {waiting_in(pid, tid)}")
    return lines


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    limit = float(sys.argv[1])
    child = subprocess.Popen(sys.argv[2:])
    for sig in (signal.SIGTERM, signal.SIGINT):  # ctest's time-out ends the child too
        signal.signal(sig, lambda number, _: (child.send_signal(number), sys.exit(128 + number)))
    history = []  # (time, ticks)
    while True:
        try:
            return child.wait(timeout=SAMPLE_SECONDS)
        except subprocess.TimeoutExpired:
            pass
        now, pids = time.monotonic(), descendants(child.pid)
        history.append((now, ticks(pids)))
        while len(history) > 1 and now - history[1][0] >= limit:
            history.pop(0)
        start_time, start_ticks = history[0]
        if now - start_time >= limit and history[-1][1] - start_ticks < IDLE_TICKS_ALLOWED:
            break
    used_ms = (history[-1][1] - start_ticks) * 1000 // TICK
    report = [f"stall_watch: STALLED: the test and its {len(pids)} processes used {used_ms} ms of "
              f"processor time in {limit:.0f} s; stopped. What each thread waited in:"]
    report += describe(pids)
    print("\n".join(report), file=sys.stderr, flush=True)
    for pid in reversed(pids):  # the command and what it started: ours to end
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    child.wait()
    return 124


if __name__ == "__main__":
    sys.exit(main())
