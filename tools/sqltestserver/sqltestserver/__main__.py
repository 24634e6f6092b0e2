"""Command line:

  serve        one instance in the foreground (the default with no command)
  supervise    the control port for tests (see supervisor.py)
  start        a supervisor in the background; writes its control port and pid into --dir
  stop         ends the supervisor that `start` left in --dir
  ctl          sends one control request to a supervisor and prints the answer
"""

import argparse
import json
import os
import signal
import socket
import subprocess
import sys
import time

from .server import Instance, Scenario
from .supervisor import Browser, Supervisor, pid_is_supervisor, request

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def cmd_serve(args):
    scenario = {}
    if args.scenario:
        with open(args.scenario, encoding="utf-8") as f:
            scenario = json.load(f)
    if args.instance is not None:
        scenario["instance"] = args.instance or None
    elif "instance" not in scenario:
        scenario["instance"] = "MARLOVEXSQL"
    for login in args.login or []:
        user, _, password = login.partition(":")
        scenario.setdefault("logins", {})[user] = password
    log_file = open(args.log, "a", encoding="utf-8") if args.log else None
    instance = Instance(Scenario(scenario), port=args.port, log_file=log_file)
    browser = None
    if args.browser and scenario.get("instance"):
        browser = Browser(port=args.browser)
        browser.register(scenario["instance"], instance.port)
    print("sqltestserver: port %d%s" % (instance.port, " instance %s via UDP %d" % (
        scenario["instance"], browser.port) if browser else ""), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        while True:
            time.sleep(3600)
    except (KeyboardInterrupt, SystemExit):
        pass
    finally:
        instance.stop()
        if browser:
            browser.close()


def cmd_supervise(args):
    supervisor = Supervisor(args.control_port, args.browser or None, args.idle_exit)
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w") as f:
            f.write("%d\n" % supervisor.port)
        os.replace(temporary, args.port_file)
    print("sqltestserver supervisor: control port %d, browser %s" % (
        supervisor.port, "on UDP %d while a named instance runs" % supervisor.browser_port
        if supervisor.browser_port else "off"), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: supervisor.done.set())
    supervisor.serve_forever()


def _files(directory):
    return (os.path.join(directory, "sqltestserver.port"),
            os.path.join(directory, "sqltestserver.pid"),
            os.path.join(directory, "sqltestserver.out"))


def _stop(directory, quiet=False):
    port_file, pid_file, _out = _files(directory)
    pid = None
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        pass
    try:
        with open(port_file) as f:
            request(int(f.read().strip()), "SHUTDOWN", timeout=3)
    except (OSError, ValueError, RuntimeError):
        pass
    if pid is not None:
        for _ in range(50):
            if not pid_is_supervisor(pid):
                break
            time.sleep(0.1)
        if pid_is_supervisor(pid):
            os.kill(pid, signal.SIGKILL)
    for path in (port_file, pid_file):
        try:
            os.remove(path)
        except OSError:
            pass
    if not quiet:
        print("sqltestserver: stopped")


def cmd_start(args):
    os.makedirs(args.dir, exist_ok=True)
    port_file, pid_file, out_file = _files(args.dir)
    _stop(args.dir, quiet=True)  # a supervisor left behind by an interrupted run
    command = [sys.executable, "-m", "sqltestserver", "supervise", "--port-file", port_file,
               "--browser", str(args.browser), "--idle-exit", str(args.idle_exit)]
    with open(out_file, "w") as out:
        process = subprocess.Popen(command, cwd=HERE, stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=subprocess.STDOUT, start_new_session=True,
                                   env=dict(os.environ, PYTHONPATH=HERE))
    with open(pid_file, "w") as f:
        f.write("%d\n" % process.pid)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        if process.poll() is not None:
            sys.exit("sqltestserver: the supervisor ended at start-up (see %s)" % out_file)
        try:
            with open(port_file) as f:
                port = int(f.read().strip())
            request(port, "PING", timeout=2)
            print("sqltestserver: supervisor pid %d, control port %d" % (process.pid, port))
            return
        except (OSError, ValueError, RuntimeError):
            time.sleep(0.05)
    process.kill()
    sys.exit("sqltestserver: the supervisor did not start")


def cmd_stop(args):
    _stop(args.dir)


def cmd_ctl(args):
    print(request(args.port, " ".join(args.words)))


def main(argv=None):
    parser = argparse.ArgumentParser(prog="sqltestserver")
    commands = parser.add_subparsers(dest="command")
    serve = commands.add_parser("serve", help="one instance in the foreground")
    serve.add_argument("--port", type=int, default=1433, help="TCP port (0: any free port)")
    serve.add_argument("--browser", type=int, default=1434,
                       help="UDP port of the Browser service (0: none)")
    serve.add_argument("--instance", help="instance name announced (default MARLOVEXSQL, "
                                          "empty: none)")
    serve.add_argument("--scenario", help="scenario file (JSON)")
    serve.add_argument("--log", help="append every event to this file as JSON lines")
    serve.add_argument("--login", action="append", help="user:password (repeatable)")
    sup = commands.add_parser("supervise", help="control port for tests")
    sup.add_argument("--control-port", type=int, default=0)
    sup.add_argument("--port-file")
    sup.add_argument("--browser", type=int, default=1434, help="UDP port (0: none)")
    sup.add_argument("--idle-exit", type=float, default=1800,
                     help="end after this many seconds without a control request (0: never)")
    start = commands.add_parser("start", help="a supervisor in the background")
    start.add_argument("--dir", required=True)
    start.add_argument("--browser", type=int, default=1434)
    start.add_argument("--idle-exit", type=float, default=1800)
    stop = commands.add_parser("stop", help="end the supervisor started in --dir")
    stop.add_argument("--dir", required=True)
    ctl = commands.add_parser("ctl", help="send one control request")
    ctl.add_argument("--port", type=int, required=True)
    ctl.add_argument("words", nargs="+")
    args = parser.parse_args(argv)
    if args.command is None:
        args = parser.parse_args(["serve"] + (argv or sys.argv[1:]))
    {"serve": cmd_serve, "supervise": cmd_supervise, "start": cmd_start, "stop": cmd_stop,
     "ctl": cmd_ctl}[args.command](args)


if __name__ == "__main__":
    main()
