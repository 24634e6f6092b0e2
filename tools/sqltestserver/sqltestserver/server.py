"""One test server instance: a TCP listener on loopback speaking TDS, its catalogue, its scenario
(logins, databases, scripted failures) and its log.

Threads: one accepting thread per instance and one thread per connection. Every batch and RPC
runs under the instance's lock, so the catalogue sees one statement at a time; the lock is not
held while a scripted delay waits.
"""

import json
import re
import select
import socket
import threading
import time

from . import sql, tds

DEFAULT_LOGINS = {"sa": "QX#318604275"}
SERVER_NAME = "TESTSERVER"


class DropConnection(Exception):
    """A scripted failure: close the socket without answering."""


class Attention(Exception):
    """The client cancelled the running request."""


class Rule:
    """A scripted failure: when `match` (a regular expression, searched case-insensitively) is
    found in a statement's text ("on": "statement", the default) or in "<login>@<database>"
    ("on": "login"), do `action`: "error" (SQL Server error number/message/state/class), "drop"
    (close the connection at once), "delay" (wait `seconds`, then go on) or "hang" (never answer).
    `times` limits how often the rule fires (default: always)."""

    def __init__(self, settings, index):
        self.index = index
        self.on = settings.get("on", "statement")
        if self.on not in ("statement", "login", "batch"):
            raise ValueError("rule %d: 'on' must be statement, login or batch" % index)
        self.pattern = re.compile(settings.get("match", ""), re.I | re.S)
        self.action = settings.get("action", "error")
        if self.action not in ("error", "drop", "delay", "hang"):
            raise ValueError("rule %d: unknown action %r" % (index, self.action))
        self.number = int(settings.get("number", 50000))
        self.message = settings.get("message", "Injected failure.")
        self.state = int(settings.get("state", 1))
        self.severity = int(settings.get("class", 16))
        self.seconds = float(settings.get("seconds", 0))
        self.times = settings.get("times")

    def matches(self, on, text):
        if self.on != on or self.times == 0:
            return False
        if not self.pattern.search(text):
            return False
        if self.times is not None:
            self.times -= 1
        return True


class Scenario:
    def __init__(self, settings=None):
        settings = dict(settings or {})
        self.logins = dict(settings.get("logins", DEFAULT_LOGINS))
        self.databases = list(settings.get("databases", []))
        self.forbidden = {k.lower(): [d.lower() for d in v]
                          for k, v in settings.get("forbidden", {}).items()}
        self.instance = settings.get("instance")
        # Logins without the permission to create a database (CREATE ANY DATABASE, dbcreator).
        self.cannot_create = {login.lower() for login in settings.get("cannot_create", [])}
        # Logins that are disabled (18470 at login), and the members of sysadmin (sa by default).
        self.disabled = {login.lower() for login in settings.get("disabled", [])}
        self.sysadmin = {login.lower() for login in settings.get("sysadmin", ["sa"])}
        self.permissive = bool(settings.get("permissive", False))
        self.mute = bool(settings.get("mute", False))
        self.setup = list(settings.get("setup", []))
        self.rules = [Rule(r, i) for i, r in enumerate(settings.get("rules", []))]
        unknown = set(settings) - {"logins", "databases", "forbidden", "instance", "permissive",
                               "cannot_create", "mute", "setup", "rules", "name", "disabled",
                                   "sysadmin"}
        if unknown:
            raise ValueError("unknown scenario keys: %s" % ", ".join(sorted(unknown)))


def _json_safe(value):
    if isinstance(value, (str, int, float, bool)) or value is None:
        return value
    return str(value)


