"""The server on the wire: a minimal TDS client drives logins, batches, RPC calls, scripted
failures, the Browser service and the supervisor's control port."""

import json
import socket
import struct
import threading
import time
import unittest

from sqltestserver import tds
from sqltestserver.server import Instance
from sqltestserver.supervisor import Browser, Supervisor, request

PASSWORD = "QX#318604275"


class Client:
    """Just enough of a TDS client: PRELOGIN, LOGIN7, batches, sp_executesql; reads tokens."""

    def __init__(self, port, user="sa", password=PASSWORD, database=""):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.pending = b""
        self.send(tds.PKT_PRELOGIN, tds.build_prelogin(encryption=0))
        self.prelogin = tds.parse_prelogin(self.receive())
        self.send(tds.PKT_LOGIN7, tds.build_login7(user, password, database))
        self.login = self.tokens(self.receive())

    def recv_exact(self, n):
        while len(self.pending) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                return b""
            self.pending += chunk
        data, self.pending = self.pending[:n], self.pending[n:]
        return data

    def send(self, kind, payload):
        self.sock.sendall(tds.packets(kind, payload, 512))

    def receive(self):
        message = tds.read_message(self.recv_exact)
        if message is None:
            raise ConnectionError("closed")
        return message[1]

    def batch(self, text):
        headers = struct.pack("<IIHQI", 22, 18, 2, 0, 1)
        self.send(tds.PKT_SQL_BATCH, headers + text.encode("utf-16-le"))
        return self.tokens(self.receive())

    def executesql(self, statement, declarations, values):
        def nvarchar(name, text):
            raw = text.encode("utf-16-le")
            return (bytes([len(name)]) + name.encode("utf-16-le") + b"\x00\xE7" +
                    struct.pack("<H", 8000) + tds.DEFAULT_COLLATION + struct.pack("<H", len(raw)) + raw)
        body = struct.pack("<IIHQI", 22, 18, 2, 0, 1) + struct.pack("<HHH", 0xFFFF, 10, 0)
        body += nvarchar("", statement) + nvarchar("", declarations)
        for i, v in enumerate(values):
            name = "@P%d" % (i + 1)
            body += bytes([len(name)]) + name.encode("utf-16-le") + b"\x00\x26\x04"
            body += b"\x00" if v is None else b"\x04" + struct.pack("<i", v)
        self.send(tds.PKT_RPC, body)
        return self.tokens(self.receive())

    @staticmethod
    def tokens(payload):
        """[(kind, value)]: ("error", number), ("info", number), ("done", (status, count)),
        ("row", [values]), ("loginack", version), ("env", type)."""
        r = tds.Reader(payload)
        out = []
        columns = []
        while not r.at_end():
            t = r.u8()
            if t in (0xAA, 0xAB):
                body = tds.Reader(r.take(r.u16()))
                out.append(("error" if t == 0xAA else "info", body.i32()))
            elif t == 0xAD:
                body = r.take(r.u16())
                out.append(("loginack", struct.unpack(">I", body[1:5])[0]))
            elif t == 0xE3:
                body = r.take(r.u16())
                out.append(("env", body[0]))
            elif t in (0xFD, 0xFE, 0xFF):
                status, _cmd, count = struct.unpack("<HHQ", r.take(12))
                out.append(("done", (status, count)))
            elif t == 0x79:
                out.append(("status", r.i32()))
            elif t == 0x81:
                columns = []
                for _ in range(r.u16()):
                    r.take(6)
                    kind = r.u8()
                    if kind in (0x26, 0x6D):
                        r.u8()
                    else:
                        r.take(7)
                    r.b_varchar()
                    columns.append(kind)
            elif t == 0xD1:
                row = []
                for kind in columns:
                    if kind == 0x26:
                        n = r.u8()
                        row.append(None if n == 0 else int.from_bytes(r.take(n), "little", signed=True))
                    elif kind == 0x6D:
                        n = r.u8()
                        row.append(None if n == 0 else struct.unpack("<d", r.take(8))[0])
                    else:
                        n = r.u16()
                        row.append(None if n == 0xFFFF else r.take(n).decode("utf-16-le"))
                out.append(("row", row))
            else:
                raise AssertionError("unexpected token 0x%02X" % t)
        return out

    def close(self):
        self.sock.close()


