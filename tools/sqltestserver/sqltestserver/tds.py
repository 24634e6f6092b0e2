"""TDS 7.x wire format: packets, the client messages the server reads (PRELOGIN, LOGIN7, SQL
batch, RPC) and the tokens it writes back.

Only what a SQL Server client library needs for logins, batches and parameterised calls is here.
Integers are little-endian unless the protocol says otherwise (packet lengths and the version
bytes of PRELOGIN are big-endian).
"""

import decimal
import struct

# Packet types.
PKT_SQL_BATCH = 0x01
PKT_RPC = 0x03
PKT_REPLY = 0x04
PKT_ATTENTION = 0x06
PKT_LOGIN7 = 0x10
PKT_PRELOGIN = 0x12

STATUS_EOM = 0x01
HEADER = struct.Struct(">BBHHBB")

# DONE status bits.
DONE_FINAL = 0x00
DONE_MORE = 0x01
DONE_ERROR = 0x02
DONE_COUNT = 0x10
DONE_ATTN = 0x20

# Well-known procedure ids of RPC requests.
PROC_IDS = {
    1: "sp_cursor", 2: "sp_cursoropen", 3: "sp_cursorprepare", 4: "sp_cursorexecute",
    5: "sp_cursorprepexec", 6: "sp_cursorunprepare", 7: "sp_cursorfetch", 8: "sp_cursoroption",
    9: "sp_cursorclose", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute",
    13: "sp_prepexec", 14: "sp_prepexecrpc", 15: "sp_unprepare",
}

DEFAULT_COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])  # Latin1_General_CI_AS, sort 52


class ProtocolError(Exception):
    """The client sent something this server cannot read; the connection is closed."""


