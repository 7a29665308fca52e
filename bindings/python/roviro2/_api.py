# SPDX-License-Identifier: MIT
"""The idiomatic layer: the library as a context manager, gateways, tags,
events, and exceptions for negative results."""
import asyncio
import contextlib
import ctypes
import math
import os
import select
import time
from dataclasses import dataclass
from typing import Callable, Dict, Iterator, List, Optional, Tuple, Union

from ._commands import TagCommands
from ._raw import NOTICE_FN, Raw

CONNECTED = 7
CONNECTING = 6
NOT_CONNECTED = 0
CANNOT_START = -2
SENT = 0
NO_GATEWAY = -1
NEVER_OPENED = -2
NOT_UP = -3
SEND_FAILED = -4
FRAME_TAKEN = 1
NO_FRAME = 0
DAMAGED_FRAME = -2
# roviro2_fetch_frames: the oldest frame does not fit the buffer.
FETCH_TOO_SMALL = -2

_MISSING = object()
RECEIVE_BUFFER = 8198
DATA_BUFFER = 8190
FETCH_BUFFER = 65536
# A wanted gateway that is down is retried only inside PT_GW_Status, so a
# wait for a connection looks at it at least this often (seconds).
_STATUS_INTERVAL = 0.1


def tag_addr(gw_id: int, port: int, node: int) -> int:
    """The tag address of node `node` on port `port` (1 or 2) of gateway `gw_id`."""
    return ((gw_id & 0xFFFF) << 16) | ((port & 0xFF) << 8) | (node & 0xFF)


class Roviro2Error(Exception):
    """A function of the library answered with a negative result."""

    def __init__(self, function: str, result: int, text: str):
        super().__init__(f"{function}: {text} ({result})")
        self.function = function
        self.result = result
        self.text = text


def _encode(value: Union[str, bytes], what: str) -> bytes:
    if isinstance(value, str):
        value = value.encode("latin-1")
    if not isinstance(value, (bytes, bytearray)):
        raise TypeError(f"{what} must be str or bytes, not {type(value).__name__}")
    return bytes(value)


@dataclass(frozen=True)
class Event:
    """A frame from a tag, as PT_Tag_RcvMsg decodes it. status is None for the
    commands that carry none."""
    tag_addr: int
    command: int
    status: Optional[int]
    data: bytes

    @property
    def gateway(self) -> int:
        return self.tag_addr >> 16

    @property
    def port(self) -> int:
        return (self.tag_addr >> 8) & 0xFF

    @property
    def node(self) -> int:
        return self.tag_addr & 0xFF


class Tag(TagCommands):
    """One device: Tag(gateway, port, node); gateway is a Gateway or an ID."""

    def __init__(self, gateway: Union["Gateway", int], port: int, node: int):
        self.gateway = gateway
        self.gw_id = gateway.id if isinstance(gateway, Gateway) else int(gateway)
        self.port = port
        self.node = node
        self.address = tag_addr(self.gw_id, port, node)
        self._library = gateway.library if isinstance(gateway, Gateway) else None

    def __repr__(self) -> str:
        return f"Tag({self.gw_id}, {self.port}, {self.node})"

    def _command(self, function: str, *args: object) -> None:
        library = self._library or Library.current()
        library._command(function, self.address, *args)

    def next_event(self, command: Optional[int] = None,
                   timeout: Optional[float] = None) -> Event:
        """The next event of this tag (see Library.next_event)."""
        return (self._library or Library.current()).next_event(self, command, timeout)


