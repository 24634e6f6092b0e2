"""The Browser service (UDP 1434) and the supervisor: a loopback control port through which tests
(Windows programs under Wine included) start instances, read their logs and stop them.

Control protocol: one request per line, one answer line per request (UTF-8):
    PING                        -> OK
    START <scenario JSON>       -> OK <id> <port>         (the scenario on one line)
    LOG <id> [<first>]          -> OK <JSON array of events from index <first>, default 0>
    QUERY <id> <JSON {"database": ..., "sql": ...}>  -> OK <JSON {"columns": [...], "rows": [...]}>
    STATE <id>                  -> OK <JSON catalogue snapshot>
    STOP <id>                   -> OK
    SHUTDOWN                    -> OK, then the supervisor ends
Any failure answers "ERR <text>". Instances listen on 127.0.0.1 (and ::1) on ports the system
chooses, so tests that run in parallel never share one.
"""

import errno
import json
import os
import socket
import struct
import threading
import time

from . import sql
from .server import Instance

BROWSER_PORT = 1434


class Browser:
    """Answers the instance lookups of SQL Server clients (SSRP) on UDP, for the instances
    registered with it."""

    def __init__(self, host="127.0.0.1", port=BROWSER_PORT, server_name=None):
        self.instances = {}
        self.lock = threading.Lock()
        self.server_name = server_name or socket.gethostname().split(".")[0].upper()[:15]
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            self.sock.bind((host, port))
        except OSError:
            self.sock.close()
            raise
        self.port = self.sock.getsockname()[1]
        self.lookups = []
        threading.Thread(target=self._serve, daemon=True).start()

    def register(self, name, port):
        with self.lock:
            key = name.upper()
            if key in self.instances:
                raise ValueError("instance %s is already registered" % name)
            self.instances[key] = (name, port)

    def unregister(self, name):
        with self.lock:
            self.instances.pop(name.upper(), None)

    def describe(self, name, port):
        return ("ServerName;%s;InstanceName;%s;IsClustered;No;Version;15.0.2000.5;tcp;%d;;"
                % (self.server_name, name, port))

    def answer(self, request):
        if not request:
            return None
        kind = request[0]
        with self.lock:
            if kind == 0x04:  # one instance
                name = request[1:].split(b"\x00")[0].decode("latin-1")
                self.lookups.append(name)
                found = self.instances.get(name.upper())
                if found is None:
                    return None
                text = self.describe(*found)
            elif kind in (0x02, 0x03):  # every instance
                if not self.instances:
                    return None
                text = "".join(self.describe(*v) for v in self.instances.values())
            else:
                return None
        raw = text.encode("latin-1")
        return b"\x05" + struct.pack("<H", len(raw)) + raw

    def _serve(self):
        while True:
            try:
                request, peer = self.sock.recvfrom(4096)
            except OSError:
                return
            reply = self.answer(request)
            if reply is not None and peer is not None:
                try:
                    self.sock.sendto(reply, peer)
                except OSError:
                    pass

    def close(self):
        # The shutdown wakes the thread waiting in recvfrom, so that the port is free at once.
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass  # (an unconnected socket says so, and is woken all the same)
        self.sock.close()


