#!/usr/bin/python3
"""Client overhead of the ODBC layer: the sample scripts (schema, default data, demonstration
data, each into a new database) run through OdbcDatabase under Wine, and the same batches run by
FreeTDS's own tsql, against the same kind of test server instance, in one run. Prints the time
per iteration of each and their ratio (goal: at most 1.1).

Needs the Windows build (odbc_scripts_bench) and freetds-bin (tsql).
    python3 bench/odbc_client_overhead.py [iterations]
"""

import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(ROOT, "tools", "sqltestserver")
BUILD = os.path.join(ROOT, "build", "windows")
sys.path.insert(0, SERVER)
from sqltestserver.supervisor import request  # noqa: E402


def tsql_seconds(port, iterations, scripts, tag):
    lines = []
    for i in range(iterations):
        name = "tsql_%s_%d" % (tag, i)
        lines += ["CREATE DATABASE %s" % name, "go", "USE %s" % name, "go"]
        for script in scripts:
            lines += [script, "go"]
    lines.append("exit")
    started = time.monotonic()
    result = subprocess.run(["tsql", "-H", "127.0.0.1", "-p", str(port), "-U", "sa", "-P", "QX#318604275"],
                            input="\n".join(lines) + "\n", capture_output=True, text=True,
                            env=dict(os.environ, LC_ALL="C.UTF-8"))
    seconds = time.monotonic() - started
    if "Msg " in result.stdout + result.stderr:
        sys.exit("tsql reported an error:\n" + (result.stdout + result.stderr)[-2000:])
    return seconds


def main():
    iterations = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    scripts = []
    for name in ("DBScript.inf", "DBDefault.inf", "DBDemo.inf"):
        with open(os.path.join(ROOT, "provisioning", "sql", name), encoding="cp1252") as f:
            scripts.append(f.read().replace("\r\n", "\n").rstrip("\n"))
    workdir = tempfile.mkdtemp(prefix="odbc_bench_")
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
    subprocess.run([sys.executable, "-m", "sqltestserver", "start", "--dir", workdir, "--browser", "0"],
                   cwd=SERVER, env=env, check=True, stdout=subprocess.DEVNULL)
    try:
        with open(os.path.join(workdir, "sqltestserver.port")) as f:
            control = int(f.read())
        # Our layer, under Wine (times measured inside the process, start-up excluded).
        result = subprocess.run([os.path.join(BUILD, "wine-run.sh"), os.path.join(BUILD, "bin", "odbc_scripts_bench.exe"),
                                 str(iterations)], cwd=os.path.join(BUILD, "bin"), capture_output=True, text=True,
                                env=dict(os.environ, SQLTESTSERVER_PORT_FILE=os.path.join(workdir, "sqltestserver.port")))
        figures = dict(line.split() for line in result.stdout.splitlines() if line.startswith("odbc_"))
        if "odbc_layer_ms_per_iteration" not in figures:
            sys.exit("odbc_scripts_bench failed:\n" + result.stdout + result.stderr)
        ours = float(figures["odbc_layer_ms_per_iteration"])
        # tsql: the difference between 1 + N and 1 iterations removes its start-up and login.
        instance, port = request(control, "START {}").split()
        one = tsql_seconds(int(port), 1, scripts, "a")
        many = tsql_seconds(int(port), iterations + 1, scripts, "b")
        request(control, "STOP " + instance)
        theirs = (many - one) * 1000.0 / iterations
        print("iterations                     %d (3 scripts into a new database each)" % iterations)
        print("odbc layer (wine) ms/iteration %.2f" % ours)
        print("tsql (native)     ms/iteration %.2f" % theirs)
        print("ratio odbc/tsql                %.3f  (goal <= 1.1)" % (ours / theirs))
    finally:
        subprocess.run([sys.executable, "-m", "sqltestserver", "stop", "--dir", workdir], cwd=SERVER, env=env,
                       stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
