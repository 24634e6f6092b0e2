"""A small T-SQL interpreter: the catalogue of databases and tables, and the statements that the
wizard and its sample scripts use (see docs/sql-subset.md), with SQL Server's error numbers and
texts where a client meets them.

A batch is parsed whole before anything runs, as SQL Server compiles a batch first: a syntax error
(a line holding only GO, for instance) runs nothing. A run-time error ends the batch: the
statements before it stay done. (SQL Server lets some statement-level errors continue the batch;
clients that read every result see the error either way.)
"""

import decimal
import re

INT_RANGES = {"tinyint": (0, 255), "smallint": (-2**15, 2**15 - 1), "int": (-2**31, 2**31 - 1),
              "bigint": (-2**63, 2**63 - 1), "bit": (0, 1)}
INT_TYPES = set(INT_RANGES)
STR_TYPES = {"varchar", "nvarchar", "char", "nchar", "text", "ntext", "sysname"}
TYPE_ALIASES = {"integer": "int", "dec": "decimal", "double": "float", "character": "char",
                "smalldatetime": "datetime", "datetime2": "datetime", "date": "datetime",
                "time": "datetime", "money": "decimal", "smallmoney": "decimal",
                "numeric": "decimal", "real": "float", "image": "varbinary", "binary": "varbinary",
                "timestamp": "varbinary", "rowversion": "varbinary", "uniqueidentifier": "varchar"}
KNOWN_TYPES = INT_TYPES | STR_TYPES | {"decimal", "float", "datetime", "varbinary"}

STATEMENT_KEYWORDS = {"select", "insert", "update", "delete", "create", "drop", "alter", "declare",
                      "set", "use", "print", "begin", "commit", "go", "if", "exec", "execute",
                      "truncate", "rollback", "while", "waitfor", "save", "grant"}


class SqlError(Exception):
    """A server error as the client sees it: number, text, state, severity (class), line."""

    def __init__(self, number, text, state=1, severity=16, line=1, also=()):
        super().__init__(text)
        self.number = number
        self.text = text
        self.state = state
        self.severity = severity
        self.line = line
        self.also = list(also)  # further (number, text, state, severity) reported after this one

    def all_errors(self):
        return [(self.number, self.text, self.state, self.severity)] + self.also


def syntax_error(token_text, line):
    return SqlError(102, "Incorrect syntax near '%s'." % token_text, 1, 15, line)


# ---- lexer ---------------------------------------------------------------------------------------

_TOKEN = re.compile(r"""
  (?P<ws>\s+)
| (?P<comment>--[^\r\n]*|/\*.*?\*/)
| (?P<nstr>[Nn]'(?:[^']|'')*')
| (?P<str>'(?:[^']|'')*')
| (?P<unclosed>[Nn]?'.*)
| (?P<qid>\[(?:[^\]]|\]\])*\]|"(?:[^"]|"")*")
| (?P<hex>0[xX][0-9A-Fa-f]*)
| (?P<num>(?:\d+\.\d*|\.\d+|\d+)(?:[eE][+-]?\d+)?)
| (?P<var>@@?[A-Za-z0-9_#$@]*)
| (?P<id>[A-Za-z_#\u00C0-\uFFFF][A-Za-z0-9_#$@\u00C0-\uFFFF]*)
| (?P<op><>|!=|<=|>=|!<|!>|\+=|-=|\*=|/=|.)
""", re.X | re.S)


class Token:
    __slots__ = ("kind", "text", "value", "pos", "line")

    def __init__(self, kind, text, value, pos, line):
        self.kind, self.text, self.value, self.pos, self.line = kind, text, value, pos, line

    def is_word(self, *words):
        return self.kind == "id" and self.value.lower() in words

    def is_op(self, *ops):
        return self.kind == "op" and self.text in ops

    def __repr__(self):
        return "Token(%s,%r)" % (self.kind, self.text)


def tokenize(text):
    tokens = []
    line = 1
    for m in _TOKEN.finditer(text):
        kind = m.lastgroup
        raw = m.group()
        if kind == "unclosed":
            body = raw[raw.index("'") + 1:]
            raise SqlError(105, "Unclosed quotation mark after the character string '%s'." % body,
                           1, 15, line, also=[(102, "Incorrect syntax near '%s'." % body, 1, 15)])
        if kind not in ("ws", "comment"):
            if kind in ("str", "nstr"):
                value = raw[raw.index("'") + 1:-1].replace("''", "'")
                kind = "str"
            elif kind == "qid":
                value = raw[1:-1].replace("]]", "]") if raw[0] == "[" else raw[1:-1].replace('""', '"')
                kind = "id"
            elif kind == "num":
                if re.fullmatch(r"\d+", raw):
                    value = int(raw)
                elif "e" in raw.lower():
                    value = float(raw)
                else:
                    value = decimal.Decimal(raw)
            elif kind == "hex":
                value = int(raw[2:] or "0", 16)
                kind = "num"
            else:
                value = raw
            tokens.append(Token(kind, raw, value, m.start(), line))
        line += raw.count("\n")
    tokens.append(Token("eof", "", None, len(text), line))
    return tokens


# ---- values and types ----------------------------------------------------------------------------

class SqlType:
    __slots__ = ("base", "length", "scale")

    def __init__(self, base, length=None, scale=None):
        self.base, self.length, self.scale = base, length, scale

    def __repr__(self):
        if self.length is None:
            return self.base
        return "%s(%s)" % (self.base, "max" if self.length == -1 else self.length)


def type_of(value):
    """The type family of a Python value produced by the interpreter."""
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "bit"
    if isinstance(value, int):
        return "int" if -2**31 <= value < 2**31 else "bigint"
    if isinstance(value, float):
        return "float"
    if isinstance(value, decimal.Decimal):
        return "decimal"
    return "varchar"


def type_name(t):
    return {"varchar": "varchar", "nvarchar": "nvarchar"}.get(t, t)


def convert(value, target, column=None):
    """Converts a value to a declared type, raising SQL Server's conversion errors."""
    if value is None:
        return None
    base = target.base
    if base in INT_TYPES:
        if isinstance(value, str):
            text = value.strip()
            if not re.fullmatch(r"[+-]?\d+", text):
                raise SqlError(245, "Conversion failed when converting the varchar value '%s' to "
                                    "data type %s." % (value, base), 1, 16)
            value = int(text)
        elif isinstance(value, (float, decimal.Decimal)):
            value = int(value)
        value = int(value)
        low, high = INT_RANGES[base]
        if base == "bit":
            return 1 if value else 0
        if not low <= value <= high:
            raise SqlError(8115, "Arithmetic overflow error converting expression to data type %s."
                           % base, 1, 16)
        return value
    if base in STR_TYPES:
        text = value if isinstance(value, str) else _to_text(value)
        if target.length not in (None, -1) and len(text) > target.length:
            if column is not None and len(text.rstrip(" ")) > target.length:
                raise SqlError(8152, "String or binary data would be truncated.", 1, 16)
            text = text[:target.length]
        return text
    if base in ("float", "decimal"):
        if isinstance(value, str):
            try:
                number = decimal.Decimal(value.strip())
            except decimal.InvalidOperation:
                raise SqlError(8114, "Error converting data type varchar to %s." % base, 5, 16)
            value = number
        return float(value) if base == "float" else decimal.Decimal(value)
    return value if isinstance(value, str) else _to_text(value)


def _to_text(value):
    if isinstance(value, float):
        return repr(value)
    return str(value)


def _int_result(value, a, b):
    kind = "bigint" if "bigint" in (type_of(a), type_of(b)) else "int"
    low, high = INT_RANGES[kind]
    if not low <= value <= high:
        raise SqlError(8115, "Arithmetic overflow error converting expression to data type %s."
                       % kind, 1, 16)
    return value


