# SPDX-License-Identifier: MIT
"""The simulator, started once per test session, and a library connected to
it per test. ROVIRO2_GWSIM and ROVIRO2_LIB name the programs to use (by
default those of the build in <repository>/build)."""
import os
import queue
import subprocess
import sys
import threading
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[3]
# The package from the source folder, unless the run tests an installed one.
if not os.environ.get("ROVIRO2_TEST_INSTALLED"):
    sys.path.insert(0, str(ROOT / "bindings/python"))
os.environ.setdefault("ROVIRO2_LIB", str(ROOT / "build/libroviro2.so"))

import roviro2  # noqa: E402

TIMEOUT = 5.0


class Simulator:
    def __init__(self, program: str, state: Path):
        self.state = state
        self.lines: "queue.Queue[str]" = queue.Queue()
        self.process = subprocess.Popen(
            [program, "--script", "-", "--state", str(state)], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, bufsize=1)
        threading.Thread(target=self._drain, daemon=True).start()
        line = self.wait_line("listening on 127.0.0.1:")
        self.port = int(line.rsplit(":", 1)[1])

    def _drain(self) -> None:
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))

    def wait_line(self, text: str, timeout: float = TIMEOUT) -> str:
        """The next line of its output that holds text."""
        deadline = time.monotonic() + timeout
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise AssertionError(f"the simulator printed no line with {text!r}")
            try:
                line = self.lines.get(timeout=remaining)
            except queue.Empty:
                continue
            if text in line:
                return line

    def run(self, command: str) -> None:
        """One script command, e.g. "key 1:1:5 0x41"."""
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def wait_device(self, port: int, node: int, text: str, timeout: float = TIMEOUT) -> None:
        """Waits until the view of gateway 1's device port:node shows text."""
        heading = f"  port {port} node {node} "
        deadline = time.monotonic() + timeout
        while True:
            current = self.state.read_text() if self.state.exists() else ""
            block = current.split(heading, 1)[1].split("\n  port ", 1)[0] if heading in current else ""
            if text in block:
                return
            if time.monotonic() > deadline:
                raise AssertionError(f"port {port} node {node} never showed {text!r}:\n{current}")
            time.sleep(0.02)

    def stop(self) -> None:
        self.process.terminate()
        try:
            self.process.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(timeout=TIMEOUT)


def simulator_program() -> str:
    return os.environ.get("ROVIRO2_GWSIM", str(ROOT / "build/roviro2-gwsim"))


@pytest.fixture(scope="session")
def sim(tmp_path_factory):
    simulator = Simulator(simulator_program(), tmp_path_factory.mktemp("sim") / "state")
    yield simulator
    simulator.stop()


@pytest.fixture
def lib(sim):
    """The library open, gateway 1 connected to the simulator."""
    with roviro2.Library(gateways={1: ("127.0.0.1", sim.port)}) as library:
        gateway = library.gateway(1)
        gateway.open()
        gateway.wait_connected(TIMEOUT)
        yield library


@pytest.fixture
def gw(lib):
    return lib.gateway(1)
