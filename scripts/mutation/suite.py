"""Building a tree with a mutant in it and running the tests that its changes reach."""

import hashlib
import json
import os
import re
import signal
import subprocess
import time

from mutation.common import ROOT, err, usage_error

# Test programs that never load the module: they run only when the build relinked them.
MODULE_FREE_PROGRAMS = {"host_tests"}


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(signum)


def run_group(cmd, cwd, limit, env=None):
    """Runs cmd in a process group of its own; kills the whole group after limit seconds.
    Returns (exit status or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True, env=env)
    try:
        out, _ = proc.communicate(timeout=limit)
        return proc.returncode, out.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        kill_group(proc)
        return None, ""
    except BaseException:
        kill_group(proc)
        raise


def kill_group(proc):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()


class Suite:
    def __init__(self, build_dir, jobs):
        build_dir = os.path.abspath(build_dir)
        self.build_dir, self.jobs = build_dir, jobs
        out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, capture_output=True, text=True)
        if out.returncode != 0:
            raise SystemExit(usage_error("ctest cannot list the tests of %s: %s" % (build_dir, out.stderr.strip())))
        self.tests = []
        bin_dir = os.path.join(build_dir, "bin")
        for t in json.loads(out.stdout)["tests"]:
            props = {p["name"]: p["value"] for p in t.get("properties", [])}
            cmd = list(t["command"])
            prog = next((c for c in cmd if os.path.dirname(c) == bin_dir), None)
            if prog is None:
                continue  # not a program of the build (a check of the sources): no mutant changes it
            name = os.path.splitext(os.path.basename(prog))[0]
            if any(c.startswith("--gtest") for c in cmd):
                cmd.append("--gtest_fail_fast")  # the first failure is enough
            self.tests.append({"name": t["name"], "cmd": cmd, "cwd": props.get("WORKING_DIRECTORY", build_dir),
                               "program": prog, "target": name, "time": 0.0,
                               "will_fail": bool(props.get("WILL_FAIL", False)),
                               "pass_re": props.get("PASS_REGULAR_EXPRESSION") or [],
                               "fail_re": props.get("FAIL_REGULAR_EXPRESSION") or []})
        self.targets = sorted({t["target"] for t in self.tests} | {"ZorvanShapes"})
        # The object file of each module source, to see whether a mutant changed the code at all.
        self.objects = {}
        commands = os.path.join(build_dir, "compile_commands.json")
        if os.path.exists(commands):
            with open(commands, encoding="utf-8") as fh:
                for c in json.load(fh):
                    out = c.get("output") or next(iter(re.findall(r"\s-o\s+(\S+)", c.get("command", ""))), "")
                    compiler = (c.get("arguments") or c.get("command", "").split() or [""])[0]
                    if "zorvan_objs" in out:
                        source = os.path.relpath(os.path.normpath(os.path.join(c["directory"], c["file"])), ROOT)
                        self.objects[source] = os.path.normpath(os.path.join(c["directory"], out))
                        # The binutils of the compiler's target strip the debug information.
                        prefix = re.sub(r"(g\+\+|gcc|c\+\+|clang\+\+|clang)(-[0-9.]+)?$", "", compiler)
                        self.objcopy = prefix + "objcopy" if prefix.endswith("-") else "objcopy"
        self.clean_objects = {}
        self.module = next((os.path.join(bin_dir, f) for f in os.listdir(bin_dir)
                            if f.startswith("ZorvanShapes.")), "") if os.path.isdir(bin_dir) else ""

    def object_digest(self, source):
        path = self.objects.get(source)
        if path is None or not os.path.exists(path):
            return None
        # Without its debug information: a mutant that only moves line and column records (a
        # return of the constant's own value written as {}) compiles to the same code.
        stripped = path + ".stripped"
        done = subprocess.run([getattr(self, "objcopy", "objcopy"), "--strip-debug", "-R", ".comment", path, stripped],
                              capture_output=True)
        read = stripped if done.returncode == 0 else path
        with open(read, "rb") as fh:
            digest = hashlib.sha1(fh.read()).hexdigest()
        if os.path.exists(stripped):
            os.remove(stripped)
        return digest

    def remember_clean_objects(self, files):
        self.clean_objects = {f: self.object_digest(f) for f in files}

    def build(self, limit):
        cmd = ["cmake", "--build", self.build_dir, "-j", str(self.jobs), "--target"] + self.targets
        return run_group(cmd, ROOT, limit)

    def stamps(self):
        files = {t["program"] for t in self.tests} | {self.module}
        return {f: os.stat(f).st_mtime_ns if os.path.exists(f) else 0 for f in files if f}

    def affected(self, before, after):
        """Tests whose program was relinked, or which load the module when it was."""
        changed = {f for f in after if after[f] != before.get(f)}
        module_changed = self.module in changed
        return [t for t in self.tests if t["program"] in changed or
                (module_changed and t["target"] not in MODULE_FREE_PROGRAMS)]

    @staticmethod
    def passed(t, code, out):
        """Whether a finished test passed, as CTest decides it."""
        if any(re.search(r, out, re.S) for r in t["fail_re"]):
            return False
        if t["pass_re"]:
            return any(re.search(r, out, re.S) for r in t["pass_re"])
        return (code != 0) if t["will_fail"] else code == 0

    def run(self, tests, limit):
        """Quickest first; stops at the first failing test. Returns (killer or None, seconds)."""
        start = time.monotonic()
        for t in sorted(tests, key=lambda t: t["time"]):
            left = limit - (time.monotonic() - start)
            if left <= 0:
                return "timeout", time.monotonic() - start
            code, out = run_group(t["cmd"], t["cwd"], left)
            if code is None:
                return "timeout (%s)" % t["name"], time.monotonic() - start
            if not self.passed(t, code, out):
                failed = re.search(r"^\[  FAILED  \] (\S+)", out, re.M)
                how = ":" + failed.group(1) if failed else " (signal %d)" % -code if code < 0 else ""
                return t["name"] + how, time.monotonic() - start
        return None, time.monotonic() - start

    def baseline(self, limit):
        for t in self.tests:
            start = time.monotonic()
            code, out = run_group(t["cmd"], t["cwd"], limit)
            t["time"] = time.monotonic() - start
            if code is None or not self.passed(t, code, out):
                err("%s fails without any mutant (%s); fix the tree first:\n%s"
                    % (t["name"], "timeout" if code is None else "exit %d" % code, out[-2000:]))
                return False
        return True