def _numeric_pair(a, b):
    """Brings two operands to a common type by SQL Server's precedence: numbers beat text."""
    if isinstance(a, str) and not isinstance(b, str):
        a = convert(a, SqlType("int" if isinstance(b, int) else "float"))
    elif isinstance(b, str) and not isinstance(a, str):
        b = convert(b, SqlType("int" if isinstance(a, int) else "float"))
    if isinstance(a, float) or isinstance(b, float):
        return float(a), float(b)
    if isinstance(a, decimal.Decimal) or isinstance(b, decimal.Decimal):
        return decimal.Decimal(a), decimal.Decimal(b)
    return a, b


def arithmetic(op, a, b):
    if a is None or b is None:
        return None
    if op == "+" and isinstance(a, str) and isinstance(b, str):
        return a + b
    a, b = _numeric_pair(a, b)
    if op == "+":
        r = a + b
    elif op == "-":
        r = a - b
    elif op == "*":
        r = a * b
    elif op in ("/", "%"):
        if b == 0:
            raise SqlError(8134, "Divide by zero error encountered.", 1, 16)
        if isinstance(a, int) and isinstance(b, int):
            q = abs(a) // abs(b)
            q = q if (a >= 0) == (b >= 0) else -q
            r = q if op == "/" else a - q * b
        else:
            r = a / b if op == "/" else a % b
    else:
        raise SqlError(102, "Incorrect syntax near '%s'." % op, 1, 15)
    if isinstance(r, int) and not isinstance(r, bool):
        return _int_result(r, a, b)
    return r


def compare(op, a, b):
    if a is None or b is None:
        return None
    if isinstance(a, str) and isinstance(b, str):
        a, b = a.lower().rstrip(" "), b.lower().rstrip(" ")
    else:
        a, b = _numeric_pair(a, b)
    return {"=": a == b, "<>": a != b, "!=": a != b, "<": a < b, ">": a > b, "<=": a <= b,
            ">=": a >= b, "!<": a >= b, "!>": a <= b}[op]


def like(value, pattern):
    if value is None or pattern is None:
        return None
    regex = ""
    i = 0
    while i < len(pattern):
        c = pattern[i]
        if c == "%":
            regex += ".*"
        elif c == "_":
            regex += "."
        elif c == "[":
            j = pattern.find("]", i)
            if j < 0:
                regex += re.escape(c)
            else:
                regex += "[" + pattern[i + 1:j].replace("^", "^", 1) + "]"
                i = j
        else:
            regex += re.escape(c)
        i += 1
    return re.fullmatch(regex, str(value), re.S | re.I) is not None


# ---- catalogue -----------------------------------------------------------------------------------

class Column:
    def __init__(self, name, sqltype):
        self.name = name
        self.type = sqltype
        self.nullable = True
        self.identity = None  # (first value, increment)
        self.default = None   # expression


class Table:
    def __init__(self, name):
        self.name = name
        self.columns = []
        self.rows = []
        self.keys = []      # (kind "PRIMARY KEY"/"UNIQUE KEY", constraint name, [column indexes])
        self.indexes = {}   # lower name -> column names
        self.next_identity = None
        self.identity_insert = False

    def column_index(self, name, line=1):
        lowered = name.lower()
        for i, c in enumerate(self.columns):
            if c.name.lower() == lowered:
                return i
        raise SqlError(207, "Invalid column name '%s'." % name, 1, 16, line)

    def has_column(self, name):
        return any(c.name.lower() == name.lower() for c in self.columns)


class Database:
    def __init__(self, name):
        self.name = name
        self.tables = {}
        self.single_user = False

    def table(self, name, line=1):
        t = self.tables.get(name.lower())
        if t is None:
            raise SqlError(208, "Invalid object name '%s'." % name, 1, 16, line)
        return t


SYSTEM_DATABASES = ("master", "tempdb", "model", "msdb")


class Login:
    """A server login: whether it is disabled, and its fixed server roles."""

    def __init__(self, name, roles=(), disabled=False):
        self.name = name
        self.roles = set(roles)
        self.disabled = disabled


class Catalogue:
    def __init__(self, databases=()):
        self.databases = {}
        self.logins = {}  # lower name -> Login
        for name in SYSTEM_DATABASES:
            self.databases[name] = Database(name)
        for name in databases:
            self.databases[name.lower()] = Database(name)

    def get(self, name):
        return self.databases.get(name.lower())

    def login(self, name):
        return self.logins.get(str(name).lower())

    def server_principals(self):
        """sys.server_principals as a table: name, is_disabled, type_desc."""
        table = Table("server_principals")
        for column, sqltype in (("name", "nvarchar"), ("is_disabled", "bit"), ("type_desc", "nvarchar")):
            table.columns.append(Column(column, SqlType(sqltype)))
        for login in self.logins.values():
            table.rows.append([login.name, 1 if login.disabled else 0, "SQL_LOGIN"])
        return table

    def snapshot(self):
        """A JSON-friendly picture of the catalogue (for tests)."""
        out = {}
        for db in self.databases.values():
            out[db.name] = {
                "single_user": db.single_user,
                "tables": {t.name: {"columns": [c.name for c in t.columns], "rows": len(t.rows)}
                           for t in db.tables.values()},
            }
        return out


# ---- statements ----------------------------------------------------------------------------------

class Statement:
    """One parsed statement: its kind, its source text and its line, and the parsed parts."""

    def __init__(self, kind, text, line, **parts):
        self.kind = kind
        self.text = text
        self.line = line
        self.parts = parts

    def __getattr__(self, name):
        try:
            return self.parts[name]
        except KeyError:
            raise AttributeError(name)


