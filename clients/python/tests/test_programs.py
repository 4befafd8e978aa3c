"""Finding the console, and the programs' --version and --help."""

import re
import subprocess
from pathlib import Path

import pytest

from quelvo_console import QuelvoError, find_console

from conftest import HERE, program


def executable(path: Path) -> Path:
    path.write_text("#!/bin/sh\n")
    path.chmod(0o755)
    return path


def test_the_console_is_found_in_order(tmp_path, monkeypatch):
    given = executable(tmp_path / "given")
    named = executable(tmp_path / "named")
    on_path = executable(tmp_path / "quelvo-console")
    assert find_console(given, {"QUELVO_CONSOLE": str(named)}) == str(given)
    assert find_console(None, {"QUELVO_CONSOLE": str(named)}) == str(named)
    built = executable(tmp_path / "built")
    monkeypatch.setattr("quelvo_console.client.BUILT_CONSOLE", built)
    assert find_console(None, {"PATH": str(tmp_path)}) == str(built)
    monkeypatch.setattr("quelvo_console.client.BUILT_CONSOLE", tmp_path / "unbuilt")
    assert find_console(None, {"PATH": str(tmp_path)}) == str(on_path)
    with pytest.raises(QuelvoError, match="not found"):
        find_console(None, {"PATH": str(tmp_path / "empty")})


def project_version() -> str:
    text = (HERE.parents[2] / "CMakeLists.txt").read_text()
    return re.search(r"project\(Quelvo VERSION ([0-9.]+)", text).group(1)


@pytest.mark.parametrize("name, built", [
    ("quelvo", "app/quelvo"),
    ("quelvo-console", "console/quelvo-console"),
    ("quelvo-skinsite", "skinsite/quelvo-skinsite"),
])
def test_version_and_help(name, built):
    for option, expected in (("--version", f"{name} {project_version()}\n"),
                             ("--help", None)):
        run = subprocess.run([program(built), option], capture_output=True, text=True,
                             timeout=60)
        assert run.returncode == 0, run.stderr
        if expected:
            assert run.stdout == expected
        else:
            assert "--version" in run.stdout and "usage" in run.stdout.lower()
