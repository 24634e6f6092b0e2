#!/bin/sh
# Runs the test server in the foreground for a manual try of the wizard with its default entries:
# the default instance name MARLOVEXSQL is answered by the Browser service on UDP 1434, the
# login sa has the wizard's default password. Extra options: --port, --browser, --scenario,
# --log, --login user:password, --instance NAME (see README.md).
cd "$(dirname "$0")" && PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 -m sqltestserver serve "$@"