def errors(tokens):
    return [v for k, v in tokens if k == "error"]


class InstanceCase(unittest.TestCase):
    scenario = {}

    def setUp(self):
        self.instance = Instance(self.scenario)
        self.clients = []

    def tearDown(self):
        for client in self.clients:
            client.close()
        self.instance.stop()

    def connect(self, **kw):
        client = Client(self.instance.port, **kw)
        self.clients.append(client)
        return client

    def events(self, kind):
        return [e for e in self.instance.events_since() if e["event"] == kind]


class LoginTest(InstanceCase):
    scenario = {"databases": ["loja", "fechada"], "forbidden": {"sa": ["fechada"]},
                "logins": {"sa": PASSWORD, "outro": ""}}

    CASES = [
        ("right password, default database", {}, [], True),
        ("right password, a database", {"database": "LOJA"}, [], True),
        ("empty password of a login that has one", {"password": "outro"}, [18456], False),
        ("wrong password", {"password": "x"}, [18456], False),
        ("unknown login", {"user": "ninguem"}, [18456], False),
        ("absent database", {"database": "nada"}, [4060, 18456], False),
        ("database the login may not open", {"database": "fechada"}, [4060, 18456], False),
        ("a login with an empty password", {"user": "outro", "password": ""}, [], True),
    ]

    def test_logins(self):
        for name, kw, expected, ok in self.CASES:
            with self.subTest(name):
                client = self.connect(**kw)
                self.assertEqual(client.prelogin[1], b"\x02", "encryption not supported")
                self.assertEqual(errors(client.login), expected)
                self.assertEqual(("loginack", 0x74000004) in client.login, ok)
                login = self.events("login")[-1]
                self.assertEqual(login["ok"], ok)
                self.assertEqual(login["password_ok"], kw.get("user", "sa") != "ninguem"
                                 and "password" not in kw or kw == {"user": "outro", "password": ""})
        log = json.dumps(self.instance.events_since())
        self.assertNotIn(PASSWORD, log, "passwords are never logged")

    def test_a_single_user_database_admits_one_connection(self):
        first = self.connect(database="loja")
        admin = self.connect()
        admin.batch("ALTER DATABASE loja SET SINGLE_USER WITH ROLLBACK IMMEDIATE")
        with self.assertRaises(ConnectionError):  # ROLLBACK IMMEDIATE closed it
            first.batch("SELECT 1")
        self.connect(database="loja")
        self.assertEqual(errors(self.connect(database="loja").login), [924, 18456])


class ServerLoginTest(InstanceCase):
    scenario = {"logins": {"sa": PASSWORD, "caixa": "x"}, "disabled": ["caixa"], "cannot_create": ["caixa"]}

    def test_a_sysadmin_enables_a_login_and_makes_it_a_dbcreator(self):
        self.assertEqual(errors(self.connect(user="caixa", password="x").login), [18470])
        admin = self.connect()
        read = "SELECT is_disabled FROM sys.server_principals WHERE name = N'caixa'"
        self.assertEqual([v for k, v in admin.batch(read) if k == "row"], [[1]])
        self.assertEqual(errors(admin.batch("ALTER LOGIN [caixa] ENABLE\r\n"
                                            "ALTER SERVER ROLE [dbcreator] ADD MEMBER [caixa]")), [])
        self.assertEqual([v for k, v in admin.batch(read + "\r\nSELECT IS_SRVROLEMEMBER('dbcreator', 'caixa'), "
                                                           "IS_SRVROLEMEMBER('sysadmin')") if k == "row"],
                         [[0], [1, 1]])
        caixa = self.connect(user="caixa", password="x")
        self.assertEqual(errors(caixa.login), [])
        self.assertEqual([v for k, v in caixa.batch("SELECT HAS_PERMS_BY_NAME(NULL, NULL, 'CREATE ANY DATABASE')")
                          if k == "row"], [[1]])
        # Only a sysadmin changes logins.
        self.assertEqual(errors(caixa.batch("ALTER LOGIN [sa] DISABLE")), [15151])


