# SPDX-License-Identifier: MIT
"""The Python binding against the simulator: a command of every family, the
answers and events, time-outs, errors, batches, fetches of many frames,
waits, notices and asyncio."""
import asyncio
import ctypes
import gc
import os
import subprocess
import sys
import time

import pytest

import roviro2
from conftest import TIMEOUT


# One command per family, and what the simulator's view then shows for the
# device. Each case has a node of its own: the simulator keeps state for the
# whole session.
@pytest.mark.parametrize("port, node, calls, shown", [
    (1, 5, [("lb_dsp_num", 42, 0, 0), ("lb_led_on", 1, 0), ("lb_buz_on", 1)],
     "display |    42|  led 1  buzzer on"),
    (1, 6, [("lb2_dsp_str", "ABCDEFGHIJ", 0)], "|ABCDEFGHIJ|"),
    (2, 1, [("dcs_set_rows", 4), ("dcs_dsp_str_e", "Hello")], "terminal rows 4"),
    (2, 3, [("cnv_send_data", b"a\0b")], "converter received 3 bytes"),
    (1, 7, [("dio_set_do", 3, 1)], "outputs ..#....."),
    (1, 8, [("dt2_set_counter", 0x1234)], "counter 4660"),
    (1, 9, [("kbn_seg_download", 12, "77", 0, 0), ("kbn_seg_dsp", [12])], "segments 1"),
    (1, 10, [("ccd_rescan",)], "rescans 1"),
])
def test_commands_reach_the_device(sim, gw, port, node, calls, shown):
    tag = roviro2.Tag(gw, port, node)
    for name, *args in calls:
        assert getattr(tag, name)(*args) is None
    sim.wait_device(port, node, shown)


@pytest.mark.parametrize("port, node, request_, command, data", [
    (1, 20, ("dio_read_io_status",), 0x3C, b"\0\0\0\0"),
    (1, 21, ("dt2_read_counter",), 0x40, b"\x02\0\0"),
    (2, 22, ("dcs_get_ver",), 0x37, b"EGWSIM 1.0"),
])
def test_requests_are_answered(lib, gw, port, node, request_, command, data):
    tag = gw.tag(port, node)
    getattr(tag, request_[0])(*request_[1:])
    event = lib.next_event(tag, timeout=TIMEOUT)
    assert (event.tag_addr, event.command, event.status, event.data) == \
        (tag.address, command, 0, data)
    assert (event.gateway, event.port, event.node) == (1, port, node)


def test_events_are_filtered_by_tag_and_command_and_iterated(sim, lib, gw):
    sim.run("key 1:1:30 0x41")
    sim.run("scan 1:2:31 4711")
    sim.run("key 1:1:30 0x42")
    scan = lib.next_event(command=0x31, timeout=TIMEOUT)
    assert (scan.tag_addr, scan.data) == (roviro2.tag_addr(1, 2, 31), b"4711")
    keys = list(lib.events(roviro2.Tag(1, 1, 30), timeout=0.5))
    assert [(e.command, e.status, e.data) for e in keys] == [(0x0B, None, b"A"), (0x0B, None, b"B")]


def test_next_event_times_out_asleep(lib):
    start = time.monotonic()
    cpu = time.process_time()
    with pytest.raises(TimeoutError):
        lib.next_event(roviro2.Tag(1, 1, 99), timeout=0.5)
    assert 0.5 <= time.monotonic() - start < 3
    # Asleep in select, not spinning.
    assert time.process_time() - cpu < 0.25


def test_wait_connected_times_out_with_the_reason(sim):
    # A port nobody listens on: the simulator's, once it is closed there.
    with roviro2.Library(gateways={2: ("127.0.0.1", 1)}) as library:
        gateway = library.gateway(2)
        gateway.open()
        with pytest.raises(TimeoutError, match="gateway 2 not connected.*refused"):
            gateway.wait_connected(0.5)


