# SPDX-License-Identifier: MIT
"""Python binding of the roviro2 library (ctypes, no compiled extension).

The raw layer, ``roviro2.Raw``, has every export with checked argument types;
above it ``Library`` (a context manager), ``Gateway``, ``Tag`` with a method
per command, ``Event``, ``Batch`` (``Library.batch()``) and ``Roviro2Error``.
"""
from ._api import (CANNOT_START, CONNECTED, CONNECTING, DAMAGED_FRAME, FETCH_TOO_SMALL, FRAME_TAKEN,
                   NEVER_OPENED, NO_FRAME, NO_GATEWAY, NOT_CONNECTED, NOT_UP, SEND_FAILED, SENT,
                   Batch, Event, Gateway, Library, Roviro2Error, Tag, tag_addr)
from ._exports import EXPORTS
from ._raw import Raw

__all__ = [
    "CANNOT_START", "CONNECTED", "CONNECTING", "DAMAGED_FRAME", "EXPORTS", "FETCH_TOO_SMALL",
    "FRAME_TAKEN", "NEVER_OPENED", "NO_FRAME", "NO_GATEWAY", "NOT_CONNECTED", "NOT_UP", "Raw",
    "SEND_FAILED", "SENT", "Batch", "Event", "Gateway", "Library", "Roviro2Error", "Tag",
    "tag_addr",
]
