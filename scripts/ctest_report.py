#!/usr/bin/env python3
"""Counts the outcome of one build's tests for scripts/test.sh.

    ctest_report.py junit <file.xml>    a ctest run's report (ctest --output-junit <file.xml>)
    ctest_report.py unittest <file.log> the output of a Python `unittest -v` run

Prints one line per skipped test, "skipped<TAB><test><TAB><reason>", one per failed test,
"failed<TAB><test><TAB><what>", and last "counts<TAB><passed> <failed> <skipped>".

A ctest test counts as skipped when ctest reports it skipped (GoogleTest's GTEST_SKIP, which
gtest_discover_tests maps to a skip by its SKIP_REGULAR_EXPRESSION; a SKIP_RETURN_CODE) or disabled;
the reason is taken from the test's output (GTEST_SKIP's message). ctest's other "not run" tests
(program missing, fixture failed) count as failed, as ctest counts them. A test whose output is a
Python unittest run counts as the unittest tests it ran, its skips listed with their reasons.
Exit code 2 when the input cannot be read.
"""

import os
import re
import sys
import xml.etree.ElementTree as ET

GTEST_SKIP = re.compile(r"^(?P<file>[^\n]*?):(?P<line>\d+): Skipped\n(?P<message>.*?)\n?\[  SKIPPED \] ",
                        re.M | re.S)
UNITTEST_RAN = re.compile(r"^Ran (\d+) tests? in ", re.M)
UNITTEST_RESULT = re.compile(r"^(OK|FAILED)(?: \((.*)\))?\s*$", re.M)
UNITTEST_TEST = re.compile(r"^(\w+) \(([\w.]+)\)")
UNITTEST_SKIPPED = re.compile(r" \.\.\. skipped '(.*)'$")
STALLED = re.compile(r"^stall_watch: STALLED: .*? in (\d+) s; stopped", re.M)
STALLED_WAIT = re.compile(r"^    thread \d+ \(.*?\): (\w+)(?:\(fd \d+: (\w+))?", re.M)


def one_line(text):
    return " / ".join(line.strip() for line in text.strip().splitlines() if line.strip())


def gtest_skip_reason(output):
    match = GTEST_SKIP.search(output)
    if not match:
        return None
    where = "%s:%s" % (re.split(r"[\\/]", match["file"])[-1], match["line"])
    message = one_line(match["message"])
    return "%s (%s)" % (message, where) if message else "GTEST_SKIP without a message (%s)" % where


def stall_summary(output):
    """'stalled: no progress for 45 s; its threads waited in read(pipe) x2, futex x5', or None."""
    match = STALLED.search(output)
    if not match:
        return None
    waits = {}
    for call, target in STALLED_WAIT.findall(output[match.end():]):
        what = "%s(%s)" % (call, target) if target else call
        waits[what] = waits.get(what, 0) + 1
    listed = ", ".join("%s x%d" % item for item in sorted(waits.items(), key=lambda item: -item[1]))
    return "stalled: no progress for %s s; its threads waited in %s" % (match[1], listed or "nothing readable")


def unittest_counts(output):
    """(ran, failed, skipped, [(test, reason)]) of a unittest run's output, or None."""
    ran = UNITTEST_RAN.findall(output)
    results = UNITTEST_RESULT.findall(output)
    if not ran or not results:
        return None
    details = dict(item.strip().split("=", 1) for item in results[-1][1].split(",") if "=" in item)
    failed = sum(int(details.get(key, 0)) for key in ("failures", "errors", "unexpected successes"))
    skipped = int(details.get("skipped", 0))
    reasons = []
    current = None
    for line in output.splitlines():
        test = UNITTEST_TEST.match(line)
        if test:
            current = test[2] if test[2].endswith("." + test[1]) else "%s.%s" % (test[2], test[1])
        skip = UNITTEST_SKIPPED.search(line)
        if skip and current:
            reasons.append((current, skip[1]))
            current = None
    return int(ran[-1]), failed, skipped, reasons


class Report:
    def __init__(self):
        self.passed = self.failed = self.skipped = 0

    def skip(self, test, reason):
        self.skipped += 1
        print("skipped\t%s\t%s" % (test, reason))

    def fail(self, test, what):
        self.failed += 1
        print("failed\t%s\t%s" % (test, what))

    def unittest(self, name, counts, run_failed=False):
        ran, failed, skipped, reasons = counts
        if run_failed and failed == 0:
            failed = 1  # the run failed without a failed test (it crashed, timed out, ...)
        for test, reason in reasons:
            self.skip("%s %s" % (name, test) if name else test, reason)
        for _ in range(skipped - len(reasons)):
            self.skip(name or "unittest", "a unittest skip whose reason was not printed (run without -v)")
        if failed:
            self.failed += failed
            print("failed\t%s\t%d of its %d unittest tests failed" % (name or "unittest", failed, ran))
        self.passed += max(ran - failed - skipped, 0)

    def end(self):
        print("counts\t%d %d %d" % (self.passed, self.failed, self.skipped))


def from_junit(path):
    report = Report()
    for case in ET.parse(path).getroot().iter("testcase"):
        name = case.get("name", "?")
        status = case.get("status", "")
        output = (case.findtext("system-out") or "").replace("\r\n", "\n")
        skipped = case.find("skipped")
        message = skipped.get("message", "") if skipped is not None else ""
        counts = unittest_counts(output) if status in ("run", "fail") else None
        if counts:
            report.unittest(name, counts, run_failed=(status == "fail"))
        elif status == "run":
            report.passed += 1
        elif status == "disabled":
            report.skip(name, "disabled")
        elif status == "notrun" and message == "SKIP_REGULAR_EXPRESSION_MATCHED":
            report.skip(name, gtest_skip_reason(output) or "its output matched its skip expression")
        elif status == "notrun" and message.startswith("SKIP_RETURN_CODE"):
            report.skip(name, "it exited with its skip code (%s)" % message.split("=", 1)[-1])
        elif status == "notrun":
            report.fail(name, "not run: %s" % (message or "no reason given"))
        else:
            report.fail(name, stall_summary(output) or "failed")
    report.end()


def from_unittest(path):
    with open(path, encoding="utf-8", errors="replace") as file:
        counts = unittest_counts(file.read())
    if not counts:
        raise ValueError("no unittest result in %s" % path)
    report = Report()
    report.unittest("", counts)
    report.end()


def main(argv):
    if len(argv) != 3 or argv[1] not in ("junit", "unittest"):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        (from_junit if argv[1] == "junit" else from_unittest)(argv[2])
    except (OSError, ET.ParseError, ValueError) as error:
        print("ctest_report: %s: %s" % (os.path.basename(argv[2]), error), file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
