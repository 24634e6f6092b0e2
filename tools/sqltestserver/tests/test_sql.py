"""The interpreter: statements of the scripts and the wizard, and SQL Server's errors."""

import unittest

from sqltestserver.sql import Catalogue, Interpreter, Session, SqlError, parse, tokenize


def run(interpreter, session, text, parameters=None):
    results = []
    interpreter.run_batch(text, session, parameters, lambda st, r: results.append(r))
    return results


class Fixture(unittest.TestCase):
    def setUp(self):
        self.catalogue = Catalogue(["loja"])
        self.interpreter = Interpreter(self.catalogue)
        self.session = Session("sa", "loja")

    def run_sql(self, text, parameters=None):
        return run(self.interpreter, self.session, text, parameters)

    def rows(self, text):
        return [r for r in self.run_sql(text) if r is not None and r.columns is not None][-1].rows

    def error(self, text, parameters=None):
        with self.assertRaises(SqlError) as caught:
            self.run_sql(text, parameters)
        return caught.exception


class ErrorsTest(Fixture):
    """Each case: a batch, and the number and text SQL Server answers it with."""

    CASES = [
        ("GO alone on a line", "CREATE TABLE a (n int)\r\nGO\r\nCREATE TABLE b (n int)\r\n",
         102, "Incorrect syntax near 'GO'."),
        ("go in lower case", "CREATE TABLE a (n int)\ngo\n", 102, "Incorrect syntax near 'go'."),
        ("unknown table", "INSERT INTO nada (n) VALUES (1)", 208, "Invalid object name 'nada'."),
        ("unknown table in an update", "UPDATE nada SET n = 1", 208, "Invalid object name 'nada'."),
        ("duplicate table", "CREATE TABLE a (n int)\nCREATE TABLE A (m int)", 2714,
         "There is already an object named 'A' in the database."),
        ("unknown column", "CREATE TABLE a (n int)\nINSERT INTO a (m) VALUES (1)", 207,
         "Invalid column name 'm'."),
        ("absent database dropped", "DROP DATABASE nada", 3701,
         "Cannot drop the database 'nada', because it does not exist or you do not have permission."),
        ("existing database created", "CREATE DATABASE LOJA", 1801,
         "Database 'LOJA' already exists. Choose a different database name."),
        ("undeclared variable", "SET @x = 1", 137, 'Must declare the scalar variable "@x".'),
        ("unclosed literal", "SELECT 'abc", 105, "Unclosed quotation mark after the character string 'abc'."),
        ("a question mark reaching the server", "SELECT ?", 102, "Incorrect syntax near '?'."),
        ("int overflow", "DECLARE @v int\nSET @v = 2147483647\nSET @v = @v + 1", 8115,
         "Arithmetic overflow error converting expression to data type int."),
        ("division by zero", "SELECT 1 / 0", 8134, "Divide by zero error encountered."),
        ("null into not null", "CREATE TABLE a (n int NOT NULL)\nINSERT INTO a (n) VALUES (NULL)", 515,
         "Cannot insert the value NULL into column 'n', table 'loja.dbo.a'; column does not allow "
         "nulls. INSERT fails."),
        ("text too long", "CREATE TABLE a (s varchar(3))\nINSERT INTO a VALUES ('abcd')", 8152,
         "String or binary data would be truncated."),
        ("text into int", "CREATE TABLE a (n int)\nINSERT INTO a VALUES ('x1')", 245,
         "Conversion failed when converting the varchar value 'x1' to data type int."),
        ("too few values", "CREATE TABLE a (n int, m int)\nINSERT INTO a (n, m) VALUES (1)", 109, None),
        ("unsupported statement", "EXEC sp_who", 50000, None),
    ]

    def test_each_batch_fails_with_sql_servers_error(self):
        for name, text, number, message in self.CASES:
            with self.subTest(name):
                self.setUp()
                e = self.error(text)
                self.assertEqual(e.number, number)
                if message is not None:
                    self.assertEqual(e.text, message)

    def test_a_syntax_error_runs_nothing_of_the_batch(self):
        self.error("CREATE TABLE a (n int)\r\nGO\r\nCREATE TABLE b (n int)")
        self.assertEqual(self.catalogue.get("loja").tables, {})

    def test_a_runtime_error_keeps_what_ran_before_and_stops_the_batch(self):
        e = self.error("CREATE TABLE a (n int)\nINSERT INTO a VALUES (1)\nINSERT INTO nada VALUES (1)\n"
                       "INSERT INTO a VALUES (2)")
        self.assertEqual(e.line, 3)
        self.assertEqual(self.catalogue.get("loja").table("a").rows, [[1]])

    def test_alter_of_an_absent_database_gives_both_errors(self):
        e = self.error("ALTER DATABASE nada SET SINGLE_USER WITH ROLLBACK IMMEDIATE")
        self.assertEqual([x[0] for x in e.all_errors()], [5011, 5069])

    def test_a_duplicate_key_rolls_back_the_whole_statement(self):
        self.run_sql("CREATE TABLE a (n int PRIMARY KEY)\nINSERT INTO a VALUES (1)")
        e = self.error("INSERT INTO a VALUES (2), (1)")
        self.assertEqual(e.number, 2627)
        self.assertEqual(self.catalogue.get("loja").table("a").rows, [[1]])


