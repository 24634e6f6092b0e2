"""scripts/setup.sh's decisions when the package mirror misbehaves, driven with stand-ins for
apt-get, dpkg and dpkg-query on the PATH (nothing is installed)."""

import os
import shutil
import subprocess
import tempfile
import unittest

SCRIPTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Each call of the stand-in apt-get is logged; its answer, when one was planned, is the file
# <sub-command>.<n> (first line the exit code, the rest its output).
APT_GET = r"""#!/bin/bash
printf '%s\n' "$*" >>"$STUB/calls"
sub=install; [[ " $* " == *" update "* ]] && sub=update; [[ " $* " == *" -s "* ]] && sub=simulate
n=$(( $(cat "$STUB/$sub.n" 2>/dev/null || echo 0) + 1 )); echo $n >"$STUB/$sub.n"
for arg; do [[ $arg == Dir::Etc::Preferences=* ]] && cp "${arg#*=}" "$STUB/preferences.$sub.$n"; done
[[ -f "$STUB/$sub.$n" ]] || exit 0
tail -n +2 "$STUB/$sub.$n"; exit "$(head -n 1 "$STUB/$sub.$n")"
"""
# Candidates: the security update of libssl3 and zlib1g, unless the preferences rank it below.
APT_CACHE = r"""#!/bin/bash
for p in "$@"; do
  [[ $p == -* || $p == policy || $p == *=* ]] && continue
  v=1; [[ "$*" != *Preferences* && ( $p == libssl3* || $p == zlib1g* ) ]] && v=1+deb12u1
  printf '%s:\n  Installed: (none)\n  Candidate: %s\n' "$p" "$v"
done
"""
DPKG = """#!/bin/bash
case "$1" in --print-architecture) echo amd64 ;; --print-foreign-architectures) echo i386 ;; esac
"""
DPKG_QUERY = r"""#!/bin/bash
[[ -f "$STUB/installed" ]] || exit 0
if [[ "$*" == *Package* ]]; then
  for p in "${@:3}"; do name=${p%%:*}; arch=amd64; [[ $p == *:* ]] && arch=${p#*:}; echo "$name $arch install ok installed"; done
else printf 'amd64\ni386\n'; fi
"""
SKEW = """100
The following packages have unmet dependencies:
 libcurl4:i386 : Depends: libssl3:i386 (>= 3.0.0) but it is not going to be installed
                 Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed
 libglib2.0-0:i386 : Depends: libpcre2-8-0:i386 (>= 10.22) but it is not installable
E: Unable to correct problems, you have held broken packages.
"""
PLAN = """0
Inst libssl3 [3.0.15-1~deb12u1] (3.0.15-1~deb12u1 Debian:12.10/stable [amd64])
Inst libssl3:i386 (3.0.15-1~deb12u1 Debian:12.10/stable [i386])
Inst zlib1g:i386 (1:1.2.13.dfsg-1 Debian:12.10/stable [i386])
Inst wine32:i386 (8.0~repack-4 Debian:12.10/stable [i386])
"""
MIRROR_SYNC = """100
W: Some index files failed to download. They have been ignored, or old ones used instead.
E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (25 != 26). Mirror sync in progress? [IP: 127.0.0.1 80]
"""