@pytest.mark.parametrize("call, function, result", [
    (lambda lib: roviro2.Tag(1, 1, 40).lb_dsp_num(1_000_000, 0, 0), "PT_LB_DspNum", -2),
    (lambda lib: roviro2.Tag(1, 1, 40).lb_led_on(3, 0), "PT_LB_LedOn", -4),
    (lambda lib: roviro2.Tag(77, 1, 40).lb_dsp_addr(), "PT_LB_DspAddr", -1),
    (lambda lib: lib.gateway(77), "PT_GW_ID2Ndx", -2),
    (lambda lib: lib.add_gateway(1, "127.0.0.1", 9), "PT_GW_InsConf", -2),
    (lambda lib: lib.fetch_frames(77), "roviro2_fetch_frames", -1),
    # An end with no batch open.
    (lambda lib: lib.batch().__exit__(None, None, None), "roviro2_batch_end", -1),
])
def test_negative_results_raise_with_their_text(lib, call, function, result):
    with pytest.raises(roviro2.Roviro2Error) as caught:
        call(lib)
    error = caught.value
    assert (error.function, error.result) == (function, result)
    assert error.text == lib.result_text(function, result) and error.text in str(error)


def test_a_gateway_not_opened_is_reported(sim):
    with roviro2.Library(gateways={1: ("127.0.0.1", sim.port)}) as library:
        with pytest.raises(roviro2.Roviro2Error) as caught:
            roviro2.Tag(1, 1, 41).lb_dsp_addr()
        assert caught.value.result == roviro2.NEVER_OPENED
        assert library.raw.PT_GW_Status(1) == roviro2.NOT_CONNECTED


def test_bad_arguments_are_refused_before_the_library(lib):
    tag = roviro2.Tag(1, 1, 42)
    with pytest.raises(ValueError, match="zero byte"):
        tag.lb_dsp_str("ab\0cd", 0, 0)
    with pytest.raises(TypeError):
        tag.lb_dsp_str(12, 0, 0)
    with pytest.raises(TypeError, match="too few"):
        lib._command("PT_LB_LedOn", tag.address, 1)
    with pytest.raises(ctypes.ArgumentError):
        lib.raw.PT_GW_Open("1")
    with pytest.raises(ValueError, match="length field"):
        lib.gateway(1).send(b"\x10\x00\x60")


def test_raw_frames_go_out_and_come_back(sim, lib, gw):
    # A diagnosis request by hand; its answer whole, through PT_GW_RcvMsg.
    gw.send(bytes([8, 0, 0x60, 0, 0, 0, 9, 0]))
    deadline = time.monotonic() + TIMEOUT
    while (frame := gw.receive()) is None:
        assert time.monotonic() < deadline, "no answer to the diagnosis"
        lib._sleep(0.1)
    assert frame[2] == 0x60 and frame[6] == 9 and frame[4] == 1


def test_a_batch_reaches_the_gateway_whole_and_in_order(lib, gw):
    # Each output change only means something after the one before it, and
    # the status request answers with what they left.
    tag = gw.tag(1, 60)
    with lib.batch() as batch:
        for channel, value in [(0, 0xFFFF), (1, 0), (3, 0), (4, 1), (3, 1), (16, 0)]:
            tag.dio_set_do(channel, value)
        tag.dio_read_io_status()
        assert lib.wait(0.1) == 0, "a frame left before the end of the batch"
    assert batch.waiting == 0
    event = lib.next_event(tag, command=0x3C, timeout=TIMEOUT)
    assert event.data[2:] == bytes([0xFE, 0x7F])


@pytest.mark.parametrize("without_extension", [False, True])
@pytest.mark.parametrize("gw_id, head", [(1, 2), (0, 4)])
@pytest.mark.parametrize("fits", [0, 2])
def test_fetch_frames_takes_queued_frames_in_order_and_loses_none(
        sim, lib, monkeypatch, without_extension, gw_id, head, fits):
    """`fits` frames fit into max_bytes (0: not even one); the rest stay queued."""
    if without_extension:
        monkeypatch.setattr(lib.raw, "roviro2_fetch_frames", None)
    nodes = list(range(61, 67))
    for node in nodes:
        sim.run(f"key 1:1:{node} 0x{node:02X}")
    key_frame = 9
    max_bytes = fits * (head + key_frame) + head
    frames = []
    deadline = time.monotonic() + TIMEOUT
    while len(frames) < len(nodes) and time.monotonic() < deadline:
        got = lib.fetch_frames(gw_id, max_bytes)
        assert len(got) <= max(fits, 1)
        frames += got
        if not got:
            lib.wait(0.1)
    assert [(len(f), f[4], f[6], f[7], f[8]) for f in frames] == \
        [(key_frame, 1, 0x0B, node, node) for node in nodes]
    assert lib.fetch_frames(gw_id) == [] and lib.gateway(1).fetch_frames() == []


