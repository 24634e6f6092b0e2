"""Tests of scripts/ctest_report.py, the counts behind scripts/test.sh's summary, run on junit
reports in the shape ctest 3.25 writes them (ctest --output-junit) and on unittest output."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "ctest_report.py")

GTEST_PASSED = """[ RUN      ] Probe.Passes
[       OK ] Probe.Passes (0 ms)
[  PASSED  ] 1 test.
"""

GTEST_SKIPPED = """[ RUN      ] Probe.Skips
/src/tests/framework/probe_test.cpp:3: Skipped
no printer &amp; &lt;here&gt;
second line
[  SKIPPED ] Probe.Skips (0 ms)
[  PASSED  ] 0 tests.
[  SKIPPED ] 1 test, listed below:
[  SKIPPED ] Probe.Skips
"""

GTEST_SKIPPED_WINE = GTEST_SKIPPED.replace("\n", "\r\n").replace(
    "/src/tests/framework/probe_test.cpp:3", "C:\\src\\tests\\win\\odbc_test.cpp:315")

GTEST_SKIPPED_SILENT = """[ RUN      ] Probe.SkipsPlain
/src/probe_test.cpp:4: Skipped

[  SKIPPED ] Probe.SkipsPlain (0 ms)
"""

UNITTEST_OK = """test_dec (tests.test_a.A.test_dec) ... skipped 'decorated'
test_doc (tests.test_a.A.test_doc)
A docstring line. ... skipped 'docstring case'
test_ok (tests.test_a.A.test_ok) ... ok
test_two (tests.test_a.A.test_two) ... ok

----------------------------------------------------------------------
Ran 4 tests in 0.000s

OK (skipped=2)
"""

UNITTEST_FAILED = """test_bad (tests.test_a.A.test_bad) ... FAIL
test_ok (tests.test_a.A.test_ok) ... ok
test_skip (tests.test_a.A.test_skip) ... skipped 'no scripts'

----------------------------------------------------------------------
Ran 3 tests in 0.001s

