"""Colour frames through the image library (libzrkimage) by ctypes."""

import ctypes
import operator
import os

import numpy as np

from .datafile import FRAME_HEADER, ZrkError

ENVIRONMENT = "ZRKIMAGE_LIBRARY"

# Library status words and what the player says for them.
_STATUS_TEXT = {1: "Cannot read ZRK file.", 3: "Cannot convert ZRK data to bitmap.",
                4: "Cannot change play image size.", 5: "No header in ZRK data."}


class _Surface(ctypes.Structure):
    _fields_ = [("pixels", ctypes.c_void_p), ("width", ctypes.c_int32), ("height", ctypes.c_int32),
                ("stride", ctypes.c_int32)]


class _Enhance(ctypes.Structure):
    _fields_ = [("radius", ctypes.c_int16), ("strength", ctypes.c_int16)]


class ImageLibrary:
    """libzrkimage loaded from path."""

    def __init__(self, path):
        try:
            self._lib = ctypes.CDLL(os.fspath(path))
        except OSError as error:
            raise ZrkError("Cannot load the image library %s: %s" % (path, error)) from None
        play = self._lib.CombRGB_Play
        play.restype = ctypes.c_int32
        play.argtypes = [ctypes.POINTER(_Surface), ctypes.c_char_p, ctypes.c_int32, ctypes.c_int32,
                         ctypes.c_int32, ctypes.c_int32, ctypes.POINTER(_Enhance), ctypes.c_void_p,
                         ctypes.c_int32, ctypes.c_int32, ctypes.POINTER(ctypes.c_int16)]
        self._play = play
        self.path = os.fspath(path)

    def play(self, data_file, index, sharpen=None):
        """Frame index of an opened DataFile as (H, W, 3) uint8 RGB, drawn 1:1."""
        index = operator.index(index)
        if not 0 <= index <= data_file.last_frame:
            raise IndexError("frame %r is not in 0..%d" % (index, data_file.last_frame))
        if data_file.data_offset + (index + 1) * data_file.record_bytes > data_file.file_size:
            raise ZrkError("Cannot read ZRK file.")  # past FileSize counts as missing
        w, h = data_file.width, data_file.height
        pixels = np.zeros((h, w), dtype=np.uint32)
        surface = _Surface(pixels.ctypes.data, w, h, w * 4)
        enhance = None if sharpen is None else ctypes.byref(_Enhance(*sharpen))
        header = ctypes.create_string_buffer(FRAME_HEADER.size)
        status = ctypes.c_int16(0)
        ok = self._play(ctypes.byref(surface), os.fsencode(data_file.path), w, h, w, h, enhance,
                        header, data_file.data_offset, index, ctypes.byref(status))
        if not ok:
            raise ZrkError(_STATUS_TEXT.get(status.value, "Image library status %d" % status.value))
        # 0xffRRGGBB in host order.
        return np.stack([(pixels >> 16) & 0xFF, (pixels >> 8) & 0xFF, pixels & 0xFF],
                        axis=-1).astype(np.uint8)


_loaded = {}


def load_library(path=None):
    """libzrkimage from path, else from the ZRKIMAGE_LIBRARY environment variable."""
    path = path or os.environ.get(ENVIRONMENT)
    if not path:
        raise ZrkError("libzrkimage not found: pass its path or set %s" % ENVIRONMENT)
    path = os.fspath(path)
    if path not in _loaded:
        _loaded[path] = ImageLibrary(path)
    return _loaded[path]
