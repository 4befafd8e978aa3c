"""Fixtures: the built programs, the bundled skin site and a page server on loopback."""

import functools
import http.server
import os
import subprocess
import sys
import threading
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))

from quelvo_console import Console  # noqa: E402

BUILD = Path(os.environ.get("QUELVO_BUILD_DIR", HERE.parents[2] / "build"))


def program(relative: str) -> Path:
    path = BUILD / relative
    if not os.access(path, os.X_OK):
        pytest.fail(f"{path} is not built")
    return path


@pytest.fixture(scope="session")
def skinsite(tmp_path_factory):
    """The bundled skin site, started with the built quelvo-skinsite; its base address."""
    data = tmp_path_factory.mktemp("skins")
    server = subprocess.Popen(
        [program("skinsite/quelvo-skinsite"), "--port", "0", "--data-dir", str(data)],
        stdout=subprocess.PIPE, text=True)
    try:
        address = server.stdout.readline().strip()
        assert address.startswith("http://127.0.0.1:"), address
        yield address
    finally:
        server.terminate()
        server.wait(30)


@pytest.fixture(scope="session")
def pages():
    """The pages next to the tests, served on 127.0.0.1; their base address."""
    handler = functools.partial(http.server.SimpleHTTPRequestHandler,
                                directory=str(HERE / "pages"))
    handler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f"http://127.0.0.1:{server.server_address[1]}/"
    server.shutdown()
    server.server_close()


@pytest.fixture(scope="module")
def console():
    """One console for the tests of a module; the browser's start is the slow part."""
    with Console(program("console/quelvo-console"),
                 env={"QT_QPA_PLATFORM": "offscreen",
                      "QTWEBENGINE_CHROMIUM_FLAGS": "--no-sandbox --disable-gpu"}) as c:
        yield c