class BatchTest(InstanceCase):
    scenario = {"databases": ["loja"]}

    def test_results_errors_and_done_tokens(self):
        client = self.connect(database="loja")
        tokens = client.batch("CREATE TABLE t (n int, s nvarchar(10))\r\n"
                              "INSERT INTO t VALUES (1, N'ção'), (2, NULL)\r\nSELECT n, s FROM t")
        self.assertEqual([v for k, v in tokens if k == "row"], [[1, "ção"], [2, None]])
        dones = [v for k, v in tokens if k == "done"]
        self.assertEqual(dones[-1][0] & tds.DONE_MORE, 0, "the last DONE is final")
        self.assertIn((tds.DONE_MORE | tds.DONE_COUNT, 2), dones)
        tokens = client.batch("INSERT INTO t VALUES (3, 'x')\r\nGO\r\n")
        self.assertEqual(errors(tokens), [102])
        self.assertTrue(tokens[-1][1][0] & tds.DONE_ERROR)
        self.assertEqual(self.instance.query("loja", "SELECT COUNT(*) FROM t")["rows"], [[2]])

    def test_executesql_binds_integer_parameters(self):
        client = self.connect(database="loja")
        client.batch("CREATE TABLE versao (major int, minor int, loja int)")
        tokens = client.executesql("INSERT INTO versao (major, minor, loja)\r\nVALUES (@P1, @P2, @P3)\r\n",
                                   "@P1 INT,@P2 INT,@P3 INT", [5, 2, None])
        self.assertEqual(errors(tokens), [])
        self.assertEqual(("status", 0), tokens[-2])
        self.assertEqual(self.instance.query("loja", "SELECT * FROM versao")["rows"], [[5, 2, None]])
        call = self.events("rpc")[-1]
        self.assertEqual(call["proc"], "sp_executesql")
        self.assertEqual([(p["name"], p["type"], p["value"]) for p in call["params"][2:]],
                         [("@P1", "int", 5), ("@P2", "int", 2), ("@P3", "int", None)])


class InjectionTest(InstanceCase):
    scenario = {"rules": [
        {"match": "^INSERT INTO b", "number": 1205, "message": "Deadlock.", "state": 45, "class": 13,
         "times": 1},
        {"match": "INTO c", "action": "drop"},
        {"match": "INTO d", "action": "delay", "seconds": 0.3},
        {"on": "login", "match": "^bloqueado@", "number": 18470, "message": "Login disabled '%s'."},
    ], "logins": {"sa": PASSWORD, "bloqueado": "x"}}

    def test_scripted_failures(self):
        client = self.connect()
        client.batch("CREATE TABLE b (n int) CREATE TABLE c (n int) CREATE TABLE d (n int)")
        self.assertEqual(errors(client.batch("INSERT INTO b VALUES (1)")), [1205])
        self.assertEqual(errors(client.batch("INSERT INTO b VALUES (1)")), [], "fired once only")
        started = time.monotonic()
        client.batch("INSERT INTO d VALUES (1)")
        self.assertGreaterEqual(time.monotonic() - started, 0.25)
        with self.assertRaises(ConnectionError):
            client.batch("INSERT INTO b VALUES (2)\r\nINSERT INTO c VALUES (1)")
        self.assertEqual(self.instance.query("master", "SELECT COUNT(*) FROM b")["rows"], [[2]])
        self.assertEqual(errors(self.connect(user="bloqueado", password="x").login), [18470])

    def test_a_mute_server_never_answers(self):
        instance = Instance({"mute": True})
        try:
            sock = socket.create_connection(("127.0.0.1", instance.port), timeout=0.5)
            sock.sendall(tds.packets(tds.PKT_PRELOGIN, tds.build_prelogin(encryption=0)))
            with self.assertRaises(socket.timeout):
                sock.recv(10)
            sock.close()
        finally:
            instance.stop()