class Connection:
    def __init__(self, instance, sock, number):
        self.instance = instance
        self.sock = sock
        self.number = number
        self.session = None  # sql.Session after a successful login
        self.tds_version = 0x74000004
        self.packet_size = 4096
        self.prepared = {}
        self.next_handle = 1
        self.pending = b""

    # -- socket helpers
    def recv_exact(self, n):
        data = bytearray(self.pending[:n])
        self.pending = self.pending[n:]
        while len(data) < n:
            try:
                chunk = self.sock.recv(max(n - len(data), 65536))
            except OSError:
                return b""
            if not chunk:
                return b""
            data += chunk
        if len(data) > n:
            self.pending = bytes(data[n:]) + self.pending
            data = data[:n]
        return bytes(data)

    def send(self, payload):
        self.sock.sendall(tds.packets(tds.PKT_REPLY, payload, self.packet_size))

    def log(self, event, **fields):
        fields["conn"] = self.number
        self.instance.log(event, **fields)

    def attention_pending(self, timeout):
        """Waits up to `timeout` seconds for the client to send something (an attention)."""
        readable, _, _ = select.select([self.sock], [], [], timeout)
        if not readable:
            return False
        message = tds.read_message(self.recv_exact)
        if message is None:
            raise DropConnection()
        if message[0] == tds.PKT_ATTENTION:
            self.log("attention")
            return True
        return False

    def wait(self, seconds):
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            if self.attention_pending(min(left, 0.2)):
                raise Attention()

    # -- main loop
    def serve(self):
        self.log("connect")
        try:
            while True:
                message = tds.read_message(self.recv_exact)
                if message is None:
                    break
                kind, payload = message
                if self.instance.scenario.mute:
                    continue
                if kind == tds.PKT_PRELOGIN:
                    options = tds.parse_prelogin(payload)
                    self.log("prelogin", encryption=(options.get(1) or b"\x00")[0])
                    self.send(tds.build_prelogin())
                elif kind == tds.PKT_LOGIN7:
                    if not self.login(payload):
                        break
                elif self.session is None:
                    raise tds.ProtocolError("request before login")
                elif kind == tds.PKT_SQL_BATCH:
                    self.batch(tds.parse_batch(payload, self.tds_version))
                elif kind == tds.PKT_RPC:
                    self.rpc(tds.parse_rpc(payload, self.tds_version))
                elif kind == tds.PKT_ATTENTION:
                    self.log("attention")
                    self.send(tds.done(tds.DONE_ATTN))
                else:
                    raise tds.ProtocolError("unexpected packet type 0x%02X" % kind)
        except DropConnection:
            self.log("dropped")
        except tds.ProtocolError as e:
            self.log("protocol_error", message=str(e))
        except OSError:
            pass
        finally:
            self.instance.forget(self)
            try:
                self.sock.close()
            except OSError:
                pass
            self.log("disconnect")

    # -- login
    def login(self, payload):
        login = tds.parse_login7(payload)
        self.tds_version = min(login["tds_version"], 0x74000004) \
            if login["tds_version"] >= 0x70000000 else 0x74000004
        self.packet_size = max(512, min(login["packet_size"] or 4096, 32767))
        user = login["username"]
        database = login["database"] or "master"
        scenario = self.instance.scenario
        expected = scenario.logins.get(user)
        password_ok = expected is not None and expected == login["password"]
        fields = {"user": user, "database": login["database"], "password_ok": password_ok,
                  "tds_version": tds.tds_version_text(login["tds_version"]),
                  "app": login["appname"], "server_name": login["servername"],
                  "packet_size": login["packet_size"]}
        errors = []
        for rule in scenario.rules:
            if rule.matches("login", "%s@%s" % (user, database)):
                self.log("injected", action=rule.action, rule=rule.index, on="login")
                if rule.action == "drop":
                    self.log("login", ok=False, errors=[], **fields)
                    raise DropConnection()
                if rule.action == "hang":
                    self.log("login", ok=False, errors=[], **fields)
                    self.wait(1e9)
                if rule.action == "delay":
                    self.wait(rule.seconds)
                if rule.action == "error":
                    errors.append((rule.number, rule.message.replace("%s", user), rule.state,
                                   rule.severity))
        with self.instance.lock:
            if not errors and not password_ok:
                errors.append((18456, "Login failed for user '%s'." % user, 1, 14))
            known = self.instance.catalogue.login(user)
            if not errors and known is not None and known.disabled:
                errors.append((18470, "Login failed for user '%s'. Reason: The account is disabled."
                               % user, 1, 14))
            if not errors:
                db = self.instance.catalogue.get(database)
                if db is None or db.name.lower() in scenario.forbidden.get(user.lower(), []):
                    errors.append((4060, "Cannot open database \"%s\" requested by the login. The "
                                         "login failed." % database, 1, 11))
                    errors.append((18456, "Login failed for user '%s'." % user, 1, 14))
                elif db.single_user and self.instance.database_in_use(db.name, None):
                    errors.append((924, "Database '%s' is already open and can only have one user "
                                        "at a time." % db.name, 1, 14))
                    errors.append((18456, "Login failed for user '%s'." % user, 1, 14))
            if errors:
                self.log("login", ok=False, errors=[e[0] for e in errors], **fields)
                out = b"".join(tds.error(n, t, s, c, SERVER_NAME) for n, t, s, c in errors)
                self.send(out + tds.done(tds.DONE_ERROR))
                return False
            self.session = sql.Session(user, db.name)
            self.session.can_create_database = known is None or "dbcreator" in known.roles
            self.instance.remember(self)
        self.log("login", ok=True, errors=[], **fields)
        out = tds.env_change(1, db.name, "master")
        out += tds.info(5701, "Changed database context to '%s'." % db.name, 2, 0, SERVER_NAME)
        out += tds.env_collation()
        out += tds.env_change(2, "us_english", "")
        out += tds.info(5703, "Changed language setting to us_english.", 1, 0, SERVER_NAME)
        out += tds.login_ack(self.tds_version)
        out += tds.env_change(4, str(self.packet_size), str(self.packet_size))
        out += tds.done()
        self.send(out)
        return True

    # -- requests
    def run(self, text, parameters, in_proc, out):
        """Runs one batch; appends its tokens to `out`; returns the SqlError that ended it, if any."""
        done = tds.done_in_proc if in_proc else (lambda status=tds.DONE_MORE, rowcount=0:
                                                 tds.done(status, rowcount))

        def on_result(statement, result):
            self.log("statement", database=self.session.database, text=statement.text)
            if result is None:
                return
            if result.message is not None:
                kind, value = result.message
                if kind == "database":
                    out.append(tds.env_change(1, value, ""))
                    out.append(tds.info(5701, "Changed database context to '%s'." % value, 1, 0,
                                        SERVER_NAME))
                else:
                    out.append(tds.info(0, value, 1, 0, SERVER_NAME))
            if result.columns is not None:
                out.append(tds.result_set(result.columns, result.rows))
            count = result.rowcount if result.rowcount is not None and (
                not self.session.nocount or result.columns is not None) else 0
            out.append(done(tds.DONE_MORE, count))

        instance = self.instance
        hooks = instance.hooks_for(self)
        try:
            for rule in instance.scenario.rules:
                if rule.matches("batch", text):
                    hooks.apply(rule, text)
            with instance.lock:
                instance.interpreter(hooks).run_batch(text, self.session, parameters, on_result)
        except sql.SqlError as e:
            self.log("error", number=e.number, message=e.text, line=e.line)
            for number, message, state, severity in e.all_errors():
                out.append(tds.error(number, message, state, severity, SERVER_NAME, "", e.line))
            return e
        return None

    def batch(self, text):
        self.log("batch", database=self.session.database, text=text)
        out = []
        try:
            error = self.run(text, None, False, out)
        except Attention:
            self.send(tds.done(tds.DONE_ATTN))
            return
        out.append(tds.done(tds.DONE_ERROR if error else tds.DONE_FINAL))
        self.send(b"".join(out))

    def rpc(self, calls):
        out = []
        for index, call in enumerate(calls):
            self.log("rpc", database=self.session.database, proc=call["proc"],
                     params=[{"name": p["name"], "type": p["type"], "value": _json_safe(p["value"])}
                             for p in call["params"]])
            try:
                error = self.call(call, out)
            except Attention:
                self.send(tds.done(tds.DONE_ATTN))
                return
            out.append(tds.return_status(0 if error is None else 1))
            last = index == len(calls) - 1
            status = (tds.DONE_ERROR if error else 0) | (0 if last else tds.DONE_MORE)
            out.append(tds.done_proc(status))
        self.send(b"".join(out))

    def call(self, call, out):
        proc = call["proc"].lower()
        params = call["params"]
        if proc == "sp_executesql":
            if not params:
                return self._fail(out, 201, "Procedure or function 'sp_executesql' expects "
                                            "parameter '@statement', which was not supplied.")
            names = _declared_names(params[1]["value"] if len(params) > 1 else "")
            return self.run(params[0]["value"] or "", _bind(names, params[2:]), True, out)
        if proc in ("sp_prepare", "sp_prepexec"):
            handle = self.next_handle
            self.next_handle += 1
            decl = params[1]["value"] if len(params) > 1 else ""
            text = params[2]["value"] if len(params) > 2 else ""
            self.prepared[handle] = (_declared_names(decl or ""), text or "")
            error = None
            if proc == "sp_prepexec":
                error = self.run(text or "", _bind(self.prepared[handle][0], params[3:]), True, out)
            out.append(tds.return_value_int(0, params[0]["name"] if params else "", handle))
            return error
        if proc == "sp_execute":
            handle = params[0]["value"] if params else None
            if handle not in self.prepared:
                return self._fail(out, 8179, "Could not find prepared statement with handle %s."
                                  % handle)
            names, text = self.prepared[handle]
            return self.run(text, _bind(names, params[1:]), True, out)
        if proc == "sp_unprepare":
            self.prepared.pop(params[0]["value"] if params else None, None)
            return None
        return self._fail(out, 2812, "Could not find stored procedure '%s'." % call["proc"])

    def _fail(self, out, number, text):
        self.log("error", number=number, message=text, line=1)
        out.append(tds.error(number, text, 62, 16, SERVER_NAME))
        return sql.SqlError(number, text)