class Supervisor:
    """Starts and stops instances for tests. The Browser service's port is one per machine, and
    test runs beside each other (the 64-bit and the 32-bit tests) each have a supervisor: it is
    held only while a named instance runs, and a named instance whose lookup port another
    supervisor holds waits up to `browser_wait` seconds for it (the other's named instance is one
    test's)."""

    def __init__(self, control_port=0, browser_port=BROWSER_PORT, idle_exit=None, browser_wait=120.0):
        self.instances = {}
        self.next_id = 1
        self.lock = threading.Lock()
        self.browser_port = browser_port
        self.browser_wait = browser_wait
        self.browser = None
        self.browser_lock = threading.Lock()  # taking, sharing and giving back the Browser's port
        self.control = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.control.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.control.bind(("127.0.0.1", control_port))
        self.control.listen(64)
        self.port = self.control.getsockname()[1]
        self.done = threading.Event()
        self.last_activity = time.monotonic()
        self.idle_exit = idle_exit

    def serve_forever(self):
        threading.Thread(target=self._accept, daemon=True).start()
        while not self.done.wait(1.0):
            if self.idle_exit and time.monotonic() - self.last_activity > self.idle_exit:
                break
        self.shutdown()

    def _accept(self):
        while not self.done.is_set():
            try:
                sock, _peer = self.control.accept()
            except OSError:
                return
            threading.Thread(target=self._client, args=(sock,), daemon=True).start()

    def _client(self, sock):
        with sock:
            reader = sock.makefile("rb")
            for raw in reader:
                self.last_activity = time.monotonic()
                line = raw.decode("utf-8", errors="replace").strip()
                if not line:
                    continue
                try:
                    answer = "OK" + self.handle(line)
                except Exception as e:  # every failure goes back to the client
                    answer = "ERR " + (str(e) or type(e).__name__).replace("\n", " ")
                try:
                    sock.sendall(answer.encode("utf-8") + b"\n")
                except OSError:
                    return
                if line == "SHUTDOWN":
                    self.done.set()
                    return

    def instance(self, text):
        with self.lock:
            found = self.instances.get(int(text))
        if found is None:
            raise KeyError("no instance %s" % text)
        return found

    def handle(self, line):
        verb, _, rest = line.partition(" ")
        verb = verb.upper()
        if verb == "PING":
            return ""
        if verb == "START":
            scenario = json.loads(rest) if rest.strip() else {}
            instance = Instance(scenario)
            name = instance.scenario.instance
            if name:
                try:
                    self._announce(name, instance.port)
                except (RuntimeError, ValueError):
                    instance.stop()
                    raise
            with self.lock:
                number = self.next_id
                self.next_id += 1
                self.instances[number] = instance
            return " %d %d" % (number, instance.port)
        if verb == "LOG":
            parts = rest.split()
            first = int(parts[1]) if len(parts) > 1 else 0
            return " " + json.dumps(self.instance(parts[0]).events_since(first), default=str)
        if verb == "QUERY":
            number, _, body = rest.partition(" ")
            request = json.loads(body)
            try:
                result = self.instance(number).query(request.get("database", "master"),
                                                     request["sql"])
            except sql.SqlError as e:
                raise RuntimeError("%d %s" % (e.number, e.text))
            return " " + json.dumps(result, default=str)
        if verb == "STATE":
            instance = self.instance(rest.strip())
            with instance.lock:
                return " " + json.dumps(instance.catalogue.snapshot())
        if verb == "STOP":
            number = int(rest.strip())
            with self.lock:
                instance = self.instances.pop(number, None)
            if instance is None:
                raise KeyError("no instance %s" % number)
            if instance.scenario.instance:
                self._withdraw(instance.scenario.instance)
            instance.stop()
            return ""
        if verb == "SHUTDOWN":
            return ""
        raise ValueError("unknown request %s" % verb)

    def _announce(self, name, port):
        """Registers a named instance with the Browser service, which starts with the first."""
        with self.browser_lock:
            if self.browser is None:
                if self.browser_port is None:
                    raise RuntimeError("the Browser service is off in this supervisor")
                deadline = time.monotonic() + self.browser_wait
                while self.browser is None:
                    try:
                        self.browser = Browser(port=self.browser_port)
                    except OSError as e:
                        if e.errno != errno.EADDRINUSE or time.monotonic() > deadline:
                            raise RuntimeError("the Browser service is not running here (%s)" % e)
                        time.sleep(0.2)
            self.browser.register(name, port)

    def _withdraw(self, name):
        """Unregisters a named instance; the Browser service ends with the last."""
        with self.browser_lock:
            if self.browser is None:
                return
            self.browser.unregister(name)
            if not self.browser.instances:
                self.browser.close()
                self.browser = None

    def shutdown(self):
        self.done.set()
        with self.lock:
            instances = list(self.instances.values())
            self.instances.clear()
        for instance in instances:
            instance.stop()
        try:
            self.control.close()
        except OSError:
            pass
        with self.browser_lock:
            if self.browser is not None:
                self.browser.close()
                self.browser = None


def request(port, line, timeout=10.0):
    """Sends one control request; returns the answer after "OK" (stripped), raises on ERR."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(line.encode("utf-8") + b"\n")
        answer = sock.makefile("rb").readline().decode("utf-8").rstrip("\n")
    if not answer.startswith("OK"):
        raise RuntimeError(answer)
    return answer[2:].strip()


def pid_is_supervisor(pid):
    """True when `pid` is still a process of this tool (guards against reused ids)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return b"sqltestserver" in f.read()
    except OSError:
        return False
