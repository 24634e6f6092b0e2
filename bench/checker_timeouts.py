#!/usr/bin/env python3
"""VerificaBD.exe's bounded time-outs: the whole check (under Wine, warm wineserver) against a
test-server instance that accepts TCP and never answers, against a closed port and against a
good server, with the time-outs the program uses. Goal: the silent server's check ends within the
login time-out plus 2 s.

Run after a windows build:  python3 bench/checker_timeouts.py [--runs 3]
"""

import argparse
import os
import socket
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "windows", "bin")
WINE = os.path.join(ROOT, "build", "windows", "wine-run.sh")
sys.path.insert(0, os.path.join(ROOT, "tools", "sqltestserver"))
from sqltestserver import supervisor  # noqa: E402

LOGIN_TIMEOUT_S = 5      # checker/win/program/VerificaBD.cpp: kLoginTimeout
TCP_WAIT_S = 3           # kTcpWait
BROWSER_WAIT_S = 1.5     # kBrowserWait


def closed_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def run(folder, server, password):
    started = time.monotonic()
    done = subprocess.run([WINE, os.path.join(folder, "VerificaBD.exe"), "/servidor", server],
                          input=(password + "\n").encode(), stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, cwd=folder)
    return time.monotonic() - started, done.returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="checker_timeouts_")
    subprocess.run([sys.executable, "-m", "sqltestserver", "start", "--dir", work],
                   cwd=os.path.join(ROOT, "tools", "sqltestserver"), check=True, stdout=subprocess.DEVNULL)
    try:
        port = int(open(os.path.join(work, "sqltestserver.port")).read())
        mute = supervisor.request(port, 'START {"mute": true}').split()[1]
        good = supervisor.request(port, "START {}").split()[1]
        for name in ("VerificaBD.exe", "DBScript.inf", "DBDefault.inf", "DBDemo.inf"):
            with open(os.path.join(BIN, name), "rb") as src, open(os.path.join(work, name), "wb") as dst:
                dst.write(src.read())
        run(work, "127.0.0.1," + good, "x")  # warms the wineserver
        print("time-outs: login %d s, TCP %d s, Browser %.1f s" % (LOGIN_TIMEOUT_S, TCP_WAIT_S, BROWSER_WAIT_S))
        for label, server, password in (("silent server (accepts TCP, never answers)", "127.0.0.1," + mute, "x"),
                                        ("closed port", "127.0.0.1,%d" % closed_port(), "x"),
                                        ("good server", "127.0.0.1," + good, "QX#318604275")):
            times = sorted(run(work, server, password)[0] for _ in range(args.runs))
            print("%-45s median %.2f s (min %.2f, max %.2f)" % (label, times[len(times) // 2], times[0], times[-1]))
        print("goal for the silent server: at most %d s" % (LOGIN_TIMEOUT_S + 2))
    finally:
        subprocess.run([sys.executable, "-m", "sqltestserver", "stop", "--dir", work],
                       cwd=os.path.join(ROOT, "tools", "sqltestserver"), stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