def _declared_names(decl):
    """The parameter names of an sp_executesql declaration such as "@P1 INT,@P2 NVARCHAR(50)"."""
    return re.findall(r"(@[A-Za-z0-9_#$@]+)\s", (decl or "") + " ")


def _bind(names, params):
    bound = {}
    for position, param in enumerate(params):
        name = param["name"] or (names[position] if position < len(names) else "@P%d" % (position + 1))
        bound[name] = param["value"]
    return bound


class ConnectionHooks(sql.Hooks):
    def __init__(self, connection):
        self.connection = connection
        self.instance = connection.instance

    def apply(self, rule, text):
        connection = self.connection
        connection.log("injected", action=rule.action, rule=rule.index, on=rule.on, text=text)
        if rule.action == "error":
            raise sql.SqlError(rule.number, rule.message, rule.state, rule.severity)
        if rule.action == "drop":
            raise DropConnection()
        seconds = 1e9 if rule.action == "hang" else rule.seconds
        # The catalogue lock is not held while waiting.
        locked = self.instance.lock._is_owned()
        if locked:
            self.instance.lock.release()
        try:
            connection.wait(seconds)
        finally:
            if locked:
                self.instance.lock.acquire()

    def before_statement(self, statement):
        for rule in self.instance.scenario.rules:
            if rule.matches("statement", statement.text):
                self.apply(rule, statement.text)

    def database_in_use(self, name, session):
        return self.instance.database_in_use(name, self.connection)

    def kick_users(self, name, session):
        self.instance.kick(name, self.connection)