class StatementsTest(Fixture):
    def test_renumbering_moves_codes_strictly_inside_the_range_only(self):
        self.run_sql("CREATE TABLE t (codigo int, fundo int)\n"
                     "INSERT INTO t VALUES (-1, NULL), (0, NULL), (1, 5), (999, NULL), (1000, 7), (NULL, 1)")
        self.run_sql("Declare @loja AS Integer\r\nSet @loja=@P1\r\n"
                     "update t set codigo = codigo + @loja * 1000 where codigo > 0 and codigo < 1000\r\n"
                     "update t set fundo = 15780518 where fundo is null\r\n", {"@P1": 7})
        self.assertEqual(self.rows("SELECT codigo, fundo FROM t"),
                         [[-1, 15780518], [0, 15780518], [7001, 5], [7999, 15780518], [1000, 7],
                          [None, 1]])

    def test_insert_fills_defaults_identity_and_named_columns(self):
        self.run_sql("CREATE TABLE t (id int IDENTITY(10, 5) PRIMARY KEY, s varchar(10) NOT NULL "
                     "DEFAULT 'un', n decimal(12,2) NULL)\n"
                     "INSERT INTO t (n) VALUES (0.50)\nINSERT INTO t (s) VALUES ('Ação €')")
        rows = self.rows("SELECT id, s, n FROM t ORDER BY id")
        self.assertEqual([r[:2] for r in rows], [[10, "un"], [15, "Ação €"]])
        self.assertEqual(str(rows[0][2]), "0.50")
        self.assertEqual(self.error("INSERT INTO t (id, s) VALUES (1, 'x')").number, 544)

    def test_select_values_counts_and_filters(self):
        self.run_sql("CREATE TABLE t (n int, s varchar(20))\n"
                     "INSERT INTO t VALUES (1, 'um'), (2, NULL), (3, 'tres'), (4, 'quatro')")
        cases = [
            ("SELECT COUNT(*) FROM t", [[4]]),
            ("SELECT COUNT(s) FROM t", [[3]]),
            ("SELECT n FROM t WHERE s IS NULL", [[2]]),
            ("SELECT n FROM t WHERE n BETWEEN 2 AND 3", [[2], [3]]),
            ("SELECT n FROM t WHERE n IN (1, 4) ORDER BY n DESC", [[4], [1]]),
            ("SELECT n FROM t WHERE s LIKE 'q%'", [[4]]),
            ("SELECT n FROM t WHERE NOT (n > 1 AND s IS NOT NULL)", [[1], [2]]),
            ("SELECT 1 + 2 * 3, 7 / 2, -7 / 2, 7 % 3, 'a' + 'b'", [[7, 3, -3, 1, "ab"]]),
            ("SELECT SUM(n), MIN(n), MAX(n) FROM t", [[10, 1, 4]]),
            ("SELECT TOP 2 n FROM t ORDER BY n DESC", [[4], [3]]),
        ]
        for text, expected in cases:
            with self.subTest(text):
                self.assertEqual(self.rows(text), expected)

    def test_comparisons_with_null_are_unknown(self):
        self.run_sql("CREATE TABLE t (n int)\nINSERT INTO t VALUES (NULL), (1)")
        self.assertEqual(self.rows("SELECT COUNT(*) FROM t WHERE n <> 1"), [[0]])
        self.assertEqual(self.rows("SELECT COUNT(*) FROM t WHERE NOT n = 1"), [[0]])

    def test_names_ignore_case_brackets_and_the_schema(self):
        self.run_sql("CREATE TABLE [dbo].[Tabela] ([Codigo] int)\nINSERT INTO dbo.tabela (CODIGO) VALUES (3)")
        self.assertEqual(self.rows("SELECT codigo FROM TABELA"), [[3]])

    def test_databases_single_user_and_drop(self):
        self.run_sql("CREATE DATABASE outra")
        self.run_sql("ALTER DATABASE outra SET SINGLE_USER WITH ROLLBACK IMMEDIATE")
        self.assertTrue(self.catalogue.get("OUTRA").single_user)
        self.run_sql("DROP DATABASE outra")
        self.assertIsNone(self.catalogue.get("outra"))

    def test_comments_and_literals_hide_keywords(self):
        self.run_sql("-- GO\n/* GO\n*/ CREATE TABLE t (s varchar(20)) -- :x\n"
                     "INSERT INTO t VALUES ('GO; it''s :x')")
        self.assertEqual(self.rows("SELECT s FROM t"), [["GO; it's :x"]])

    def test_permissive_mode_skips_what_it_does_not_know(self):
        interpreter = Interpreter(self.catalogue, permissive=True)
        run(interpreter, self.session, "EXEC sp_who\nCREATE TABLE t (n int)\n")
        self.assertIn("t", self.catalogue.get("loja").tables)


