#!/usr/bin/env python3
"""VerificaBD /corrigir with nothing to repair against a plain check, on the server's own PC (under
Wine, warm wineserver): the default instance laid into the prefix's registry with TCP/IP on, mixed
authentication and its port the test server's, a stand-in for its service, running. /corrigir
adds the reading of the repairs' facts (the registry, the services, the firewall's rules) and its
dialogue. Wine's firewall keeps no rule, so /corrigir offers the firewall's and is answered no:
nothing is changed, nothing recorded, and the checks do not run again. Goal: /corrigir within
10 % of the plain check.

Run after a windows build:  python3 bench/corrigir_overhead.py [--runs 11]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "windows", "bin")
WINE = os.path.join(ROOT, "build", "windows", "wine-run.sh")
sys.path.insert(0, os.path.join(ROOT, "tools", "sqltestserver"))
from sqltestserver import supervisor  # noqa: E402

PASSWORD = "QX#318604275"  # the test server's default password for sa
SERVER_KEY = r"HKLM\SOFTWARE\Microsoft\Microsoft SQL Server"
QUIET = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}


def wine(*arguments, check=False):
    subprocess.run([WINE] + list(arguments), check=check, stdin=subprocess.DEVNULL, **QUIET)


def reg_add(key, name, value, kind="REG_SZ"):
    wine("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/reg:64", "/f", check=True)


def run(folder, arguments, answers):
    started = time.monotonic()
    done = subprocess.run([WINE, os.path.join(folder, "VerificaBD.exe")] + arguments, input=answers.encode(),
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=folder)
    return time.monotonic() - started, done.returncode, done.stdout.decode("utf-8", "replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=11)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="corrigir_overhead_")
    sqltestserver = os.path.join(ROOT, "tools", "sqltestserver")
    subprocess.run([sys.executable, "-m", "sqltestserver", "start", "--dir", work], cwd=sqltestserver, check=True,
                   stdout=subprocess.DEVNULL)
    try:
        control = int(open(os.path.join(work, "sqltestserver.port")).read())
        port = supervisor.request(control, "START {}").split()[1]
        for name in ("VerificaBD.exe", "DBScript.inf", "DBDefault.inf", "DBDemo.inf"):
            shutil.copy(os.path.join(BIN, name), work)
        root = SERVER_KEY + r"\MSSQL15.MSSQLSERVER\MSSQLServer"
        reg_add(SERVER_KEY + r"\Instance Names\SQL", "MSSQLSERVER", "MSSQL15.MSSQLSERVER")
        reg_add(root, "LoginMode", "2", "REG_DWORD")
        reg_add(root + r"\SuperSocketNetLib\Tcp", "Enabled", "1", "REG_DWORD")
        reg_add(root + r"\SuperSocketNetLib\Tcp\IPAll", "TcpPort", port)
        wine("sc", "create", "MSSQLSERVER", "binPath=", os.path.join("Z:" + BIN, "stand_in_service.exe").replace("/", "\\"),
             check=True)
        wine("sc", "start", "MSSQLSERVER")
        server = ["/servidor", "127.0.0.1," + port]
        run(work, server, PASSWORD + "\n")  # warms the wineserver
        # Alternated, so that the machine's other load falls on both alike.
        plain, repairs = [], []
        for _ in range(args.runs):
            plain.append(run(work, server, PASSWORD + "\n")[0])
            seconds, code, output = run(work, server + ["/corrigir"], PASSWORD + "\nN\nN\nN\nN\n")
            if "Feitas: 0;" not in output and "nada a corrigir" not in output:
                print(output)
                sys.exit("/corrigir changed something: not the case this benchmark measures")
            repairs.append(seconds)
        plain.sort()
        repairs.sort()
        median = lambda times: times[len(times) // 2]  # noqa: E731
        print("plain check, on this PC        median %.2f s (min %.2f, max %.2f)" % (median(plain), plain[0], plain[-1]))
        print("/corrigir, nothing to repair   median %.2f s (min %.2f, max %.2f)" % (median(repairs), repairs[0],
                                                                                     repairs[-1]))
        print("overhead %+.1f %% by the medians, %+.1f %% by the fastest runs (goal: at most +10 %%)"
              % (100.0 * (median(repairs) / median(plain) - 1.0), 100.0 * (repairs[0] / plain[0] - 1.0)))
    finally:
        wine("sc", "stop", "MSSQLSERVER")
        wine("sc", "delete", "MSSQLSERVER")
        wine("reg", "delete", SERVER_KEY, "/reg:64", "/f")
        subprocess.run([sys.executable, "-m", "sqltestserver", "stop", "--dir", work], cwd=sqltestserver,
                       stdout=subprocess.DEVNULL)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
