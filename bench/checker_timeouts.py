#!/usr/bin/env python3
"""VerificaBD.exe's bounded time-outs: the whole check (under Wine, warm wineserver) against a
test-server instance that accepts TCP and never answers, against a closed port and against a
good server, with the time-outs the program uses; then as on the server's own PC (the instance
laid into the prefix's registry, its error log of 50 MB), against the silent server and against a
refused login, whose cause is read from the log's end. Goal: the silent server's check ends within
the login time-out plus 2 s, the registry and the error log included.

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


SERVER_KEY = r"HKLM\SOFTWARE\Microsoft\Microsoft SQL Server"
LOG_BYTES = 50 * 1024 * 1024


def reg(*arguments):
    subprocess.run([WINE, "reg"] + list(arguments) + ["/reg:64", "/f"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def lay_server_on_this_pc(port, log_windows_path, log_unix_path):
    """The instance SQLEXPRESS as its installer registers it, listening on `port`, and an error
    log of LOG_BYTES whose last lines refuse the login sa (state 8), stamped a minute ahead of
    this PC's clock: logged since each run's check began, as the refusal the run itself met."""
    root = SERVER_KEY + r"\MSSQL15.SQLEXPRESS\MSSQLServer"
    reg("add", SERVER_KEY + r"\Instance Names\SQL", "/v", "SQLEXPRESS", "/d", "MSSQL15.SQLEXPRESS")
    reg("add", root, "/v", "LoginMode", "/t", "REG_DWORD", "/d", "2")
    reg("add", root + r"\SuperSocketNetLib\Tcp", "/v", "Enabled", "/t", "REG_DWORD", "/d", "1")
    reg("add", root + r"\SuperSocketNetLib\Tcp\IPAll", "/v", "TcpPort", "/d", str(port))
    reg("add", root + r"\Parameters", "/v", "SQLArg1", "/d", "-e" + log_windows_path)
    line = "2026-12-09 08:00:01.00 spid12s     Starting up database 'model'.\r\n"
    stamp = time.strftime("%Y-%m-%d %H:%M:%S.31", time.localtime(time.time() + 60))
    refusal = (stamp + " Logon       Error: 18456, Severity: 14, State: 8.\r\n" +
               stamp + " Logon       Login failed for user 'sa'. Reason: Password did "
               "not match that for the login provided. [CLIENT: <local machine>]\r\n")
    with open(log_unix_path, "wb") as log:
        log.write(b"\xff\xfe")
        block = (line * 1000).encode("utf-16-le")
        for _ in range(LOG_BYTES // len(block)):
            log.write(block)
        log.write(refusal.encode("utf-16-le"))


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
        # As on the server's own PC: the registry read, and for the refusal the log's end.
        prefix = os.environ.get("WINEPREFIX") or os.path.join(ROOT, "build", "windows", "wineprefix")
        log_unix = os.path.join(prefix, "drive_c", "ERRORLOG-bench")
        lay_server_on_this_pc(mute, r"C:\ERRORLOG-bench", log_unix)
        try:
            for label, server, password in (("silent server, on this PC (registry read)", "127.0.0.1," + mute, "x"),):
                times = sorted(run(work, server, password)[0] for _ in range(args.runs))
                print("%-45s median %.2f s (min %.2f, max %.2f)" % (label, times[len(times) // 2], times[0], times[-1]))
            reg("add", SERVER_KEY + r"\MSSQL15.SQLEXPRESS\MSSQLServer\SuperSocketNetLib\Tcp\IPAll", "/v", "TcpPort",
                "/d", good)
            times = sorted(run(work, "127.0.0.1," + good, "x")[0] for _ in range(args.runs))
            print("%-45s median %.2f s (min %.2f, max %.2f)" % ("refused login, on this PC (50 MB error log)",
                                                                  times[len(times) // 2], times[0], times[-1]))
        finally:
            subprocess.run([WINE, "reg", "delete", SERVER_KEY, "/reg:64", "/f"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            os.remove(log_unix)
        print("goal for the silent server: at most %d s" % (LOGIN_TIMEOUT_S + 2))
    finally:
        subprocess.run([sys.executable, "-m", "sqltestserver", "stop", "--dir", work],
                       cwd=os.path.join(ROOT, "tools", "sqltestserver"), stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
