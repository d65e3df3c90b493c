# The module's tests: run by ctest with the built module on PYTHONPATH and
# LTR_CLI naming the ltr-cli of the same build. Without the module (a build
# without pybind11) they are skipped.
import json
import os
import subprocess

import pytest

ltr = pytest.importorskip("ltr")


def _cli_path():
    path = os.environ.get("LTR_CLI")
    if not path:
        pytest.skip("LTR_CLI is not set: run these tests through ctest")
    return path


@pytest.fixture(scope="session")
def cli():
    """Runs ltr-cli with the arguments; its stdout (JSON parsed unless raw)."""
    path = _cli_path()

    def run(*args, raw=False, expect=0):
        done = subprocess.run([path, *map(str, args), "--quiet"], capture_output=True, text=True)
        assert done.returncode == expect, done.stderr
        if expect != 0:
            return done.stderr
        return done.stdout if raw else json.loads(done.stdout)

    return run


@pytest.fixture(scope="session")
def steady_flow():
    return ltr.Flow(ltr.Case())