class SetupOnAMisbehavingMirror(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.stub = os.path.join(self.dir, "stub")
        bin_dir = os.path.join(self.dir, "bin")
        scripts = os.path.join(self.dir, "scripts")
        for folder in (self.stub, bin_dir, scripts):
            os.makedirs(folder)
        shutil.copy(os.path.join(SCRIPTS, "setup.sh"), scripts)
        self.write(os.path.join(scripts, "emulator.sh"), 'echo emulator "$@" >>"$STUB/calls"\n')
        for name, body in (("apt-get", APT_GET), ("apt-cache", APT_CACHE), ("dpkg", DPKG), ("dpkg-query", DPKG_QUERY),
                           ("sudo", 'exec "$@"\n'), ("sleep", "")):
            self.write(os.path.join(bin_dir, name), body)
        self.notes = os.path.join(self.dir, "notes")
        self.state = os.path.join(self.dir, "state")
        self.env = dict(os.environ, STUB=self.stub, PATH=bin_dir + ":" + os.environ["PATH"],
                        SETUP_NOTES=self.notes, SETUP_STATE=self.state, SETUP_APT_WAITS="1 2")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, path, text):
        with open(path, "w") as f:
            f.write(text if text.startswith("#!") else "#!/bin/bash\n" + text)
        os.chmod(path, 0o755)

    def plan(self, sub, n, answer):
        with open(os.path.join(self.stub, f"{sub}.{n}"), "w") as f:
            f.write(answer)

    def run_setup(self):
        run = subprocess.run([os.path.join(self.dir, "scripts", "setup.sh")], env=self.env,
                             capture_output=True, text=True, timeout=60)
        return run.returncode, run.stderr, self.read("calls").splitlines(), self.read(self.notes)

    def read(self, name):
        path = os.path.join(self.stub, name)
        try:
            with open(path) as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def test_an_update_that_fails_is_tried_again_and_said_so(self):
        self.plan("update", 1, MIRROR_SYNC)
        code, err, calls, notes = self.run_setup()
        self.assertEqual(code, 0, err)
        self.assertIn("apt-get update failed (try 1 of 3): E: Failed to fetch", err)
        self.assertEqual([c for c in calls if "update" in c], ["update -qq"] * 2)
        self.assertIn("succeeded at try 2 of 3", notes)
        self.assertEqual(calls[-1], "emulator build")

    def test_lists_that_stay_inconsistent_are_used_as_they_are(self):
        for n in (1, 2, 3):
            self.plan("update", n, MIRROR_SYNC)
        code, err, calls, notes = self.run_setup()
        self.assertEqual(code, 0, err)
        self.assertEqual(len([c for c in calls if "update" in c]), 3)
        self.assertIn("failed (tries: 3; the last said: E: Failed to fetch", notes)
        self.assertIn("going on with the package lists apt has", notes)
        self.assertTrue(any(c.startswith("install") for c in calls))

    def test_a_version_skew_installs_with_updates_held_back_and_a_later_run_takes_them(self):
        self.plan("install", 1, SKEW)
        self.plan("simulate", 1, PLAN)
        code, err, calls, notes = self.run_setup()
        self.assertEqual(code, 0, err)
        installs = [c for c in calls if c.startswith("install") and "-s" not in c.split()]
        self.assertEqual(len(installs), 2)
        self.assertNotIn("Preferences", installs[0])
        with open(os.path.join(self.stub, "preferences.install.2")) as f:
            self.assertIn("Pin: release l=Debian-Security\nPin-Priority: 100", f.read())
        self.assertIn("security updates held back for libssl3 zlib1g", notes)
        self.assertIn("run scripts/setup.sh again later", notes)

        # Everything is installed now: the next run takes the held-back updates, and only those.
        open(os.path.join(self.stub, "installed"), "w").close()
        os.remove(os.path.join(self.stub, "calls"))
        code, err, calls, _ = self.run_setup()
        self.assertEqual(code, 0, err)
        self.assertEqual(calls[1], "install -y -qq --no-install-recommends --only-upgrade "
                                   "libssl3:amd64 libssl3:i386 zlib1g:amd64 zlib1g:i386")
        self.assertFalse(os.path.exists(os.path.join(self.state, "held-back")))

    def test_broken_packages_that_the_ranking_does_not_mend_stop_the_run(self):
        self.plan("install", 1, SKEW)
        self.plan("simulate", 1, "100\nE: Unable to correct problems, you have held broken packages.\n")
        code, err, calls, _ = self.run_setup()
        self.assertNotEqual(code, 0)
        self.assertIn("libcurl4:i386 : Depends: libssl3:i386", err)
        self.assertEqual(len([c for c in calls if c.startswith("install") and "-s" not in c.split()]), 1)

    def test_any_other_install_failure_stops_with_apts_own_lines(self):
        self.plan("install", 1, "100\nE: Unable to locate package wine64\n")
        code, err, calls, _ = self.run_setup()
        self.assertNotEqual(code, 0)
        self.assertIn("E: Unable to locate package wine64", err)
        self.assertEqual(len([c for c in calls if c.startswith("install")]), 1)
        self.assertNotIn("emulator build", calls)


if __name__ == "__main__":
    unittest.main()