class Instance:
    def __init__(self, scenario=None, port=0, host="127.0.0.1", log_file=None, ipv6=True):
        self.scenario = scenario if isinstance(scenario, Scenario) else Scenario(scenario)
        self.catalogue = sql.Catalogue(self.scenario.databases)
        for name in self.scenario.logins:
            # Every login may create databases (dbcreator) unless the scenario says it may not.
            roles = {"sysadmin"} if name.lower() in self.scenario.sysadmin else set()
            if name.lower() not in self.scenario.cannot_create:
                roles.add("dbcreator")
            self.catalogue.logins[name.lower()] = sql.Login(name, roles, name.lower() in self.scenario.disabled)
        self.lock = threading.RLock()
        self.events = []
        self.events_lock = threading.Lock()
        self.connections = set()
        self.all_connections = set()
        self.counter = 0
        self.log_file = log_file
        self.stopped = False
        for step in self.scenario.setup:
            session = sql.Session("sa", step.get("database", "master"))
            sql.Interpreter(self.catalogue, permissive=self.scenario.permissive).run_batch(
                step["sql"], session)
        self.listeners = []
        first = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        first.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        first.bind((host, port))
        first.listen(64)
        self.port = first.getsockname()[1]
        self.listeners.append(first)
        if ipv6 and socket.has_ipv6:
            try:
                second = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
                second.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                second.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
                second.bind(("::1", self.port))
                second.listen(64)
                self.listeners.append(second)
            except OSError:
                pass
        self.threads = []
        for listener in self.listeners:
            thread = threading.Thread(target=self._accept, args=(listener,), daemon=True)
            thread.start()
            self.threads.append(thread)
        self.log("listening", port=self.port, instance=self.scenario.instance)

    def interpreter(self, hooks):
        return sql.Interpreter(self.catalogue, hooks, self.scenario.permissive)

    def hooks_for(self, connection):
        return ConnectionHooks(connection)

    def log(self, event, **fields):
        record = {"event": event}
        record.update(fields)
        with self.events_lock:
            record["seq"] = len(self.events) + 1
            record["time"] = round(time.time(), 3)
            self.events.append(record)
            if self.log_file is not None:
                self.log_file.write(json.dumps(record, default=str) + "\n")
                self.log_file.flush()

    def events_since(self, first=0):
        with self.events_lock:
            return list(self.events[first:])

    def _accept(self, listener):
        while not self.stopped:
            try:
                sock, _peer = listener.accept()
            except OSError:
                return
            if self.stopped:
                sock.close()
                return
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            with self.lock:
                self.counter += 1
                connection = Connection(self, sock, self.counter)
                self.all_connections.add(connection)
            threading.Thread(target=connection.serve, daemon=True).start()

    def remember(self, connection):
        with self.lock:
            self.connections.add(connection)

    def forget(self, connection):
        with self.lock:
            self.connections.discard(connection)
            self.all_connections.discard(connection)

    def database_in_use(self, name, connection):
        with self.lock:
            return any(c is not connection and c.session is not None
                       and c.session.database.lower() == name.lower() for c in self.connections)

    def kick(self, name, connection):
        """ROLLBACK IMMEDIATE: every other connection using the database is closed."""
        with self.lock:
            victims = [c for c in self.connections if c is not connection and c.session is not None
                       and c.session.database.lower() == name.lower()]
            for victim in victims:
                self.connections.discard(victim)
                victim.session.database = "master"
        for victim in victims:
            self.log("kicked", victim=victim.number, database=name)
            try:
                victim.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def query(self, database, text):
        """Runs a batch for a test (not through TDS, not logged); returns the last row set."""
        session = sql.Session("sa", database)
        results = []
        with self.lock:
            sql.Interpreter(self.catalogue).run_batch(
                text, session, None, lambda st, r: results.append(r) if r and r.columns else None)
        if not results:
            return {"columns": [], "rows": []}
        return {"columns": results[-1].columns,
                "rows": [[_json_safe(v) for v in row] for row in results[-1].rows]}

    def stop(self):
        self.stopped = True
        for listener in self.listeners:
            try:
                listener.close()
            except OSError:
                pass
        with self.lock:
            connections = list(self.all_connections)
        for connection in connections:
            try:
                connection.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        self.log("stopped")