class Parser:
    def __init__(self, text, permissive=False):
        self.text = text
        self.tokens = tokenize(text)
        self.i = 0
        self.permissive = permissive

    # -- token helpers
    def peek(self, k=0):
        return self.tokens[min(self.i + k, len(self.tokens) - 1)]

    def next(self):
        t = self.tokens[self.i]
        if t.kind != "eof":
            self.i += 1
        return t

    def error_here(self):
        t = self.peek()
        if t.kind == "eof":
            prev = self.tokens[self.i - 1] if self.i else t
            return syntax_error(prev.text, prev.line)
        return syntax_error(t.text, t.line)

    def accept_word(self, *words):
        if self.peek().is_word(*words):
            return self.next()
        return None

    def expect_word(self, *words):
        t = self.accept_word(*words)
        if t is None:
            raise self.error_here()
        return t

    def accept_op(self, *ops):
        if self.peek().is_op(*ops):
            return self.next()
        return None

    def expect_op(self, *ops):
        t = self.accept_op(*ops)
        if t is None:
            raise self.error_here()
        return t

    def identifier(self):
        t = self.peek()
        if t.kind != "id":
            raise self.error_here()
        self.next()
        return t.value

    def object_name(self):
        """[db.][schema.]name; the schema and database parts are dropped."""
        parts = [self.identifier()]
        while self.accept_op("."):
            parts.append(self.identifier() if self.peek().kind == "id" else "")
        return parts[-1]

    # -- batch
    def parse_batch(self):
        statements = []
        while True:
            while self.accept_op(";"):
                pass
            t = self.peek()
            if t.kind == "eof":
                return statements
            start = self.i
            stmt = self.statement()
            end_pos = self.tokens[self.i - 1].pos + len(self.tokens[self.i - 1].text)
            stmt.text = self.text[t.pos:end_pos]
            stmt.line = t.line
            if stmt.kind is not None:
                statements.append(stmt)
            assert self.i > start

    def statement(self):
        t = self.peek()
        line = t.line
        if t.kind == "id":
            word = t.value.lower()
            handler = getattr(self, "st_" + word, None)
            if handler is not None and word in STATEMENT_KEYWORDS:
                self.next()
                return handler(line)
        if self.permissive and t.kind != "eof":
            return self.skip_unknown(line)
        if t.kind == "id" and t.value.lower() not in STATEMENT_KEYWORDS and t.text[0] != "[":
            raise syntax_error(t.text, t.line)
        if t.kind != "id":
            raise syntax_error(t.text, t.line)
        raise SqlError(50000, "The test server does not support this statement: %s"
                       % self.line_text(t), 1, 16, line)

    def line_text(self, t):
        end = self.text.find("\n", t.pos)
        return self.text[t.pos:end if end >= 0 else len(self.text)].strip()

    def skip_unknown(self, line):
        first = self.next()
        while True:
            t = self.peek()
            if t.kind == "eof" or t.is_op(";"):
                break
            if t.kind == "id" and t.value.lower() in STATEMENT_KEYWORDS and t.line != first.line:
                break
            self.next()
        return Statement("skipped", "", line)

    def unsupported(self, t):
        if self.permissive:
            self.i -= 1
            return self.skip_unknown(t.line)
        raise SqlError(50000, "The test server does not support this statement: %s"
                       % self.line_text(t), 1, 16, t.line)

    # -- GO: SQL Server sees an identifier where a statement should start
    def st_go(self, line):
        raise syntax_error(self.tokens[self.i - 1].text, line)

    # -- USE
    def st_use(self, line):
        return Statement("use", "", line, database=self.identifier())

    # -- PRINT
    def st_print(self, line):
        return Statement("print", "", line, expr=self.expression())

    # -- transactions (no rollback: every statement is final)
    def st_begin(self, line):
        if self.accept_word("tran", "transaction"):
            if self.peek().kind == "id" and not self.peek().value.lower() in STATEMENT_KEYWORDS:
                self.next()
            return Statement(None, "", line)
        return self.unsupported(self.tokens[self.i - 1])

    def st_commit(self, line):
        self.accept_word("tran", "transaction", "work")
        return Statement(None, "", line)

    # -- DECLARE @v [AS] type [= expr] [, ...]
    def st_declare(self, line):
        decls = []
        while True:
            t = self.next()
            if t.kind != "var" or t.text.startswith("@@"):
                self.i -= 1
                raise self.error_here()
            self.accept_word("as")
            sqltype = self.data_type()
            init = self.expression() if self.accept_op("=") else None
            decls.append((t.text, sqltype, init, t.line))
            if not self.accept_op(","):
                return Statement("declare", "", line, decls=decls)

    # -- SET @v = expr | SET option ...
    def st_set(self, line):
        t = self.peek()
        if t.kind == "var":
            self.next()
            op = self.expect_op("=", "+=", "-=", "*=", "/=").text
            return Statement("setvar", "", line, name=t.text, op=op, expr=self.expression())
        option = self.identifier().lower()
        if option == "identity_insert":
            table = self.object_name()
            state = self.expect_word("on", "off").value.lower()
            return Statement("identity_insert", "", line, table=table, on=state == "on")
        if option == "transaction":
            while self.peek().kind == "id" and self.peek().line == t.line:
                self.next()
            return Statement(None, "", line)
        options = [option]
        while self.accept_op(","):
            options.append(self.identifier().lower())
        value_token = self.next()
        if value_token.kind not in ("id", "num", "str"):
            self.i -= 1
            raise self.error_here()
        if value_token.kind == "id" and value_token.value.lower() not in ("on", "off") \
                and option not in ("dateformat", "language", "datefirst", "deadlock_priority"):
            raise syntax_error(value_token.text, value_token.line)
        value = value_token.value.lower() if value_token.kind == "id" else value_token.value
        return Statement("setoption", "", line, options=options, value=value)

    # -- CREATE ...
    def st_create(self, line):
        t = self.next()
        if t.is_word("database"):
            name = self.identifier()
            if self.peek().is_word("on", "collate", "with", "containment"):
                raise SqlError(50000, "The test server does not support CREATE DATABASE options",
                               1, 16, line)
            return Statement("create_database", "", line, name=name)
        if t.is_word("table"):
            return self.create_table(line)
        unique = False
        if t.is_word("unique"):
            unique = True
            t = self.next()
        if t.is_word("clustered", "nonclustered"):
            t = self.next()
        if t.is_word("index"):
            name = self.identifier()
            self.expect_word("on")
            table = self.object_name()
            self.expect_op("(")
            columns = []
            while True:
                columns.append(self.identifier())
                self.accept_word("asc", "desc")
                if not self.accept_op(","):
                    break
            self.expect_op(")")
            self.skip_with_options()
            return Statement("create_index", "", line, name=name, table=table, columns=columns,
                             unique=unique)
        return self.unsupported(t)

    def skip_with_options(self):
        if self.accept_word("with"):
            if self.accept_op("("):
                self.skip_balanced()
            else:
                self.identifier()
        if self.accept_word("on"):
            self.identifier()

    def skip_balanced(self):
        """Skips up to and including the ')' that closes an already opened '('."""
        depth = 1
        while depth:
            t = self.next()
            if t.kind == "eof":
                raise self.error_here()
            if t.is_op("("):
                depth += 1
            elif t.is_op(")"):
                depth -= 1

    def data_type(self):
        name = self.identifier().lower()
        if name == "double":
            self.accept_word("precision")
        base = TYPE_ALIASES.get(name, name)
        if base not in KNOWN_TYPES:
            raise SqlError(2715, "Column, parameter, or variable #1: Cannot find data type %s."
                           % name, 6, 16, self.peek().line)
        length = scale = None
        if self.accept_op("("):
            if self.accept_word("max"):
                length = -1
            else:
                length = self.number()
                if self.accept_op(","):
                    scale = self.number()
            self.expect_op(")")
        if base in ("char", "nchar", "varchar", "nvarchar") and length is None:
            length = 1
        if base == "sysname":
            base, length = "nvarchar", 128
        if name in ("date", "time", "datetime2", "image", "binary", "timestamp", "rowversion",
                    "uniqueidentifier", "real", "money", "smallmoney", "numeric"):
            length = None
        return SqlType(base, length, scale)

    def number(self):
        t = self.next()
        if t.kind != "num" or not isinstance(t.value, int):
            self.i -= 1
            raise self.error_here()
        return t.value

    def signed_number(self):
        negative = self.accept_op("-") is not None
        value = self.number()
        return -value if negative else value

    def create_table(self, line):
        name = self.object_name()
        self.expect_op("(")
        columns = []
        keys = []
        while True:
            if self.peek().is_word("constraint", "primary", "unique", "foreign", "check"):
                self.table_constraint(keys)
            else:
                columns.append(self.column_definition(keys))
            if self.accept_op(")"):
                break
            self.expect_op(",")
        self.skip_with_options()
        return Statement("create_table", "", line, name=name, columns=columns, keys=keys)

    def column_definition(self, keys):
        col = Column(self.identifier(), self.data_type())
        explicit_null = None
        while True:
            t = self.peek()
            if t.is_word("null"):
                self.next()
                explicit_null = True
            elif t.is_word("not"):
                self.next()
                if self.accept_word("for"):
                    self.expect_word("replication")
                    continue
                self.expect_word("null")
                explicit_null = False
            elif t.is_word("identity"):
                self.next()
                first, step = 1, 1
                if self.accept_op("("):
                    first = self.signed_number()
                    self.expect_op(",")
                    step = self.signed_number()
                    self.expect_op(")")
                col.identity = (first, step)
            elif t.is_word("constraint"):
                self.next()
                self.identifier()
            elif t.is_word("primary"):
                self.next()
                self.expect_word("key")
                self.accept_word("clustered", "nonclustered")
                keys.append(("PRIMARY KEY", None, [col.name]))
            elif t.is_word("unique"):
                self.next()
                self.accept_word("clustered", "nonclustered")
                keys.append(("UNIQUE KEY", None, [col.name]))
            elif t.is_word("default"):
                self.next()
                col.default = self.primary()
            elif t.is_word("references"):
                self.next()
                self.object_name()
                if self.accept_op("("):
                    self.skip_balanced()
                self.referential_actions()
            elif t.is_word("check"):
                self.next()
                self.expect_op("(")
                self.skip_balanced()
            elif t.is_word("collate"):
                self.next()
                self.identifier()
            elif t.is_word("rowguidcol", "sparse"):
                self.next()
            else:
                break
        if explicit_null is not None:
            col.nullable = explicit_null
        return col

    def referential_actions(self):
        while self.peek().is_word("on") and self.peek(1).is_word("delete", "update"):
            self.next()
            self.next()
            if self.accept_word("no"):
                self.expect_word("action")
            elif self.accept_word("set"):
                self.expect_word("null", "default")
            else:
                self.expect_word("cascade")

    def table_constraint(self, keys):
        name = None
        if self.accept_word("constraint"):
            name = self.identifier()
        t = self.next()
        if t.is_word("primary", "unique"):
            kind = "PRIMARY KEY" if t.is_word("primary") else "UNIQUE KEY"
            if kind == "PRIMARY KEY":
                self.expect_word("key")
            self.accept_word("clustered", "nonclustered")
            self.expect_op("(")
            cols = []
            while True:
                cols.append(self.identifier())
                self.accept_word("asc", "desc")
                if not self.accept_op(","):
                    break
            self.expect_op(")")
            self.skip_with_options()
            keys.append((kind, name, cols))
        elif t.is_word("foreign"):
            self.expect_word("key")
            self.expect_op("(")
            self.skip_balanced()
            self.expect_word("references")
            self.object_name()
            if self.accept_op("("):
                self.skip_balanced()
            self.referential_actions()
        elif t.is_word("check"):
            self.expect_op("(")
            self.skip_balanced()
        elif t.is_word("default"):
            self.primary()
            self.expect_word("for")
            self.identifier()
        else:
            self.i -= 1
            raise self.error_here()

    # -- DROP
    def st_drop(self, line):
        t = self.next()
        if t.is_word("database"):
            names = [self.identifier()]
            while self.accept_op(","):
                names.append(self.identifier())
            return Statement("drop_database", "", line, names=names)
        if t.is_word("table"):
            names = [self.object_name()]
            while self.accept_op(","):
                names.append(self.object_name())
            return Statement("drop_table", "", line, names=names)
        return self.unsupported(t)

    # -- ALTER
    def st_alter(self, line):
        t = self.next()
        if t.is_word("database"):
            name = self.identifier()
            self.expect_word("set")
            mode = self.expect_word("single_user", "multi_user", "restricted_user").value.lower()
            termination = None
            if self.accept_word("with"):
                if self.accept_word("rollback"):
                    if self.accept_word("immediate"):
                        termination = "rollback immediate"
                    else:
                        self.expect_word("after")
                        self.number()
                        self.accept_word("seconds")
                        termination = "rollback after"
                else:
                    self.expect_word("no_wait")
                    termination = "no_wait"
            return Statement("alter_database", "", line, name=name, mode=mode,
                             termination=termination)
        if t.is_word("login"):
            # ALTER LOGIN name ENABLE | DISABLE
            name = self.identifier()
            state = self.expect_word("enable", "disable").value.lower()
            return Statement("alter_login", "", line, name=name, enable=state == "enable")
        if t.is_word("server"):
            # ALTER SERVER ROLE role ADD | DROP MEMBER name
            self.expect_word("role")
            role = self.identifier()
            action = self.expect_word("add", "drop").value.lower()
            self.expect_word("member")
            return Statement("alter_server_role", "", line, role=role, name=self.identifier(), add=action == "add")
        if t.is_word("table"):
            table = self.object_name()
            if not self.accept_word("add"):
                return self.unsupported(t)
            columns, keys = [], []
            while True:
                if self.peek().is_word("constraint", "primary", "unique", "foreign", "check"):
                    self.table_constraint(keys)
                else:
                    columns.append(self.column_definition(keys))
                if not self.accept_op(","):
                    break
            return Statement("alter_table_add", "", line, table=table, columns=columns, keys=keys)
        return self.unsupported(t)

    # -- INSERT [INTO] t [(cols)] VALUES (...), (...) | SELECT ...
    def st_insert(self, line):
        self.accept_word("into")
        table = self.object_name()
        columns = None
        if self.accept_op("("):
            columns = [self.identifier()]
            while self.accept_op(","):
                columns.append(self.identifier())
            self.expect_op(")")
        if self.accept_word("values"):
            rows = []
            while True:
                self.expect_op("(")
                row = [self.expression()]
                while self.accept_op(","):
                    row.append(self.expression())
                self.expect_op(")")
                rows.append(row)
                if not self.accept_op(","):
                    break
            return Statement("insert", "", line, table=table, columns=columns, rows=rows,
                             select=None)
        if self.accept_word("select"):
            return Statement("insert", "", line, table=table, columns=columns, rows=None,
                             select=self.select_body(line))
        if self.accept_word("default"):
            self.expect_word("values")
            return Statement("insert", "", line, table=table, columns=[], rows=[[]], select=None)
        raise self.error_here()

    # -- UPDATE t SET c = e [, ...] [WHERE ...]
    def st_update(self, line):
        table = self.object_name()
        self.expect_word("set")
        assignments = []
        while True:
            col = self.identifier()
            op = self.expect_op("=", "+=", "-=", "*=", "/=").text
            assignments.append((col, op, self.expression()))
            if not self.accept_op(","):
                break
        where = self.expression() if self.accept_word("where") else None
        return Statement("update", "", line, table=table, assignments=assignments, where=where)

    # -- DELETE [FROM] t [WHERE ...]
    def st_delete(self, line):
        self.accept_word("from")
        table = self.object_name()
        where = self.expression() if self.accept_word("where") else None
        return Statement("delete", "", line, table=table, where=where)

    def st_truncate(self, line):
        self.expect_word("table")
        return Statement("delete", "", line, table=self.object_name(), where=None)

    # -- SELECT
    def st_select(self, line):
        return Statement("select", "", line, query=self.select_body(line))

    def select_body(self, line):
        top = None
        if self.accept_word("distinct"):
            raise SqlError(50000, "The test server does not support SELECT DISTINCT", 1, 16, line)
        if self.accept_word("top"):
            paren = self.accept_op("(")
            top = self.number()
            if paren:
                self.expect_op(")")
        items = []
        while True:
            if self.accept_op("*"):
                items.append(("*", None))
            else:
                t = self.peek()
                if t.kind == "var" and self.peek(1).is_op("="):
                    raise SqlError(50000, "The test server does not support SELECT @v = ...",
                                   1, 16, line)
                expr = self.expression()
                alias = None
                if self.accept_word("as"):
                    alias = self.identifier() if self.peek().kind == "id" else self.next().value
                elif self.peek().kind == "id" and not self.peek().is_word(
                        "from", "where", "order", "union", "group", "having", "into") \
                        and not (self.peek().value.lower() in STATEMENT_KEYWORDS):
                    alias = self.identifier()
                elif self.peek().kind == "str":
                    alias = self.next().value
                items.append((expr, alias))
            if not self.accept_op(","):
                break
        table = None
        if self.accept_word("from"):
            table = self.object_name()
            if self.peek().kind == "id" and not self.peek().is_word(
                    "where", "order", "group", "union", "having") \
                    and self.peek().value.lower() not in STATEMENT_KEYWORDS:
                self.accept_word("as")
                self.identifier()
        where = self.expression() if self.accept_word("where") else None
        if self.peek().is_word("group", "having", "union"):
            raise SqlError(50000, "The test server does not support %s" % self.peek().text.upper(),
                           1, 16, line)
        order = []
        if self.accept_word("order"):
            self.expect_word("by")
            while True:
                expr = self.expression()
                desc = bool(self.accept_word("desc"))
                if not desc:
                    self.accept_word("asc")
                order.append((expr, desc))
                if not self.accept_op(","):
                    break
        return {"items": items, "table": table, "where": where, "order": order, "top": top}

    # -- expressions, lowest precedence first
    def expression(self):
        left = self.and_expr()
        while self.accept_word("or"):
            left = ("or", left, self.and_expr())
        return left

    def and_expr(self):
        left = self.not_expr()
        while self.accept_word("and"):
            left = ("and", left, self.not_expr())
        return left

    def not_expr(self):
        if self.accept_word("not"):
            return ("not", self.not_expr())
        return self.predicate()

    def predicate(self):
        if self.accept_word("exists"):
            self.expect_op("(")
            self.expect_word("select")
            query = self.select_body(self.peek().line)
            self.expect_op(")")
            return ("exists", query)
        left = self.additive()
        t = self.peek()
        if t.is_op("=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"):
            self.next()
            return ("cmp", t.text, left, self.additive())
        if t.is_word("is"):
            self.next()
            negated = bool(self.accept_word("not"))
            self.expect_word("null")
            return ("isnull", left, negated)
        negated = False
        if t.is_word("not") and self.peek(1).is_word("between", "in", "like"):
            self.next()
            negated = True
            t = self.peek()
        if t.is_word("between"):
            self.next()
            low = self.additive()
            self.expect_word("and")
            return ("between", left, low, self.additive(), negated)
        if t.is_word("in"):
            self.next()
            self.expect_op("(")
            values = [self.expression()]
            while self.accept_op(","):
                values.append(self.expression())
            self.expect_op(")")
            return ("in", left, values, negated)
        if t.is_word("like"):
            self.next()
            return ("like", left, self.additive(), negated)
        return left

    def additive(self):
        left = self.multiplicative()
        while True:
            t = self.accept_op("+", "-", "&", "|", "^")
            if t is None:
                return left
            left = ("bin", t.text, left, self.multiplicative())

    def multiplicative(self):
        left = self.unary()
        while True:
            t = self.accept_op("*", "/", "%")
            if t is None:
                return left
            left = ("bin", t.text, left, self.unary())

    def unary(self):
        if self.accept_op("-"):
            return ("neg", self.unary())
        if self.accept_op("+"):
            return self.unary()
        if self.accept_op("~"):
            return ("bitnot", self.unary())
        return self.primary()

    def primary(self):
        t = self.next()
        if t.kind == "num" or t.kind == "str":
            return ("lit", t.value)
        if t.kind == "var":
            return ("var", t.text)
        if t.is_op("("):
            if self.peek().is_word("select"):
                self.next()
                query = self.select_body(t.line)
                self.expect_op(")")
                return ("subquery", query)
            expr = self.expression()
            self.expect_op(")")
            return expr
        if t.kind == "id":
            word = t.value.lower()
            if word == "null" and t.text[0] not in "[\"":
                return ("lit", None)
            if word in ("cast", "convert") and self.peek().is_op("("):
                self.next()
                if word == "cast":
                    expr = self.expression()
                    self.expect_word("as")
                    sqltype = self.data_type()
                else:
                    sqltype = self.data_type()
                    self.expect_op(",")
                    expr = self.expression()
                    if self.accept_op(","):
                        self.expression()
                self.expect_op(")")
                return ("cast", expr, sqltype)
            if word == "case":
                return self.case_expression()
            if self.peek().is_op("("):
                self.next()
                args = []
                if word == "count" and self.accept_op("*"):
                    args = ["*"]
                elif not self.peek().is_op(")"):
                    args.append(self.expression())
                    while self.accept_op(","):
                        args.append(self.expression())
                self.expect_op(")")
                return ("func", word, args)
            if word in STATEMENT_KEYWORDS or word in ("from", "where", "and", "or", "as",
                                                      "values", "on", "is", "not"):
                if t.text[0] not in "[\"":
                    self.i -= 1
                    raise self.error_here()
            name = t.value
            while self.accept_op("."):
                name = self.identifier()
            return ("col", name, t.line)
        self.i -= 1
        raise self.error_here()

    def case_expression(self):
        subject = None
        if not self.peek().is_word("when"):
            subject = self.expression()
        branches = []
        while self.accept_word("when"):
            cond = self.expression()
            self.expect_word("then")
            branches.append((cond, self.expression()))
        otherwise = self.expression() if self.accept_word("else") else ("lit", None)
        self.expect_word("end")
        return ("case", subject, branches, otherwise)