class Gateway:
    """One entry of the gateway table, by its ID."""

    def __init__(self, library: "Library", gw_id: int):
        self.library = library
        self.id = gw_id

    def __repr__(self) -> str:
        return f"Gateway({self.id})"

    def tag(self, port: int, node: int) -> Tag:
        return Tag(self, port, node)

    def open(self) -> None:
        """Starts connecting (PT_GW_Open)."""
        self.library._check("PT_GW_Open", self.library.raw.PT_GW_Open(self.id))

    def close(self) -> None:
        self.library._check("PT_GW_Close", self.library.raw.PT_GW_Close(self.id))

    def status(self) -> int:
        """Handles pending socket events and returns CONNECTED, CONNECTING or
        NOT_CONNECTED."""
        return self.library._check("PT_GW_Status", self.library.raw.PT_GW_Status(self.id))

    def last_error(self) -> Tuple[int, str]:
        """(errno, text) of what ended the last connection or attempt."""
        function = self.library.raw.roviro2_last_error
        if function is None:
            return 0, ""
        text = ctypes.create_string_buffer(256)
        code = function(self.id, text, len(text))
        self.library._check("roviro2_last_error", code)
        return code, text.value.decode("latin-1")

    def wait_connected(self, timeout: float) -> None:
        """Waits at most `timeout` seconds for the connection to be up, asleep on
        the event descriptor; raises TimeoutError (with the last error) otherwise."""
        deadline = time.monotonic() + timeout
        while True:
            if self.status() == CONNECTED:
                return
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise TimeoutError(self._not_connected(timeout))
            self.library._sleep(min(remaining, _STATUS_INTERVAL))

    async def wait_connected_async(self, timeout: float) -> None:
        """wait_connected for asyncio: awaits the event descriptor."""
        loop = asyncio.get_running_loop()
        deadline = loop.time() + timeout
        while True:
            if self.status() == CONNECTED:
                return
            remaining = deadline - loop.time()
            if remaining <= 0:
                raise TimeoutError(self._not_connected(timeout))
            await self.library._sleep_async(min(remaining, _STATUS_INTERVAL))

    def _not_connected(self, timeout: float) -> str:
        code, text = self.last_error()
        why = f": {text} ({code})" if text else ""
        return f"gateway {self.id} not connected after {timeout} s{why}"

    def send(self, frame: bytes) -> None:
        """Sends one whole frame (length field first) as it is (PT_GW_SndMsg)."""
        frame = bytes(frame)
        if len(frame) < 2 or int.from_bytes(frame[:2], "little") > len(frame):
            # The library reads as many bytes as the length field says.
            raise ValueError("the frame is shorter than its length field")
        self.library._check("PT_GW_SndMsg", self.library.raw.PT_GW_SndMsg(self.id, _bytes_arg(frame)))

    def receive(self) -> Optional[bytes]:
        """The oldest frame received from this gateway, whole, or None."""
        buffer = (ctypes.c_uint8 * RECEIVE_BUFFER)()
        size = self.library._check("PT_GW_RcvMsg", self.library.raw.PT_GW_RcvMsg(self.id, buffer))
        return bytes(buffer[:size]) if size else None

    def fetch_frames(self, max_bytes: int = FETCH_BUFFER) -> List[bytes]:
        """The frames waiting from this gateway (see Library.fetch_frames)."""
        return self.library.fetch_frames(self.id, max_bytes)

    def tag_diag(self, port_sel: int) -> None:
        """Asks the gateway for a diagnosis of port_sel (1, 2, or both)."""
        self.library._command("PT_GW_TagDiag", self.id, port_sel)

    def set_poll_range(self, port: int, poll_range: int) -> None:
        self.library._command("PT_GW_SetPollRang", self.id, port, poll_range)