FAILED (failures=1, skipped=1)
"""


def case(name, status, output="", skipped=None, failure=False):
    inner = ""
    if skipped is not None:
        inner += '<skipped message="%s"/>' % skipped
    if failure:
        inner += '<failure message=""/>'
    return '<testcase name="%s" classname="%s" time="0.01" status="%s">%s<system-out>%s</system-out></testcase>' % (
        name, name, status, inner, output)


def junit(*cases):
    return '<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name="(empty)" tests="%d">%s</testsuite>' % (
        len(cases), "".join(cases))


class CtestReportTest(unittest.TestCase):
    def run_report(self, kind, text):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "input")
            with open(path, "w", encoding="utf-8", newline="") as file:
                file.write(text)
            result = subprocess.run([sys.executable, SCRIPT, kind, path], capture_output=True, text=True)
        lines = [line.split("\t") for line in result.stdout.splitlines()]
        return result.returncode, lines

    def counts(self, lines):
        self.assertEqual("counts", lines[-1][0])
        return tuple(int(n) for n in lines[-1][1].split())

    def test_a_gtest_skip_counts_as_skipped_with_its_message_and_place(self):
        code, lines = self.run_report("junit", junit(
            case("Probe.Passes", "run", GTEST_PASSED),
            case("Probe.Skips", "notrun", GTEST_SKIPPED, skipped="SKIP_REGULAR_EXPRESSION_MATCHED")))
        self.assertEqual(0, code)
        self.assertEqual((1, 0, 1), self.counts(lines))
        self.assertEqual(["skipped", "Probe.Skips", "no printer & <here> / second line (probe_test.cpp:3)"], lines[0])

    def test_a_skip_under_wine_names_the_file_of_a_windows_path(self):
        _, lines = self.run_report("junit", junit(
            case("Odbc.Browser", "notrun", GTEST_SKIPPED_WINE, skipped="SKIP_REGULAR_EXPRESSION_MATCHED")))
        self.assertEqual((0, 0, 1), self.counts(lines))
        self.assertEqual("no printer & <here> / second line (odbc_test.cpp:315)", lines[0][2])

    def test_a_skip_without_a_message_says_so(self):
        _, lines = self.run_report("junit", junit(
            case("Probe.SkipsPlain", "notrun", GTEST_SKIPPED_SILENT, skipped="SKIP_REGULAR_EXPRESSION_MATCHED")))
        self.assertEqual(["skipped", "Probe.SkipsPlain", "GTEST_SKIP without a message (probe_test.cpp:4)"], lines[0])

    def test_skip_codes_and_disabled_tests_are_skipped(self):
        _, lines = self.run_report("junit", junit(
            case("coded", "notrun", "", skipped="SKIP_RETURN_CODE=77"),
            case("Probe.Off", "disabled")))
        self.assertEqual((0, 0, 2), self.counts(lines))
        self.assertEqual(["skipped", "coded", "it exited with its skip code (77)"], lines[0])
        self.assertEqual(["skipped", "Probe.Off", "disabled"], lines[1])

    def test_failures_and_tests_not_run_for_other_reasons_fail(self):
        _, lines = self.run_report("junit", junit(
            case("Probe.Fails", "fail", "[  FAILED  ] Probe.Fails", failure=True),
            case("needs_server", "notrun", "", skipped="Fixture dependency failed"),
            case("missing", "notrun", "Unable to find executable: /x", skipped="Unable to find executable"),
            case("Probe.Passes", "run", GTEST_PASSED)))
        self.assertEqual((1, 3, 0), self.counts(lines))
        self.assertEqual(["failed", "needs_server", "not run: Fixture dependency failed"], lines[1])
        self.assertEqual(["failed", "missing", "not run: Unable to find executable"], lines[2])

    def test_a_failed_test_whose_output_shows_a_skip_stays_failed(self):
        _, lines = self.run_report("junit", junit(case("Probe.FailsThenSkips", "fail", GTEST_SKIPPED, failure=True)))
        self.assertEqual((0, 1, 0), self.counts(lines))

    def test_a_unittest_run_counts_as_its_tests_with_the_reasons_of_its_skips(self):
        _, lines = self.run_report("junit", junit(case("sqltestserver_unittest", "run", UNITTEST_OK)))
        self.assertEqual((2, 0, 2), self.counts(lines))
        self.assertEqual(["skipped", "sqltestserver_unittest tests.test_a.A.test_dec", "decorated"], lines[0])
        self.assertEqual(["skipped", "sqltestserver_unittest tests.test_a.A.test_doc", "docstring case"], lines[1])

    def test_a_failed_unittest_run_counts_its_failures(self):
        _, lines = self.run_report("junit", junit(case("sqltestserver_unittest", "fail", UNITTEST_FAILED, failure=True)))
        self.assertEqual((1, 1, 1), self.counts(lines))

    def test_a_unittest_log_on_its_own(self):
        code, lines = self.run_report("unittest", UNITTEST_FAILED)
        self.assertEqual(0, code)
        self.assertEqual((1, 1, 1), self.counts(lines))
        self.assertEqual(["skipped", "tests.test_a.A.test_skip", "no scripts"], lines[0])

    def test_unreadable_input_is_an_error_not_a_count(self):
        code, lines = self.run_report("junit", "<testsuite><testcase")
        self.assertEqual(2, code)
        self.assertEqual([], lines)
        code, lines = self.run_report("unittest", "no result here\n")
        self.assertEqual(2, code)


if __name__ == "__main__":
    unittest.main()


class StalledTests(unittest.TestCase):
    """A test the stall watch stopped is reported with what its threads waited in."""

    def test_a_stalled_test_names_its_waits(self):
        output = ("[ RUN      ] OdbcDatabase.RefusedLogins\n"
                  "stall_watch: STALLED: the test and its 2 processes used 0 ms of processor time in 45 s; "
                  "stopped. What each thread waited in:\n"
                  "  process 10: C:\\src\\odbc_database_test.exe\n"
                  "    thread 10 (odbc_database_t): read(fd 5: pipe:[123])\n"
                  "    thread 11 (wine): futex\n"
                  "    thread 12 (wine): futex\n")
        xml = ('<testsuite><testcase name="OdbcDatabase.RefusedLogins" status="fail">'
               '<system-out>%s</system-out></testcase></testsuite>' % output.replace("&", "&amp;"))
        with tempfile.NamedTemporaryFile("w", suffix=".xml", delete=False) as f:
            f.write(xml)
        try:
            lines = subprocess.run([sys.executable, SCRIPT, "junit", f.name], capture_output=True, text=True,
                                   check=True).stdout.splitlines()
        finally:
            os.unlink(f.name)
        self.assertEqual(lines[0], "failed\tOdbcDatabase.RefusedLogins\tstalled: no progress for 45 s; "
                                   "its threads waited in futex x2, read(pipe) x1")
        self.assertEqual(lines[-1], "counts\t0 1 0")