def parse(text, permissive=False):
    return Parser(text, permissive).parse_batch()


# ---- execution -----------------------------------------------------------------------------------

AGGREGATES = {"count", "sum", "min", "max", "avg"}

# What SERVERPROPERTY answers: the version the Browser service announces, an Express edition.
SERVER_PROPERTIES = {"productversion": "15.0.2000.5", "edition": "Express Edition (64-bit)",
                     "productlevel": "RTM"}


class Result:
    """What one statement gives the client: a row count (or None) and perhaps rows."""

    def __init__(self, rowcount=None, columns=None, rows=None, message=None):
        self.rowcount = rowcount
        self.columns = columns
        self.rows = rows
        self.message = message


class Session:
    """Per-connection state the interpreter reads and changes."""

    def __init__(self, user="sa", database="master"):
        self.user = user
        self.database = database
        self.nocount = False
        self.identity_insert = None  # (database, table) with IDENTITY_INSERT on
        self.can_create_database = True  # CREATE ANY DATABASE (sysadmin, dbcreator)


class Hooks:
    """What the hosting server plugs in. Each method may raise SqlError."""

    def before_statement(self, statement):
        pass

    def database_in_use(self, name, session):
        return False

    def kick_users(self, name, session):
        pass


class Interpreter:
    def __init__(self, catalogue, hooks=None, permissive=False):
        self.catalogue = catalogue
        self.hooks = hooks or Hooks()
        self.permissive = permissive

    def run_batch(self, text, session, parameters=None, on_result=None):
        """Parses and runs one batch; calls on_result(statement, Result) after each statement.
        `parameters` maps variable names (with '@') to values, as sp_executesql binds them.
        Raises SqlError at the first failure."""
        statements = parse(text, self.permissive)
        variables = {}
        for name, value in (parameters or {}).items():
            variables[name.lower()] = (value, SqlType(type_of(value)))
        for st in statements:
            self.hooks.before_statement(st)
            try:
                result = self.execute(st, session, variables)
            except SqlError as e:
                if e.line == 1 and st.line != 1:
                    e.line = st.line
                raise
            if on_result is not None:
                on_result(st, result)
        return statements

    def current_db(self, session):
        db = self.catalogue.get(session.database)
        if db is None:
            raise SqlError(911, "Database '%s' does not exist. Make sure that the name is entered "
                                "correctly." % session.database, 1, 16)
        return db

    def execute(self, st, session, variables):
        return getattr(self, "do_" + st.kind)(st, session, variables)

    # -- databases
    def do_create_database(self, st, session, variables):
        if not session.can_create_database:
            raise SqlError(262, "CREATE DATABASE permission denied in database 'master'.", 1, 14,
                           st.line)
        if self.catalogue.get(st.name) is not None:
            raise SqlError(1801, "Database '%s' already exists. Choose a different database name."
                           % st.name, 3, 16, st.line)
        self.catalogue.databases[st.name.lower()] = Database(st.name)
        return Result()

    def do_drop_database(self, st, session, variables):
        for name in st.names:
            db = self.catalogue.get(name)
            if db is None or name.lower() in SYSTEM_DATABASES:
                raise SqlError(3701, "Cannot drop the database '%s', because it does not exist or "
                                     "you do not have permission." % name, 1, 11, st.line)
            if session.database.lower() == name.lower() or self.hooks.database_in_use(name, session):
                raise SqlError(3702, "Cannot drop database \"%s\" because it is currently in use."
                               % name, 4, 16, st.line)
            del self.catalogue.databases[name.lower()]
        return Result()

    def do_alter_database(self, st, session, variables):
        db = self.catalogue.get(st.name)
        if db is None:
            raise SqlError(5011, "User does not have permission to alter database '%s', the "
                                 "database does not exist, or the database is not in a state that "
                                 "allows access checks." % st.name, 9, 14, st.line,
                           also=[(5069, "ALTER DATABASE statement failed.", 1, 16)])
        if st.mode == "single_user":
            if st.termination is not None:
                self.hooks.kick_users(db.name, session)
            elif self.hooks.database_in_use(db.name, session):
                raise SqlError(5070, "Database state cannot be changed while other users are using "
                                     "the database '%s'" % db.name, 2, 16, st.line,
                               also=[(5069, "ALTER DATABASE statement failed.", 1, 16)])
            db.single_user = True
        else:
            db.single_user = False
        return Result()

    # -- logins (only a sysadmin changes them)
    def changed_login(self, name, session, line):
        caller = self.catalogue.login(session.user)
        login = self.catalogue.login(name)
        if login is None or caller is None or "sysadmin" not in caller.roles:
            raise SqlError(15151, "Cannot alter the login '%s', because it does not exist or you do "
                                  "not have permission." % name, 1, 16, line)
        return login

    def do_alter_login(self, st, session, variables):
        self.changed_login(st.name, session, st.line).disabled = not st.enable
        return Result()

    def do_alter_server_role(self, st, session, variables):
        login = self.changed_login(st.name, session, st.line)
        if st.add:
            login.roles.add(st.role.lower())
        else:
            login.roles.discard(st.role.lower())
        return Result()

    def do_use(self, st, session, variables):
        db = self.catalogue.get(st.database)
        if db is None:
            raise SqlError(911, "Database '%s' does not exist. Make sure that the name is entered "
                                "correctly." % st.database, 1, 16, st.line)
        session.database = db.name
        return Result(message=("database", db.name))

    # -- variables and options
    def do_declare(self, st, session, variables):
        for name, sqltype, init, line in st.decls:
            if name.lower() in variables:
                raise SqlError(134, "The variable name '%s' has already been declared. Variable "
                                    "names must be unique within a query batch or stored "
                                    "procedure." % name, 1, 15, line)
            value = None
            if init is not None:
                value = convert(self.eval(init, None, None, variables, session), sqltype)
            variables[name.lower()] = (value, sqltype)
        return None

    def do_setvar(self, st, session, variables):
        key = st.name.lower()
        if key not in variables:
            raise SqlError(137, "Must declare the scalar variable \"%s\"." % st.name, 1, 15, st.line)
        value = self.eval(st.expr, None, None, variables, session)
        old, sqltype = variables[key]
        if st.op != "=":
            value = arithmetic(st.op[0], old, value)
        variables[key] = (convert(value, sqltype), sqltype)
        return None

    def do_setoption(self, st, session, variables):
        if "nocount" in st.options:
            session.nocount = st.value == "on"
        return None

    def do_identity_insert(self, st, session, variables):
        db = self.current_db(session)
        table = db.table(st.table, st.line)
        if not any(c.identity for c in table.columns):
            raise SqlError(8106, "Table '%s' does not have the identity property. Cannot perform "
                                 "SET operation." % table.name, 1, 16, st.line)
        session.identity_insert = (db.name.lower(), table.name.lower()) if st.on else None
        return None

    def do_print(self, st, session, variables):
        value = self.eval(st.expr, None, None, variables, session)
        return Result(message=("print", "" if value is None else _to_text(value)))

    def do_skipped(self, st, session, variables):
        return None

    # -- tables
    def _add_keys(self, table, keys, line):
        for kind, name, cols in keys:
            indexes = [table.column_index(c, line) for c in cols]
            if kind == "PRIMARY KEY":
                if any(k[0] == "PRIMARY KEY" for k in table.keys):
                    raise SqlError(8110, "Cannot add multiple PRIMARY KEY constraints to table "
                                         "'%s'." % table.name, 0, 16, line)
                for i in indexes:
                    table.columns[i].nullable = False
            prefix = "PK" if kind == "PRIMARY KEY" else "UQ"
            table.keys.append((kind, name or "%s__%s" % (prefix, table.name), indexes))

    def do_create_table(self, st, session, variables):
        db = self.current_db(session)
        if st.name.lower() in db.tables:
            raise SqlError(2714, "There is already an object named '%s' in the database." % st.name,
                           6, 16, st.line)
        table = Table(st.name)
        seen = set()
        for col in st.columns:
            if col.name.lower() in seen:
                raise SqlError(2705, "Column names in each table must be unique. Column name '%s' "
                                     "in table '%s' is specified more than once."
                               % (col.name, st.name), 1, 16, st.line)
            seen.add(col.name.lower())
            table.columns.append(col)
            if col.identity:
                if col.type.base not in INT_TYPES and col.type.base != "decimal":
                    raise SqlError(2749, "Identity column '%s' must be of data type int, bigint, "
                                         "smallint, tinyint, or decimal or numeric with a scale of "
                                         "0, and constrained to be nonnullable." % col.name,
                                   2, 16, st.line)
                col.nullable = False
                table.next_identity = col.identity[0]
        self._add_keys(table, st.keys, st.line)
        db.tables[st.name.lower()] = table
        return Result()

    def do_alter_table_add(self, st, session, variables):
        table = self.current_db(session).table(st.table, st.line)
        for col in st.columns:
            if table.has_column(col.name):
                raise SqlError(2705, "Column names in each table must be unique. Column name '%s' "
                                     "in table '%s' is specified more than once."
                               % (col.name, table.name), 1, 16, st.line)
            if not col.nullable and col.default is None and table.rows:
                raise SqlError(4901, "ALTER TABLE only allows columns to be added that can "
                                     "contain nulls, or have a DEFAULT definition specified.",
                               1, 16, st.line)
            table.columns.append(col)
            value = None
            if col.default is not None:
                value = convert(self.eval(col.default, None, None, variables, session), col.type)
            for row in table.rows:
                row.append(value)
        self._add_keys(table, st.keys, st.line)
        return Result()

    def do_drop_table(self, st, session, variables):
        db = self.current_db(session)
        for name in st.names:
            if name.lower() not in db.tables:
                raise SqlError(3701, "Cannot drop the table '%s', because it does not exist or you "
                                     "do not have permission." % name, 5, 11, st.line)
            del db.tables[name.lower()]
        return Result()

    def do_create_index(self, st, session, variables):
        table = self.current_db(session).table(st.table, st.line)
        if st.name.lower() in table.indexes:
            raise SqlError(1913, "The operation failed because an index or statistics with name "
                                 "'%s' already exists on table '%s'." % (st.name, table.name),
                           1, 16, st.line)
        indexes = [table.column_index(c, st.line) for c in st.columns]
        if st.unique:
            self._check_unique(table, ("UNIQUE KEY", st.name, indexes), table.rows, st.line)
            table.keys.append(("UNIQUE KEY", st.name, indexes))
        table.indexes[st.name.lower()] = st.columns
        return Result()

    def _check_unique(self, table, key, rows, line):
        kind, name, indexes = key
        seen = set()
        for row in rows:
            values = tuple(row[i].lower() if isinstance(row[i], str) else row[i] for i in indexes)
            if kind == "UNIQUE KEY" and any(v is None for v in values) and len(indexes) == 1:
                pass
            if values in seen:
                shown = ", ".join("NULL" if row[i] is None else _to_text(row[i]) for i in indexes)
                raise SqlError(2627, "Violation of %s constraint '%s'. Cannot insert duplicate key "
                                     "in object 'dbo.%s'. The duplicate key value is (%s)."
                               % (kind, name, table.name, shown), 1, 14, line)
            seen.add(values)

    def _check_keys(self, table, rows, line):
        for key in table.keys:
            self._check_unique(table, key, rows, line)

    # -- data
    def do_insert(self, st, session, variables):
        db = self.current_db(session)
        table = db.table(st.table, st.line)
        if st.columns is None:
            targets = [i for i, c in enumerate(table.columns) if not c.identity]
        else:
            targets = [table.column_index(c, st.line) for c in st.columns]
        if st.select is not None:
            columns, source_rows = self.run_query(st.select, session, variables, st.line)
        else:
            source_rows = [[self.eval(e, None, None, variables, session) for e in row]
                           for row in st.rows]
        identity_insert = session.identity_insert == (db.name.lower(), table.name.lower())
        new_rows = []
        for values in source_rows:
            if len(values) < len(targets):
                raise SqlError(109, "There are more columns in the INSERT statement than values "
                                    "specified in the VALUES clause. The number of values in the "
                                    "VALUES clause must match the number of columns specified in "
                                    "the INSERT statement.", 1, 15, st.line)
            if len(values) > len(targets):
                raise SqlError(110, "There are fewer columns in the INSERT statement than values "
                                    "specified in the VALUES clause. The number of values in the "
                                    "VALUES clause must match the number of columns specified in "
                                    "the INSERT statement.", 1, 15, st.line)
            row = [None] * len(table.columns)
            given = set()
            for index, value in zip(targets, values):
                col = table.columns[index]
                if col.identity and not identity_insert:
                    raise SqlError(544, "Cannot insert explicit value for identity column in table "
                                        "'%s' when IDENTITY_INSERT is set to OFF." % table.name,
                                   1, 16, st.line)
                row[index] = convert(value, col.type, col)
                given.add(index)
            for index, col in enumerate(table.columns):
                if index in given:
                    continue
                if col.identity:
                    row[index] = table.next_identity
                    table.next_identity += col.identity[1]
                elif col.default is not None:
                    row[index] = convert(self.eval(col.default, None, None, variables, session),
                                         col.type, col)
            for index, col in enumerate(table.columns):
                if row[index] is None and not col.nullable:
                    raise SqlError(515, "Cannot insert the value NULL into column '%s', table "
                                        "'%s.dbo.%s'; column does not allow nulls. INSERT fails."
                                   % (col.name, db.name, table.name), 2, 16, st.line)
                if col.identity and identity_insert and row[index] is not None:
                    step = col.identity[1]
                    if (step > 0 and row[index] >= table.next_identity) or \
                            (step < 0 and row[index] <= table.next_identity):
                        table.next_identity = row[index] + step
            new_rows.append(row)
        self._check_keys(table, table.rows + new_rows, st.line)
        table.rows.extend(new_rows)
        return Result(rowcount=len(new_rows))

    def do_update(self, st, session, variables):
        db = self.current_db(session)
        table = db.table(st.table, st.line)
        targets = [(table.column_index(c, st.line), op, e) for c, op, e in st.assignments]
        for index, _op, _e in targets:
            if table.columns[index].identity:
                raise SqlError(8102, "Cannot update identity column '%s'."
                               % table.columns[index].name, 1, 16, st.line)
        changed = {}
        for position, row in enumerate(table.rows):
            if st.where is not None and self.eval(st.where, table, row, variables, session) is not True:
                continue
            new_row = list(row)
            for index, op, expr in targets:
                value = self.eval(expr, table, row, variables, session)
                if op != "=":
                    value = arithmetic(op[0], row[index], value)
                col = table.columns[index]
                value = convert(value, col.type, col)
                if value is None and not col.nullable:
                    raise SqlError(515, "Cannot insert the value NULL into column '%s', table "
                                        "'%s.dbo.%s'; column does not allow nulls. UPDATE fails."
                                   % (col.name, db.name, table.name), 2, 16, st.line)
                new_row[index] = value
            changed[position] = new_row
        rows = [changed.get(i, row) for i, row in enumerate(table.rows)]
        self._check_keys(table, rows, st.line)
        table.rows = rows
        return Result(rowcount=len(changed))

    def do_delete(self, st, session, variables):
        table = self.current_db(session).table(st.table, st.line)
        keep = [row for row in table.rows if st.where is not None
                and self.eval(st.where, table, row, variables, session) is not True]
        count = len(table.rows) - len(keep)
        table.rows = keep
        return Result(rowcount=count)

    def do_select(self, st, session, variables):
        columns, rows = self.run_query(st.query, session, variables, st.line)
        return Result(rowcount=len(rows), columns=columns, rows=rows)

    def run_query(self, query, session, variables, line):
        table = None
        source = [None]
        if query["table"] is not None and query["table"].lower() == "server_principals":
            table = self.catalogue.server_principals()
            source = table.rows
        elif query["table"] is not None:
            table = self.current_db(session).table(query["table"], line)
            source = table.rows
        rows = [row for row in source if query["where"] is None
                or self.eval(query["where"], table, row, variables, session) is True]
        items = query["items"]
        has_aggregate = any(expr != "*" and _has_aggregate(expr) for expr, _ in items)
        columns = []
        for expr, alias in items:
            if expr == "*":
                if table is None:
                    raise SqlError(263, "Must specify table to select from.", 1, 16, line)
                columns.extend(c.name for c in table.columns)
            else:
                columns.append(alias if alias is not None else
                               (expr[1] if expr[0] == "col" else ""))
        if query["order"] and not has_aggregate:
            for expr, desc in reversed(query["order"]):
                rows = sorted(rows, key=lambda r: _sort_key(
                    self.eval(expr, table, r, variables, session)), reverse=desc)
        if has_aggregate:
            groups = [rows]
        else:
            groups = [[row] for row in rows]
        out = []
        for group in groups:
            values = []
            for expr, _alias in items:
                if expr == "*":
                    values.extend(group[0])
                elif has_aggregate:
                    values.append(self.eval_aggregate(expr, table, group, variables, session))
                else:
                    values.append(self.eval(expr, table, group[0], variables, session))
            out.append(values)
        if query["top"] is not None:
            out = out[:query["top"]]
        return columns, out

    def eval_aggregate(self, expr, table, rows, variables, session):
        if expr[0] == "func" and expr[1] in AGGREGATES:
            name, args = expr[1], expr[2]
            if args == ["*"]:
                return len(rows)
            values = [self.eval(args[0], table, r, variables, session) for r in rows]
            values = [v for v in values if v is not None]
            if name == "count":
                return len(values)
            if not values:
                return None
            if name == "sum":
                total = values[0]
                for v in values[1:]:
                    total = arithmetic("+", total, v)
                return total
            if name == "avg":
                total = sum(values)
                return total // len(values) if all(isinstance(v, int) for v in values) \
                    else total / len(values)
            return min(values) if name == "min" else max(values)
        if expr[0] == "col":
            raise SqlError(8120, "Column '%s' is invalid in the select list because it is not "
                                 "contained in either an aggregate function or the GROUP BY "
                                 "clause." % expr[1], 1, 16, expr[2])
        if expr[0] in ("bin", "cmp"):
            return (arithmetic if expr[0] == "bin" else compare)(
                expr[1], self.eval_aggregate(expr[2], table, rows, variables, session),
                self.eval_aggregate(expr[3], table, rows, variables, session))
        return self.eval(expr, table, rows[0] if rows else None, variables, session)

    # -- expressions
    def eval(self, expr, table, row, variables, session):
        kind = expr[0]
        if kind == "lit":
            return expr[1]
        if kind == "var":
            name = expr[1]
            if name.startswith("@@"):
                return self.system_variable(name, session)
            if name.lower() not in variables:
                raise SqlError(137, "Must declare the scalar variable \"%s\"." % name, 1, 15)
            return variables[name.lower()][0]
        if kind == "col":
            if table is None or row is None:
                raise SqlError(207, "Invalid column name '%s'." % expr[1], 1, 16, expr[2])
            return row[table.column_index(expr[1], expr[2])]
        if kind == "bin":
            a = self.eval(expr[2], table, row, variables, session)
            b = self.eval(expr[3], table, row, variables, session)
            if expr[1] in "&|^":
                if a is None or b is None:
                    return None
                a, b = int(a), int(b)
                return a & b if expr[1] == "&" else a | b if expr[1] == "|" else a ^ b
            return arithmetic(expr[1], a, b)
        if kind == "neg":
            v = self.eval(expr[1], table, row, variables, session)
            return None if v is None else arithmetic("-", 0, v)
        if kind == "bitnot":
            v = self.eval(expr[1], table, row, variables, session)
            return None if v is None else ~int(v)
        if kind == "cmp":
            return compare(expr[1], self.eval(expr[2], table, row, variables, session),
                           self.eval(expr[3], table, row, variables, session))
        if kind == "and":
            a = self.eval(expr[1], table, row, variables, session)
            if a is False:
                return False
            b = self.eval(expr[2], table, row, variables, session)
            if b is False:
                return False
            return None if a is None or b is None else True
        if kind == "or":
            a = self.eval(expr[1], table, row, variables, session)
            if a is True:
                return True
            b = self.eval(expr[2], table, row, variables, session)
            if b is True:
                return True
            return None if a is None or b is None else False
        if kind == "not":
            v = self.eval(expr[1], table, row, variables, session)
            return None if v is None else not v
        if kind == "isnull":
            v = self.eval(expr[1], table, row, variables, session)
            return (v is not None) if expr[2] else (v is None)
        if kind == "between":
            v = self.eval(expr[1], table, row, variables, session)
            low = compare(">=", v, self.eval(expr[2], table, row, variables, session))
            high = compare("<=", v, self.eval(expr[3], table, row, variables, session))
            r = None if low is None or high is None else (low and high)
            return r if r is None or not expr[4] else not r
        if kind == "in":
            v = self.eval(expr[1], table, row, variables, session)
            results = [compare("=", v, self.eval(e, table, row, variables, session))
                       for e in expr[2]]
            r = True if True in results else (None if None in results else False)
            return r if r is None or not expr[3] else not r
        if kind == "like":
            r = like(self.eval(expr[1], table, row, variables, session),
                     self.eval(expr[2], table, row, variables, session))
            return r if r is None or not expr[3] else not r
        if kind == "cast":
            return convert(self.eval(expr[1], table, row, variables, session), expr[2])
        if kind == "case":
            subject = None if expr[1] is None else self.eval(expr[1], table, row, variables, session)
            for cond, value in expr[2]:
                if expr[1] is None:
                    hit = self.eval(cond, table, row, variables, session) is True
                else:
                    hit = compare("=", subject, self.eval(cond, table, row, variables, session))
                if hit:
                    return self.eval(value, table, row, variables, session)
            return self.eval(expr[3], table, row, variables, session)
        if kind == "exists":
            _cols, rows = self.run_query(expr[1], session, variables, 1)
            return bool(rows)
        if kind == "subquery":
            _cols, rows = self.run_query(expr[1], session, variables, 1)
            if len(rows) > 1:
                raise SqlError(512, "Subquery returned more than 1 value. This is not permitted "
                                    "when the subquery follows =, !=, <, <= , >, >= or when the "
                                    "subquery is used as an expression.", 1, 16)
            return rows[0][0] if rows else None
        if kind == "func":
            return self.function(expr[1], expr[2], table, row, variables, session)
        raise SqlError(50000, "The test server cannot evaluate %s" % kind, 1, 16)

    def system_variable(self, name, session):
        lowered = name.lower()
        if lowered == "@@version":
            return "Microsoft SQL Server 2019 (test server)"
        if lowered == "@@servername":
            return "TESTSERVER"
        if lowered in ("@@spid",):
            return 51
        if lowered in ("@@trancount", "@@error", "@@rowcount"):
            return 0
        raise SqlError(137, "Must declare the scalar variable \"%s\"." % name, 1, 15)

    def function(self, name, args, table, row, variables, session):
        if name in AGGREGATES:
            raise SqlError(50000, "The test server supports aggregates only in a SELECT list",
                           1, 16)
        values = [self.eval(a, table, row, variables, session) for a in args]
        if name == "db_name":
            return session.database
        if name in ("getdate", "current_timestamp", "sysdatetime"):
            return "2024-01-01 00:00:00.000"
        if name in ("isnull", "coalesce"):
            return next((v for v in values if v is not None), None)
        if name in ("len",):
            return None if values[0] is None else len(_to_text(values[0]).rstrip(" "))
        if name == "upper":
            return None if values[0] is None else _to_text(values[0]).upper()
        if name == "lower":
            return None if values[0] is None else _to_text(values[0]).lower()
        if name == "abs":
            return None if values[0] is None else abs(values[0])
        if name == "object_id":
            db = self.current_db(session)
            key = str(values[0]).split(".")[-1].strip("[]").lower()
            return (abs(hash(key)) % 2**31) if key in db.tables else None
        if name == "db_id":
            return 1 if self.catalogue.get(str(values[0])) is not None else None
        if name == "serverproperty":
            return SERVER_PROPERTIES.get(str(values[0]).lower())
        if name == "is_srvrolemember":
            login = self.catalogue.login(values[1] if len(values) > 1 else session.user)
            return None if login is None else int(str(values[0]).lower() in login.roles)
        if name == "has_perms_by_name":
            if str(values[2]).lower() == "create any database":
                return 1 if session.can_create_database else 0
            return 1
        if name == "databasepropertyex":
            db = self.catalogue.get(str(values[0]))
            if db is None:
                return None
            prop = str(values[1]).lower()
            if prop == "status":
                return "ONLINE"
            if prop == "useraccess":
                return "SINGLE_USER" if db.single_user else "MULTI_USER"
            return None
        raise SqlError(195, "'%s' is not a recognized built-in function name." % name, 10, 15)


def _has_aggregate(expr):
    if not isinstance(expr, tuple):
        return False
    if expr[0] == "func" and expr[1] in AGGREGATES:
        return True
    return any(_has_aggregate(part) for part in expr[1:] if isinstance(part, tuple))


def _sort_key(value):
    if value is None:
        return (0, 0)
    if isinstance(value, str):
        return (2, value.lower())
    return (1, value)