class BrowserAndSupervisorTest(unittest.TestCase):
    def test_browser_answers_registered_instances_only(self):
        browser = Browser(port=0, server_name="VM")
        try:
            browser.register("MARLOVEXSQL", 14330)
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            sock.settimeout(2)
            sock.sendto(b"\x04MARLOVEXSQL\x00", ("127.0.0.1", browser.port))
            reply = sock.recv(4096)
            self.assertEqual(reply[0], 0x05)
            self.assertEqual(struct.unpack("<H", reply[1:3])[0], len(reply) - 3)
            self.assertIn(b"InstanceName;MARLOVEXSQL;", reply)
            self.assertTrue(reply.endswith(b";tcp;14330;;"))
            self.assertIsNone(browser.answer(b"\x04OUTRA\x00"))
            sock.close()
        finally:
            browser.close()

    def test_control_protocol(self):
        supervisor = Supervisor(0, browser_port=0)
        thread = threading.Thread(target=supervisor.serve_forever, daemon=True)
        thread.start()
        try:
            number, port = request(supervisor.port, 'START {"databases": ["loja"], "instance": "X1"}').split()
            with self.assertRaises(RuntimeError):
                request(supervisor.port, 'START {"instance": "x1"}')  # the name is taken
            client = Client(int(port), database="loja")
            client.batch("CREATE TABLE t (n int) INSERT INTO t VALUES (4)")
            client.close()
            result = json.loads(request(supervisor.port, 'QUERY %s {"database": "loja", "sql": '
                                                         '"SELECT n FROM t"}' % number))
            self.assertEqual(result["rows"], [[4]])
            log = json.loads(request(supervisor.port, "LOG %s" % number))
            self.assertIn("batch", [e["event"] for e in log])
            state = json.loads(request(supervisor.port, "STATE %s" % number))
            self.assertEqual(state["loja"]["tables"]["t"]["rows"], 1)
            request(supervisor.port, "STOP %s" % number)
            with self.assertRaises(OSError):
                Client(int(port))
            with self.assertRaises(RuntimeError):
                request(supervisor.port, "LOG %s" % number)
        finally:
            request(supervisor.port, "SHUTDOWN")
            thread.join(5)
        self.assertFalse(thread.is_alive())

    def test_the_browser_port_is_held_only_while_a_named_instance_runs(self):
        # Two supervisors, as two test runs beside each other, on one lookup port.
        probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
        probe.close()
        first, second = Supervisor(0, browser_port=port), Supervisor(0, browser_port=port, browser_wait=10)
        threads = [threading.Thread(target=s.serve_forever, daemon=True) for s in (first, second)]
        for thread in threads:
            thread.start()
        try:
            number, _ = request(first.port, 'START {"instance": "UM"}').split()
            started = []
            waiting = threading.Thread(target=lambda: started.append(
                request(second.port, 'START {"instance": "DOIS"}', timeout=15)))
            waiting.start()
            waiting.join(1)
            self.assertTrue(waiting.is_alive(), "the second waits while the first holds the port")
            request(first.port, "STOP %s" % number)
            waiting.join(5)
            self.assertEqual(len(started), 1, "the second got the port once the first gave it back")
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            sock.settimeout(2)
            sock.sendto(b"\x04DOIS\x00", ("127.0.0.1", port))
            self.assertIn(b"InstanceName;DOIS;", sock.recv(4096))
            sock.close()
        finally:
            for supervisor in (first, second):
                request(supervisor.port, "SHUTDOWN")
            for thread in threads:
                thread.join(5)


if __name__ == "__main__":
    unittest.main()