class SampleScriptsTest(unittest.TestCase):
    def test_the_wizards_sample_scripts_run_in_order(self):
        import os
        folder = os.path.join(os.path.dirname(__file__), "..", "..", "..", "provisioning", "sql")
        if not os.path.isdir(folder):
            self.skipTest("sample scripts not found")
        catalogue = Catalogue(["nova"])
        interpreter = Interpreter(catalogue)
        session = Session("sa", "nova")
        for name in ("DBScript.inf", "DBDefault.inf", "DBDemo.inf"):
            with open(os.path.join(folder, name), encoding="cp1252") as f:
                interpreter.run_batch(f.read(), session)
        tables = catalogue.get("nova").tables
        for needed in ("versao", "fullsync", "familias", "produtos"):
            self.assertIn(needed, tables)
        self.assertGreater(len(tables["produtos"].rows), 0)


class LexerTest(unittest.TestCase):
    def test_tokens_keep_lines_and_values(self):
        tokens = tokenize("SELECT N'ç''x', 0x1F,\n 1.50, [a b], @v -- c\n@@VERSION")
        kinds = [(t.kind, t.value, t.line) for t in tokens[:-1]]
        self.assertEqual(kinds[1], ("str", "ç'x", 1))
        self.assertEqual(kinds[3], ("num", 31, 1))
        self.assertEqual(str(kinds[5][1]), "1.50")
        self.assertEqual(kinds[5][2], 2)
        self.assertEqual(kinds[7], ("id", "a b", 2))
        self.assertEqual(kinds[9][:2], ("var", "@v"))
        self.assertEqual(kinds[10], ("var", "@@VERSION", 3))

    def test_statement_texts_are_cut_from_the_batch(self):
        statements = parse("CREATE TABLE t (n int)\r\n  INSERT INTO t VALUES (1);\r\nSELECT 1")
        self.assertEqual([s.text for s in statements],
                         ["CREATE TABLE t (n int)", "INSERT INTO t VALUES (1)", "SELECT 1"])
        self.assertEqual([s.line for s in statements], [1, 2, 3])


if __name__ == "__main__":
    unittest.main()


class ServerQueriesTest(Fixture):
    """What a checker asks of the server: its version and edition, a database's state."""

    def test_server_and_database_properties(self):
        self.run_sql("CREATE DATABASE vazia")
        self.run_sql("ALTER DATABASE vazia SET SINGLE_USER")
        rows = self.rows("SELECT SERVERPROPERTY('ProductVersion'), SERVERPROPERTY('Edition'), "
                         "DATABASEPROPERTYEX('vazia', 'Status'), DATABASEPROPERTYEX('vazia', 'UserAccess'), "
                         "DATABASEPROPERTYEX('loja', 'UserAccess'), DATABASEPROPERTYEX('nada', 'Status')")
        self.assertEqual(rows, [["15.0.2000.5", "Express Edition (64-bit)", "ONLINE", "SINGLE_USER",
                                 "MULTI_USER", None]])