class Reader:
    """Sequential reads over one message's payload."""

    def __init__(self, data, pos=0):
        self.data = data
        self.pos = pos

    def take(self, n):
        if n < 0 or self.pos + n > len(self.data):
            raise ProtocolError("message too short")
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def i32(self):
        return struct.unpack("<i", self.take(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.take(8))[0]

    def b_varchar(self):
        return self.take(self.u8() * 2).decode("utf-16-le")

    def us_varchar(self):
        return self.take(self.u16() * 2).decode("utf-16-le")

    def at_end(self):
        return self.pos >= len(self.data)


# ---- packets -------------------------------------------------------------------------------------

def read_message(sock_file_recv):
    """Reads one whole message (packets up to end-of-message). `sock_file_recv(n)` returns exactly n
    bytes or b"" at end of stream. Returns (type, payload) or None at a clean end of stream."""
    payload = bytearray()
    msg_type = None
    while True:
        header = sock_file_recv(8)
        if not header:
            if msg_type is None:
                return None
            raise ProtocolError("stream ended inside a message")
        ptype, status, length, _spid, _pid, _win = HEADER.unpack(header)
        if length < 8:
            raise ProtocolError("bad packet length")
        body = sock_file_recv(length - 8) if length > 8 else b""
        if length > 8 and not body:
            raise ProtocolError("stream ended inside a packet")
        if msg_type is None:
            msg_type = ptype
        payload += body
        if status & STATUS_EOM:
            return msg_type, bytes(payload)


def packets(msg_type, payload, packet_size=4096):
    """Splits a reply into packets of at most `packet_size` bytes."""
    out = bytearray()
    room = max(packet_size - 8, 504)
    pos = 0
    number = 1
    while True:
        chunk = payload[pos:pos + room]
        pos += len(chunk)
        last = pos >= len(payload)
        out += HEADER.pack(msg_type, STATUS_EOM if last else 0, len(chunk) + 8, 0, number & 0xFF, 0)
        out += chunk
        number += 1
        if last:
            return bytes(out)


# ---- PRELOGIN ------------------------------------------------------------------------------------

def parse_prelogin(payload):
    """Returns {option number: bytes}."""
    options = {}
    pos = 0
    while pos < len(payload) and payload[pos] != 0xFF:
        if pos + 5 > len(payload):
            raise ProtocolError("bad PRELOGIN")
        token, offset, length = struct.unpack(">BHH", payload[pos:pos + 5])
        options[token] = payload[offset:offset + length]
        pos += 5
    return options


def build_prelogin(encryption=0x02, version=(15, 0, 2000, 0)):
    """The server's PRELOGIN answer; encryption 0x02 = not supported."""
    fields = [
        (0x00, struct.pack(">BBHH", version[0], version[1], version[2], version[3])),
        (0x01, bytes([encryption])),
        (0x02, b"\x00"),
        (0x03, b""),
        (0x04, b"\x00"),
    ]
    head_len = 5 * len(fields) + 1
    head = bytearray()
    body = bytearray()
    for token, data in fields:
        head += struct.pack(">BHH", token, head_len + len(body), len(data))
        body += data
    return bytes(head) + b"\xFF" + bytes(body)


# ---- LOGIN7 --------------------------------------------------------------------------------------

def decode_password(raw):
    """LOGIN7 obfuscates each byte of the UTF-16 password: nibbles swapped, then XOR 0xA5."""
    out = bytearray()
    for b in raw:
        b ^= 0xA5
        out.append(((b << 4) & 0xF0) | (b >> 4))
    return out.decode("utf-16-le", errors="replace")


def encode_password(text):
    out = bytearray()
    for b in text.encode("utf-16-le"):
        out.append((((b << 4) & 0xF0) | (b >> 4)) ^ 0xA5)
    return bytes(out)


LOGIN7_FIELDS = ["hostname", "username", "password", "appname", "servername", "extension",
                 "library", "language", "database"]


def parse_login7(payload):
    if len(payload) < 94:
        raise ProtocolError("LOGIN7 too short")
    (_length, tds_version, packet_size, _client_version, client_pid, _conn_id) = struct.unpack(
        "<IIIIII", payload[:24])
    login = {"tds_version": tds_version, "packet_size": packet_size, "client_pid": client_pid}
    for index, name in enumerate(LOGIN7_FIELDS):
        offset, count = struct.unpack("<HH", payload[36 + 4 * index:40 + 4 * index])
        raw = payload[offset:offset + 2 * count]
        if name == "password":
            login[name] = decode_password(raw)
        elif name == "extension":
            continue
        else:
            login[name] = raw.decode("utf-16-le", errors="replace")
    return login


def tds_version_text(version):
    return {0x74000004: "7.4", 0x730B0003: "7.3", 0x730A0003: "7.3", 0x72090002: "7.2",
            0x71000001: "7.1", 0x70000000: "7.0"}.get(version, hex(version))


def build_login7(username, password, database="", hostname="test", appname="test",
                 servername="127.0.0.1", tds_version=0x74000004, packet_size=4096):
    """A client LOGIN7 (used by the tests of this server)."""
    values = {
        "hostname": hostname.encode("utf-16-le"),
        "username": username.encode("utf-16-le"),
        "password": encode_password(password),
        "appname": appname.encode("utf-16-le"),
        "servername": servername.encode("utf-16-le"),
        "extension": b"",
        "library": "test".encode("utf-16-le"),
        "language": b"",
        "database": database.encode("utf-16-le"),
    }
    fixed = 94
    offsets = bytearray()
    data = bytearray()
    for name in LOGIN7_FIELDS:
        raw = values[name]
        offsets += struct.pack("<HH", fixed + len(data), len(raw) // 2)
        data += raw
    offsets += b"\x00" * 6  # client id
    for _ in range(3):      # SSPI, attach file, change password
        offsets += struct.pack("<HH", fixed + len(data), 0)
    offsets += struct.pack("<I", 0)
    head = struct.pack("<IIIIII", fixed + len(data), tds_version, packet_size, 7, 1234, 0)
    head += bytes([0xE0, 0x03, 0x00, 0x00]) + struct.pack("<iI", 0, 0x0409)
    return head + bytes(offsets) + bytes(data)


# ---- SQL batch and RPC ---------------------------------------------------------------------------

def skip_all_headers(payload, tds_version):
    """Returns the offset after ALL_HEADERS (present from TDS 7.2)."""
    if tds_version < 0x72000000 or len(payload) < 4:
        return 0
    total = struct.unpack("<I", payload[:4])[0]
    if total < 4 or total > len(payload):
        # Not an ALL_HEADERS block: a client of an older version.
        return 0
    return total


def parse_batch(payload, tds_version):
    start = skip_all_headers(payload, tds_version)
    return payload[start:].decode("utf-16-le", errors="replace")


def _read_type_info(r):
    """Reads TYPE_INFO; returns (type id, info dict)."""
    t = r.u8()
    info = {"type": t}
    fixed = {0x1F: 0, 0x30: 1, 0x32: 1, 0x34: 2, 0x38: 4, 0x3A: 4, 0x3B: 4, 0x3C: 8, 0x3D: 8,
             0x3E: 8, 0x7A: 4, 0x7F: 8}
    if t in fixed:
        info["fixed"] = fixed[t]
    elif t in (0x24, 0x26, 0x68, 0x6D, 0x6E, 0x6F):
        info["maxlen"] = r.u8()
    elif t in (0x6A, 0x6C, 0x37, 0x3F):
        info["maxlen"] = r.u8()
        info["precision"] = r.u8()
        info["scale"] = r.u8()
    elif t == 0x28:
        pass
    elif t in (0x29, 0x2A, 0x2B):
        info["scale"] = r.u8()
    elif t in (0xA5, 0xAD, 0xA7, 0xAF, 0xE7, 0xEF):
        info["maxlen"] = r.u16()
        if t in (0xA7, 0xAF, 0xE7, 0xEF):
            info["collation"] = r.take(5)
    elif t in (0x22, 0x23, 0x63):
        info["maxlen"] = r.u32()
        if t in (0x23, 0x63):
            info["collation"] = r.take(5)
    else:
        raise ProtocolError("unsupported parameter type 0x%02X" % t)
    return t, info


def _int_from(raw, signed=True):
    return int.from_bytes(raw, "little", signed=signed)


def _read_plp(r):
    total = r.u64()
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    data = bytearray()
    while True:
        chunk = r.u32()
        if chunk == 0:
            return bytes(data)
        data += r.take(chunk)


def _decimal_from(raw, scale):
    sign = raw[0]
    magnitude = int.from_bytes(raw[1:], "little")
    value = decimal.Decimal(magnitude).scaleb(-scale)
    return value if sign == 1 else -value


TYPE_NAMES = {
    0x1F: "null", 0x30: "tinyint", 0x32: "bit", 0x34: "smallint", 0x38: "int", 0x7F: "bigint",
    0x26: "int", 0x68: "bit", 0x6D: "float", 0x3B: "real", 0x3E: "float", 0x6A: "decimal",
    0x6C: "numeric", 0xE7: "nvarchar", 0xEF: "nchar", 0xA7: "varchar", 0xAF: "char",
    0x63: "ntext", 0x23: "text", 0xA5: "varbinary", 0xAD: "binary", 0x22: "image",
    0x24: "uniqueidentifier", 0x3D: "datetime", 0x6F: "datetime", 0x28: "date",
    0x6E: "money", 0x3C: "money", 0x7A: "smallmoney",
}


def _read_value(r, t, info):
    """Reads one parameter value; returns a Python value (None for NULL)."""
    if "fixed" in info:
        raw = r.take(info["fixed"])
        if t in (0x30,):
            return raw[0]
        if t in (0x32,):
            return raw[0] != 0
        if t in (0x34, 0x38, 0x7F):
            return _int_from(raw)
        if t == 0x3E:
            return struct.unpack("<d", raw)[0]
        if t == 0x3B:
            return struct.unpack("<f", raw)[0]
        return raw.hex() if raw else None
    if t in (0x24, 0x26, 0x68, 0x6D, 0x6E, 0x6F, 0x6A, 0x6C, 0x37, 0x3F, 0x28, 0x29, 0x2A, 0x2B):
        n = r.u8()
        if n == 0:
            return None
        raw = r.take(n)
        if t == 0x26:
            return _int_from(raw)
        if t == 0x68:
            return raw[0] != 0
        if t == 0x6D:
            return struct.unpack("<d" if n == 8 else "<f", raw)[0]
        if t in (0x6A, 0x6C):
            return _decimal_from(raw, info["scale"])
        return raw.hex()
    if t in (0xA5, 0xAD, 0xA7, 0xAF, 0xE7, 0xEF):
        if info["maxlen"] == 0xFFFF:
            raw = _read_plp(r)
        else:
            n = r.u16()
            raw = None if n == 0xFFFF else r.take(n)
        if raw is None:
            return None
        if t in (0xE7, 0xEF):
            return raw.decode("utf-16-le", errors="replace")
        if t in (0xA7, 0xAF):
            return raw.decode("cp1252", errors="replace")
        return raw.hex()
    if t in (0x22, 0x23, 0x63):
        n = r.u32()
        if n == 0xFFFFFFFF:
            return None
        raw = r.take(n)
        if t == 0x63:
            return raw.decode("utf-16-le", errors="replace")
        if t == 0x23:
            return raw.decode("cp1252", errors="replace")
        return raw.hex()
    raise ProtocolError("unsupported parameter type 0x%02X" % t)


def parse_rpc(payload, tds_version):
    """Returns a list of calls: {"proc": name, "params": [{"name", "type", "value", "output"}]}."""
    r = Reader(payload, skip_all_headers(payload, tds_version))
    calls = []
    while not r.at_end():
        n = r.u16()
        if n == 0xFFFF:
            proc_id = r.u16()
            proc = PROC_IDS.get(proc_id, "proc#%d" % proc_id)
        else:
            proc = r.take(n * 2).decode("utf-16-le")
        r.u16()  # option flags
        params = []
        while not r.at_end():
            if r.data[r.pos] in (0x80, 0xFF, 0xFE):  # batch separators between calls
                r.pos += 1
                break
            name = r.b_varchar()
            status = r.u8()
            t, info = _read_type_info(r)
            value = _read_value(r, t, info)
            params.append({"name": name, "type": TYPE_NAMES.get(t, "0x%02X" % t), "value": value,
                           "output": bool(status & 0x01)})
        calls.append({"proc": proc, "params": params})
    return calls


# ---- tokens --------------------------------------------------------------------------------------

def _b_varchar(text):
    raw = text.encode("utf-16-le")
    return bytes([len(raw) // 2]) + raw


def _us_varchar(text):
    raw = text.encode("utf-16-le")
    return struct.pack("<H", len(raw) // 2) + raw


def env_change(kind, new, old=""):
    body = bytes([kind]) + _b_varchar(new) + _b_varchar(old)
    return b"\xE3" + struct.pack("<H", len(body)) + body


def env_collation():
    body = bytes([7, 5]) + DEFAULT_COLLATION + b"\x00"
    return b"\xE3" + struct.pack("<H", len(body)) + body


def message(token, number, text, state=1, severity=16, server="", proc="", line=1):
    body = struct.pack("<iBB", number, state, severity) + _us_varchar(text) + _b_varchar(server)
    body += _b_varchar(proc) + struct.pack("<i", line)
    return bytes([token]) + struct.pack("<H", len(body)) + body


def error(number, text, state=1, severity=16, server="", proc="", line=1):
    return message(0xAA, number, text, state, severity, server, proc, line)


def info(number, text, state=1, severity=0, server="", line=1):
    return message(0xAB, number, text, state, severity, server, "", line)


def login_ack(tds_version, program="Microsoft SQL Server", version=(15, 0, 2000, 5)):
    body = bytes([1]) + struct.pack(">I", tds_version) + _b_varchar(program)
    body += bytes([version[0], version[1], (version[2] >> 8) & 0xFF, version[2] & 0xFF])
    return b"\xAD" + struct.pack("<H", len(body)) + body


def done(status=DONE_FINAL, rowcount=0, token=0xFD, curcmd=0xC1):
    if rowcount:
        status |= DONE_COUNT
    return bytes([token]) + struct.pack("<HHQ", status, curcmd, rowcount)


def done_proc(status=DONE_FINAL, rowcount=0):
    return done(status, rowcount, token=0xFE, curcmd=0xE0)


def done_in_proc(status=DONE_MORE, rowcount=0):
    return done(status, rowcount, token=0xFF)


def return_status(value=0):
    return b"\x79" + struct.pack("<i", value)


def return_value_int(ordinal, name, value):
    body = struct.pack("<H", ordinal) + _b_varchar(name) + bytes([0x01])
    body += struct.pack("<IH", 0, 0) + bytes([0x26, 4])
    body += bytes([4]) + struct.pack("<i", value)
    return b"\xAC" + body


def _column_kind(values):
    kinds = set()
    for v in values:
        if v is None:
            continue
        if isinstance(v, bool):
            kinds.add("int")
        elif isinstance(v, int):
            kinds.add("bigint" if not -2**31 <= v < 2**31 else "int")
        elif isinstance(v, (float, decimal.Decimal)):
            kinds.add("float")
        else:
            kinds.add("str")
    if "str" in kinds:
        return "str"
    if "float" in kinds:
        return "float"
    if "bigint" in kinds:
        return "bigint"
    return "int"


def result_set(columns, rows):
    """COLMETADATA + ROWs for a SELECT. Integers travel as INTN, numbers with a fraction as
    FLTN(8), anything else as NVARCHAR(4000)."""
    kinds = [_column_kind([row[i] for row in rows]) for i in range(len(columns))]
    meta = bytearray(b"\x81" + struct.pack("<H", len(columns)))
    for name, kind in zip(columns, kinds):
        meta += struct.pack("<IH", 0, 0x0009)  # user type, flags: nullable
        if kind == "int":
            meta += bytes([0x26, 4])
        elif kind == "bigint":
            meta += bytes([0x26, 8])
        elif kind == "float":
            meta += bytes([0x6D, 8])
        else:
            meta += bytes([0xE7]) + struct.pack("<H", 8000) + DEFAULT_COLLATION
        meta += _b_varchar(name)
    out = bytearray(meta)
    for row in rows:
        out += b"\xD1"
        for value, kind in zip(row, kinds):
            if kind in ("int", "bigint"):
                size = 4 if kind == "int" else 8
                if value is None:
                    out += b"\x00"
                else:
                    out += bytes([size]) + int(value).to_bytes(size, "little", signed=True)
            elif kind == "float":
                out += b"\x00" if value is None else b"\x08" + struct.pack("<d", float(value))
            else:
                if value is None:
                    out += b"\xFF\xFF"
                else:
                    raw = str(value).encode("utf-16-le")[:8000]
                    out += struct.pack("<H", len(raw)) + raw
    return bytes(out)
