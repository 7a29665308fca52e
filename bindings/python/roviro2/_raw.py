# SPDX-License-Identifier: MIT
"""The raw layer: the shared library loaded with ctypes, every export bound
with its argument types and a signed 32-bit result."""
import ctypes
import ctypes.util
import os
import struct
import sys
from pathlib import Path
from typing import Optional

from ._exports import EXPORTS

NOTICE_FN = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)

# The POSIX extensions: name -> (result type, argument types).
EXTENSIONS = {
    "roviro2_set_notice_handler": (None, (NOTICE_FN, ctypes.c_void_p)),
    "roviro2_dispatch": (ctypes.c_int, ()),
    "roviro2_event_fd": (ctypes.c_int, ()),
    "roviro2_last_error": (ctypes.c_int, (ctypes.c_uint32, ctypes.c_char_p, ctypes.c_int)),
    "roviro2_set_receive_limit": (ctypes.c_size_t, (ctypes.c_size_t,)),
    "roviro2_version": (ctypes.c_char_p, ()),
    "roviro2_result_text": (ctypes.c_char_p, (ctypes.c_char_p, ctypes.c_int32)),
    "roviro2_batch_begin": (None, ()),
    "roviro2_batch_end": (ctypes.c_int32, ()),
    "roviro2_wait": (ctypes.c_int, (ctypes.c_int,)),
    "roviro2_fetch_frames": (ctypes.c_int32, (ctypes.c_uint32, ctypes.POINTER(ctypes.c_uint8),
                                              ctypes.c_uint32, ctypes.POINTER(ctypes.c_uint32))),
}


def _candidates() -> list:
    """Where the library is looked for, in order: $ROVIRO2_LIB, next to this
    package, then the system loader."""
    names = ["roviro2.dll"] if sys.platform == "win32" else (
        ["libroviro2.dylib"] if sys.platform == "darwin" else ["libroviro2.so.1", "libroviro2.so"])
    found = []
    env = os.environ.get("ROVIRO2_LIB")
    if env:
        found.append(env)
    here = Path(__file__).resolve().parent
    found += [str(here / name) for name in names if (here / name).exists()]
    system = ctypes.util.find_library("roviro2")
    found += [system] if system else []
    found += names
    return found


def _loader():
    # 32-bit Windows exports use __stdcall; every other platform has one
    # calling convention.
    if sys.platform == "win32" and struct.calcsize("P") == 4:
        return ctypes.WinDLL
    return ctypes.CDLL


class Raw:
    """Every PT_ export as an attribute with checked argument types; the
    extensions too, where the library has them (None otherwise)."""

    def __init__(self, path: Optional[str] = None):
        loader = _loader()
        if path is not None:
            dll = loader(path)
        else:
            errors = []
            dll = None
            for candidate in _candidates():
                try:
                    dll = loader(candidate)
                    path = candidate
                    break
                except OSError as error:
                    errors.append(f"{candidate}: {error}")
            if dll is None:
                raise OSError("the roviro2 library was not found (set ROVIRO2_LIB): "
                              + "; ".join(errors))
        self.path = path
        self.dll = dll
        self.kinds = {}
        for name, _ordinal, kinds, _names, argtypes, _family in EXPORTS:
            function = getattr(dll, name)
            function.argtypes = argtypes
            function.restype = ctypes.c_int32
            setattr(self, name, function)
            self.kinds[name] = kinds
        for name, (restype, argtypes) in EXTENSIONS.items():
            # The extensions are C functions (cdecl) everywhere.
            try:
                function = getattr(ctypes.CDLL(path) if loader is not ctypes.CDLL else dll, name)
            except (AttributeError, OSError):
                function = None
            if function is not None:
                function.argtypes = argtypes
                function.restype = restype
            setattr(self, name, function)
