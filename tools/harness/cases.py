"""unittest glue for the end-to-end tests: a test class per adapter, and the tests' entry point.

A scenario that both programs share is written once, as a mixin of test steps (methods test_*,
run in the order of their names), and run against both adapters by two classes:

    class Keys:                          # the steps both programs share
        def test_1_...(self): self.program.key("a") ...

    class Wine(Keys, cases.WineCase):    # velmira-sim.exe under Wine, and its own steps
    class Native(Keys, cases.NativeCase):  # build/native/velmira-sim

The classes of one adapter share a session (build/e2e/ADAPTER/NAME, NAME the file's name
without test_), made by the first and closed after the last; a class whose adapter cannot run
here is skipped with the reason. main() runs the two adapters' classes side by side.
"""

import os
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

from harness import native_adapter, process, wine_adapter
from harness.process import SKIP_EXIT_CODE

RUN_STARTED = "VELMIRA_E2E_RUN_STARTED"  # time.time() when the test file started

ADAPTERS = {"wine": (wine_adapter.WineSession, wine_adapter.unavailable),
            "native": (native_adapter.NativeSession, native_adapter.unavailable)}


def test_name(cls):
    """The name of the test file without test_ and .py."""
    stem = Path(sys.modules[cls.__module__].__file__).stem
    return stem[len("test_"):] if stem.startswith("test_") else stem


_sessions = {}  # (adapter, test name): the session its classes share


def session_for(cls):
    """The adapter's session for the test file (made by its first class, closed after its
    last); unittest.SkipTest when the adapter cannot run here."""
    make, unavailable = ADAPTERS[cls.adapter]
    reason = unavailable()
    if reason:
        raise unittest.SkipTest("%s adapter: %s" % (cls.adapter, reason))
    key = (cls.adapter, test_name(cls))
    if key not in _sessions:
        _sessions[key] = make(key[1])
        unittest.addModuleCleanup(lambda: _sessions.pop(key).close())
    return _sessions[key]


class ProgramCase(unittest.TestCase):
    """A test class on one adapter; session and program are class attributes."""

    adapter = None
    session = None
    program = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.session = session_for(cls)

    def play(self, keys, expected, what, program=None):
        """Strokes of the keys; the calls that follow are expected (of the class's program,
        or of the one given)."""
        (program or self.program).key(*keys)
        self.expect(expected, what, program)

    def expect(self, expected, what, program=None, ignore=None):
        self.assertEqual((program or self.program).expect(expected, what, ignore=ignore),
                         list(expected))

    def wait_title(self, program, title):
        """Waits for the main window's title; fails naming the title it has."""
        try:
            process.wait_until(lambda: program.title() == title, process.WAIT,
                               "the title %r" % title)
        except process.TimedOut:
            self.fail("the title is %r, not %r" % (program.title(), title))

    def assert_box_texts(self, program, box, expected):
        """The box's texts (line breaks as written), where the adapter can read them."""
        texts = program.box_texts(box)
        if texts is not None:
            self.assertEqual([text.replace("\\n", "\n") for text in texts], expected)


class WineCase(ProgramCase):
    adapter = "wine"


class NativeCase(ProgramCase):
    adapter = "native"


def _outcome(result):
    """0 (passed), 1 (failed) or SKIP_EXIT_CODE (nothing but skips) of a unittest result."""
    if not result.wasSuccessful():
        return 1
    # A class skipped in setUpClass runs none of its tests and counts as one skip, not a test.
    skipped = [test for test, _ in result.skipped if isinstance(test, unittest.TestCase)]
    return SKIP_EXIT_CODE if result.testsRun == len(skipped) else 0


def _classes(module):
    """The module's test classes by adapter (None: neither), in the order of their names."""
    found = {"wine": [], "native": [], None: []}
    for name in sorted(vars(module)):
        value = getattr(module, name)
        if (isinstance(value, type) and issubclass(value, unittest.TestCase)
                and value.__module__ == module.__name__):
            found[getattr(value, "adapter", None)].append(value)
    return found


def _run(classes):
    loader = unittest.defaultTestLoader
    suite = unittest.TestSuite(loader.loadTestsFromTestCase(cls) for cls in classes)
    return _outcome(unittest.TextTestRunner(verbosity=2).run(suite))


def main():
    """Runs the module's tests; exits with 77 (skipped) when every test was skipped, as when
    neither program can run here. Test names on the command line are unittest's.

    The Windows and the Linux program's classes run side by side: the Linux ones in a child
    process (the programs share nothing but the processor), then the classes of neither
    adapter, which may compare what both left (VELMIRA_E2E_SERIAL=1: one after the other)."""
    os.environ.setdefault(RUN_STARTED, repr(time.time()))
    if len(sys.argv) > 1:
        sys.exit(_outcome(unittest.main(module="__main__", verbosity=2, exit=False).result))
    module = sys.modules["__main__"]
    classes = _classes(module)
    outcomes = []
    if classes["wine"] and classes["native"] and os.environ.get("VELMIRA_E2E_SERIAL") != "1":
        with tempfile.TemporaryFile() as output:
            child = process.start([sys.executable, module.__file__] +
                                  [cls.__name__ for cls in classes["native"]], os.environ,
                                  stdout=output, stderr=subprocess.STDOUT)
            try:
                outcomes.append(_run(classes["wine"]))
                outcomes.append(child.wait())
            finally:
                process.stop(child)
            output.seek(0)
            print("\n--- %s, run beside the above:" % ", ".join(
                cls.__name__ for cls in classes["native"]), flush=True)
            sys.stdout.buffer.write(output.read())
            sys.stdout.flush()
    else:
        outcomes += [_run(classes[adapter]) for adapter in ("wine", "native") if classes[adapter]]
    if classes[None]:
        outcomes.append(_run(classes[None]))
    if any(outcome not in (0, SKIP_EXIT_CODE) for outcome in outcomes):
        sys.exit(1)
    if all(outcome == SKIP_EXIT_CODE for outcome in outcomes):
        print("every test skipped", flush=True)
        sys.exit(SKIP_EXIT_CODE)
    sys.exit(0)


def made_in_this_run(path):
    """True when the file was written since the test file started (in this process or in the
    one beside it); the file system's clock is coarser than time.time()'s."""
    started = float(os.environ.get(RUN_STARTED, "inf"))
    return Path(path).exists() and Path(path).stat().st_mtime >= started - 0.1