def test_wait_runs_arriving_events_or_times_out_asleep(sim, lib):
    previous = lib.set_receive_limit(1 << 20)
    assert (previous, lib.set_receive_limit(previous)) == (16 << 20, 1 << 20)
    sim.run("key 1:1:67 0x41")
    while lib.raw.PT_GW_RcvReady(1) == 0:
        assert lib.wait(TIMEOUT) > 0, "the key did not arrive"
    start = time.monotonic()
    cpu = time.process_time()
    assert lib.wait(0.3) == 0
    assert 0.3 <= time.monotonic() - start < 3 and time.process_time() - cpu < 0.15


def test_notices_reach_a_python_callable_kept_alive(sim, lib):
    notices = []
    lib.set_notice_handler(lambda text: notices.append(text))
    gc.collect()
    sim.run("badlength 1 0xFFFF")
    deadline = time.monotonic() + TIMEOUT
    while not notices and time.monotonic() < deadline:
        lib._sleep(0.1)
    assert notices == ["Receive Data Error, Get Data too much = 65535"]


def test_asyncio_waits_on_the_event_descriptor(sim, lib):
    async def main():
        waiting = asyncio.ensure_future(lib.next_event_async(roviro2.Tag(1, 1, 50), timeout=TIMEOUT))
        await asyncio.sleep(0)
        sim.run("key 1:1:50 0x43")
        event = await waiting
        with pytest.raises(TimeoutError):
            await lib.next_event_async(roviro2.Tag(1, 1, 50), timeout=0.2)
        return event

    event = asyncio.run(main())
    assert (event.command, event.data) == (0x0B, b"C")


def test_asyncio_wait_connected(sim):
    async def main():
        with roviro2.Library(gateways={1: ("127.0.0.1", sim.port)}) as library:
            gateway = library.gateway(1)
            gateway.open()
            await gateway.wait_connected_async(TIMEOUT)
            return gateway.status()

    assert asyncio.run(main()) == roviro2.CONNECTED


def test_gateways_from_ipindex_and_the_table(sim, tmp_path):
    (tmp_path / "IPINDEX").write_text(f"3 {sim.port} 127.0.0.1\r\n")
    with roviro2.Library(ipindex_dir=tmp_path) as library:
        assert library.loaded == 1
        library.add_gateway(4, "127.0.0.2", 4660)
        library.update_gateway(4, "127.0.0.3", 4661)
        library.remove_gateway(4)
        assert library.gateways() == [(3, "127.0.0.1", sim.port)]
        library.default_gateway = 3
        assert library.default_gateway == 3
        gateway = library.gateway(3)
        gateway.open()
        gateway.wait_connected(TIMEOUT)
        assert library.all_status()[0] == roviro2.CONNECTED
    with pytest.raises(FileNotFoundError):
        roviro2.Library(ipindex_dir=tmp_path / "none").open()


def test_the_readme_example_runs(tmp_path):
    from conftest import ROOT, Simulator, simulator_program

    readme = (ROOT / "README.md").read_text()
    example = readme.split("\n## Python\n", 1)[1].split("```python\n", 1)[1].split("```", 1)[0]
    simulator = Simulator(simulator_program(), tmp_path / "state")
    try:
        (tmp_path / "IPINDEX").write_text(f"1 {simulator.port} 127.0.0.1\r\n")
        (tmp_path / "example.py").write_text(example)
        simulator.run("expect 1:1:5 0")
        simulator.run("key 1:1:5 0x41")
        env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
        done = subprocess.run([sys.executable, "example.py"], cwd=tmp_path, env=env,
                              capture_output=True, text=True, timeout=60)
    finally:
        simulator.stop()
    assert (done.returncode, done.stdout, done.stderr) == \
        (0, "command 0x0B from node 5: b'A'\n", "")