class Library:
    """The library, opened (PT_API_Open) on entry and closed on exit:

        with Library(gateways={1: ("127.0.0.1", 4660)}) as lib:
            gw = lib.gateway(1)
            gw.open()
            gw.wait_connected(5)

    ipindex_dir: where IPINDEX is read from (default: the current directory;
    a missing file there leaves the table as it was). gateways: entries added
    by code, {id: (address, port)}. Call everything from the thread that
    opened the library: it has no locks.
    """

    _current: Optional["Library"] = None

    def __init__(self, gateways: Optional[Dict[int, Tuple[str, int]]] = None,
                 ipindex_dir: Optional[Union[str, os.PathLike]] = None,
                 lib_path: Optional[str] = None):
        self.raw = Raw(lib_path)
        self._gateways = dict(gateways or {})
        self._ipindex_dir = ipindex_dir
        self._notice: Optional[Callable[[str], None]] = None
        self._notice_fn = None
        self.loaded = 0
        self.is_open = False

    @classmethod
    def current(cls) -> "Library":
        if cls._current is None:
            raise RuntimeError("no roviro2 Library is open")
        return cls._current

    # -- lifecycle ---------------------------------------------------------

    def open(self) -> "Library":
        """PT_API_Open, then the gateways given in code. Raises when
        ipindex_dir was given and its IPINDEX cannot be read."""
        if self._ipindex_dir is not None:
            if not os.path.isfile(os.path.join(self._ipindex_dir, "IPINDEX")):
                raise FileNotFoundError(f"no IPINDEX in {self._ipindex_dir}")
            # PT_API_Open reads ./IPINDEX.
            with _chdir(self._ipindex_dir):
                result = self.raw.PT_API_Open()
            self._check("PT_API_Open", result)
        else:
            result = self.raw.PT_API_Open()
        self.loaded = max(result, 0)
        self.is_open = True
        Library._current = self
        for gw_id, (address, port) in self._gateways.items():
            self.add_gateway(gw_id, address, port)
        return self

    def close(self) -> None:
        """PT_API_Close, and the notice handler back to the library's default."""
        if not self.is_open:
            return
        self.raw.PT_API_Close()
        self.set_notice_handler(None)
        self.is_open = False
        if Library._current is self:
            Library._current = None

    def __enter__(self) -> "Library":
        return self.open()

    def __exit__(self, *exc_info) -> None:
        self.close()

    @property
    def version(self) -> str:
        function = self.raw.roviro2_version
        return function().decode() if function else ""

    # -- results -------------------------------------------------------------

    def result_text(self, function: str, result: int) -> str:
        text_of = self.raw.roviro2_result_text
        if text_of is None:
            return "failed" if result < 0 else "ok"
        return text_of(function.encode(), result).decode("latin-1")

    def _check(self, function: str, result: int) -> int:
        if result < 0:
            raise Roviro2Error(function, result, self.result_text(function, result))
        return result

    def _command(self, function: str, *args: object) -> None:
        """Calls a command, turning the Python arguments into the C slots that
        its kinds name (a text or bytes argument brings its own count)."""
        kinds = self.raw.kinds[function]
        values: List[object] = []
        given = iter(args)
        for i, kind in enumerate(kinds):
            if kind == "c":
                continue
            value = next(given, _MISSING)
            if value is _MISSING:
                raise TypeError(f"{function}: too few arguments")
            counted = i + 1 < len(kinds) and kinds[i + 1] == "c"
            if kind in "tui":
                values.append(int(value))
            elif kind == "s":
                data = _encode(value, "text")
                if not counted and b"\0" in data:
                    # The library would stop there and send less than given.
                    raise ValueError(f"{function}: the text holds a zero byte")
                values += [data, len(data)] if counted else [data]
            elif kind in "bl":
                data = _encode(value, "data") if kind == "b" else bytes(value)
                values += [_bytes_arg(data), len(data)]
            else:
                raise TypeError(f"{function}: no argument for kind {kind!r}")
        if next(given, _MISSING) is not _MISSING:
            raise TypeError(f"{function}: too many arguments")
        self._check(function, getattr(self.raw, function)(*values))

    # -- the gateway table ---------------------------------------------------

    def gateway(self, gw_id: int) -> Gateway:
        """The gateway with this ID; raises when the table has none."""
        self._check("PT_GW_ID2Ndx", self.raw.PT_GW_ID2Ndx(gw_id))
        return Gateway(self, gw_id)

    def add_gateway(self, gw_id: int, address: str, port: int) -> Gateway:
        self._check("PT_GW_InsConf", self.raw.PT_GW_InsConf(gw_id, _encode(address, "address"), port))
        return Gateway(self, gw_id)

    def update_gateway(self, gw_id: int, address: str, port: int) -> None:
        self._check("PT_GW_UpdConf", self.raw.PT_GW_UpdConf(gw_id, _encode(address, "address"), port))

    def remove_gateway(self, gw_id: int) -> None:
        self._check("PT_GW_DelConf", self.raw.PT_GW_DelConf(gw_id))

    def gateways(self) -> List[Tuple[int, str, int]]:
        """Every entry not deleted: (ID, address, port)."""
        entries = []
        for index in range(self.raw.PT_GW_Cnt()):
            gw_id, port = ctypes.c_uint16(), ctypes.c_int32()
            address = ctypes.create_string_buffer(16)
            self._check("PT_GW_Conf", self.raw.PT_GW_Conf(index, gw_id, address, port))
            if gw_id.value:
                entries.append((gw_id.value, address.value.decode("latin-1"), port.value))
        return entries

    @property
    def default_gateway(self) -> int:
        return self.raw.PT_GW_GetDefault()

    @default_gateway.setter
    def default_gateway(self, gw_id: int) -> None:
        self._check("PT_GW_SetDefault", self.raw.PT_GW_SetDefault(gw_id))

    def all_status(self) -> List[int]:
        """PT_GW_AllStatus: the status of every entry, by index."""
        buffer = (ctypes.c_uint8 * max(self.raw.PT_GW_Cnt(), 1))()
        count = self._check("PT_GW_AllStatus", self.raw.PT_GW_AllStatus(buffer))
        return [ctypes.c_int8(b).value for b in buffer[:count]]

    # -- notices -------------------------------------------------------------

    def set_notice_handler(self, handler: Optional[Callable[[str], None]]) -> None:
        """Calls handler(text) for every notice (None: the library's default,
        a line on stderr). The library object keeps the callback alive."""
        install = self.raw.roviro2_set_notice_handler
        if install is None:
            return
        if handler is None:
            install(NOTICE_FN(), None)
            self._notice, self._notice_fn = None, None
            return

        def trampoline(text: bytes, _ctx: int) -> None:
            handler(text.decode("latin-1"))

        self._notice, self._notice_fn = handler, NOTICE_FN(trampoline)
        install(self._notice_fn, None)

    # -- events --------------------------------------------------------------

    def event_fd(self) -> int:
        function = self.raw.roviro2_event_fd
        return function() if function else -1

    def dispatch(self) -> int:
        """Runs every pending socket event without waiting."""
        function = self.raw.roviro2_dispatch
        if function:
            return function()
        self.raw.PT_GW_AllStatus((ctypes.c_uint8 * max(self.raw.PT_GW_Cnt(), 1))())
        return 0

    def _sleep(self, seconds: float) -> None:
        """Sleeps until socket events are pending or `seconds` pass, then runs them."""
        fd = self.event_fd()
        if fd >= 0:
            select.select([fd], [], [], seconds)
        else:
            time.sleep(min(seconds, 0.01))
        self.dispatch()

    async def _sleep_async(self, seconds: float) -> None:
        fd = self.event_fd()
        loop = asyncio.get_running_loop()
        if fd < 0:
            await asyncio.sleep(min(seconds, 0.01))
        else:
            ready = loop.create_future()
            loop.add_reader(fd, lambda: ready.done() or ready.set_result(None))
            try:
                await asyncio.wait_for(ready, seconds)
            except asyncio.TimeoutError:
                pass
            finally:
                loop.remove_reader(fd)
        self.dispatch()

    def wait(self, timeout: Optional[float] = None) -> int:
        """Sleeps until socket events are pending, at most `timeout` seconds
        (None: without end; 0: not at all), then runs them (roviro2_wait).
        Returns how many ran: 0 on time-out. It does not reconnect gateways:
        Gateway.status does."""
        function = self.raw.roviro2_wait
        if function is None:
            self._sleep(_STATUS_INTERVAL if timeout is None else max(timeout, 0))
            return 0
        milliseconds = -1 if timeout is None else min(max(math.ceil(timeout * 1000), 0), 2**31 - 1)
        return function(milliseconds)

    def batch(self) -> "Batch":
        """A context manager: the frames sent inside it go out together at its
        end, each gateway's in as few system calls as it takes (see Batch)."""
        return Batch(self)

    def set_receive_limit(self, limit: int) -> int:
        """Bounds the bytes of the frames queued from one gateway (0: no limit;
        the default is 16 MiB): at the limit the library stops reading that
        gateway until fetching brings them below half of it; nothing is
        dropped. Returns the limit set before (0 where the library has no
        such bound)."""
        function = self.raw.roviro2_set_receive_limit
        return function(limit) if function else 0

    def fetch_frames(self, gw_id: int = 0, max_bytes: int = FETCH_BUFFER) -> List[bytes]:
        """The frames waiting to be fetched, oldest first, each whole (length
        field first), and removed from the queue: those of gateway gw_id, or of
        every gateway for 0 (byte 4 of a frame tells its gateway). As many as
        fit into max_bytes with the library's 2 bytes of size per frame (4 for
        gw_id 0); the rest stay queued for the next call. The oldest comes even
        when it alone needs more, so the list is empty only when none waits."""
        if not 0 <= max_bytes <= 0xFFFFFFFF:
            raise ValueError(f"max_bytes {max_bytes} is not a 32-bit size")
        head = 4 if gw_id == 0 else 2
        fetch = self.raw.roviro2_fetch_frames
        if fetch is None:
            return self._fetch_one_by_one(gw_id, max_bytes, head)
        buffer = (ctypes.c_uint8 * max(max_bytes, 1))()
        used = ctypes.c_uint32()
        count = fetch(gw_id, buffer, max_bytes, used)
        if count == FETCH_TOO_SMALL:
            # used is the room the oldest frame needs.
            buffer = (ctypes.c_uint8 * used.value)()
            count = fetch(gw_id, buffer, used.value, used)
        self._check("roviro2_fetch_frames", count)
        return _frame_records(bytes(buffer[:used.value]), head)

    def _fetch_one_by_one(self, gw_id: int, max_bytes: int, head: int) -> List[bytes]:
        """fetch_frames through PT_GW_RcvReady and PT_GW_RcvMsg, for a library
        without the extensions."""
        frames: List[bytes] = []
        used = 0
        buffer = (ctypes.c_uint8 * RECEIVE_BUFFER)()
        while True:
            size = self._check("PT_GW_RcvReady", self.raw.PT_GW_RcvReady(gw_id))
            if size == 0 or (frames and used + head + size > max_bytes):
                return frames
            size = self._check("PT_GW_RcvMsg", self.raw.PT_GW_RcvMsg(gw_id, buffer))
            if size == 0:
                return frames
            frames.append(bytes(buffer[:size]))
            used += head + size

    def take_event(self, tag: Union[Tag, int, None] = None,
                   command: Optional[int] = None) -> Optional[Event]:
        """The oldest queued frame matching tag (a zero gateway, port or node
        matches any; None: every tag) and command (None: any), or None."""
        address = ctypes.c_uint32(tag.address if isinstance(tag, Tag) else (tag or 0))
        wanted = ctypes.c_int16(-1 if command is None else command)
        status, length = ctypes.c_int16(), ctypes.c_int16()
        data = (ctypes.c_uint8 * DATA_BUFFER)()
        # Bounded: each damaged frame is dropped, so this ends anyway.
        for _ in range(64):
            result = self.raw.PT_Tag_RcvMsg(address, wanted, status, data, length)
            if result == DAMAGED_FRAME:
                # A damaged frame was dropped: the next one may be sound.
                continue
            self._check("PT_Tag_RcvMsg", result)
            if result == NO_FRAME:
                return None
            return Event(address.value, wanted.value, None if status.value == -1 else status.value,
                         bytes(data[:max(length.value, 0)]))
        return None

    def next_event(self, tag: Union[Tag, int, None] = None, command: Optional[int] = None,
                   timeout: Optional[float] = None) -> Event:
        """The next event matching tag and command (see take_event), waiting at
        most `timeout` seconds (None: without end) asleep on the event
        descriptor; raises TimeoutError when none came."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            event = self.take_event(tag, command)
            if event is not None:
                return event
            remaining = None if deadline is None else deadline - time.monotonic()
            if remaining is not None and remaining <= 0:
                raise TimeoutError(f"no event within {timeout} s")
            self._sleep(1.0 if remaining is None else min(remaining, 1.0))

    async def next_event_async(self, tag: Union[Tag, int, None] = None,
                               command: Optional[int] = None,
                               timeout: Optional[float] = None) -> Event:
        """next_event for asyncio: awaits the event descriptor in the loop."""
        loop = asyncio.get_running_loop()
        deadline = None if timeout is None else loop.time() + timeout
        while True:
            event = self.take_event(tag, command)
            if event is not None:
                return event
            remaining = None if deadline is None else deadline - loop.time()
            if remaining is not None and remaining <= 0:
                raise TimeoutError(f"no event within {timeout} s")
            await self._sleep_async(1.0 if remaining is None else min(remaining, 1.0))

    def events(self, tag: Union[Tag, int, None] = None, command: Optional[int] = None,
               timeout: Optional[float] = None) -> Iterator[Event]:
        """The events matching tag and command, as they come; ends when none
        came for `timeout` seconds (None: never)."""
        while True:
            try:
                yield self.next_event(tag, command, timeout)
            except TimeoutError:
                return


class Batch:
    """Frames sent between entry and exit (by Gateway.send or any command)
    wait in their gateway's output buffer and go out at exit, in order
    (roviro2_batch_begin and roviro2_batch_end); a frame that does not fit
    still raises at its send. Batches nest: only the outermost exit writes.
    After exit, `waiting` is the count of gateways whose bytes the system
    could not take at once: the rest goes out at later status polls and
    dispatches. Exit raises Roviro2Error when no batch was open (the library
    was not open at entry). Without the extensions every frame goes out at
    once, as outside a batch."""

    def __init__(self, library: Library):
        self.library = library
        self.waiting: Optional[int] = None

    def __enter__(self) -> "Batch":
        begin = self.library.raw.roviro2_batch_begin
        if begin is not None:
            begin()
        return self

    def __exit__(self, *exc_info) -> None:
        # Ends the batch even when the block raised: an open batch would hold
        # every later frame.
        end = self.library.raw.roviro2_batch_end
        self.waiting = self.library._check("roviro2_batch_end", end()) if end else 0


def _frame_records(data: bytes, head: int) -> List[bytes]:
    """The frames of roviro2_fetch_frames' buffer: each record is the frame's
    size (2 bytes, little-endian), for gateway 0 then its gateway byte (2
    bytes), then the frame."""
    frames = []
    at = 0
    while at + head <= len(data):
        size = int.from_bytes(data[at:at + 2], "little")
        frames.append(data[at + head:at + head + size])
        at += head + size
    return frames


def _bytes_arg(data: bytes):
    """A byte array for a uint8_t* argument (never of length 0)."""
    return (ctypes.c_uint8 * max(len(data), 1)).from_buffer_copy(data or b"\0")


@contextlib.contextmanager
def _chdir(path):
    old = os.getcwd()
    os.chdir(path)
    try:
        yield
    finally:
        os.chdir(old)
