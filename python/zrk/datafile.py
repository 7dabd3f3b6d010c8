"""Data file layout, the player's open checks, the frame table and the raw frames."""

import builtins
import datetime
import operator
import os
import stat
import struct
from collections import namedtuple

import numpy as np

FILE_HEADER = struct.Struct("<2sii")          # signature "ZR", FileSize, DataOffset
INFO_HEADER = struct.Struct("<iiih8s")        # HeaderSize, FrameCount, TriggerFrame, IdNumber
FRAME_HEADER = struct.Struct("<4s8sHHH6hHhh4Hi3h74s")
DATA_OFFSET = FILE_HEADER.size + INFO_HEADER.size  # 32
assert FRAME_HEADER.size == 128

# Image size codes: (width, height, base rate the record speed codes count in).
IMAGE_SIZES = [(200, 200, 300), (256, 256, 240), (512, 256, 160), (512, 512, 90)]
# (image size code, record speed code) of the high-speed rates; slow rates are base x s - 1.
HIGH_RATES = {(0, 0), (1, 0), (2, 0), (0, 1), (1, 1), (0, 2), (3, 0), (2, 1), (3, 1), (3, 2)}
SLOW_SECONDS = (1, 2, 5, 10, 60)
LARGEST_MEMORY = 134217728 << 2  # 512 MiB: the most one download can hold

CSV_HEADER = "index,camera_frame,date_time,time_from_trigger_s,trigger,analog"

NOT_WITHIN = "ZRK file data not within specifications"


class ZrkError(Exception):
    """A data file that cannot be used; str() is the player's message for it."""


FrameHeader = namedtuple("FrameHeader", [
    "magic", "width", "height", "year", "month", "day", "hour", "minute", "second", "real_frame",
    "trigger", "analog", "red_gain", "green_gain", "blue_gain", "gamma", "record_speed",
    "shutter_code", "gain_code", "image_size_code"])

FrameRow = namedtuple("FrameRow", ["index", "camera_frame", "date_time", "time_from_trigger_s",
                                   "trigger", "analog"])
FrameRow.__doc__ = """One frame: its index in the file, its number in camera memory, the recording
clock (ISO 8601, None when the header's date does not exist), seconds from the trigger (None
without a trigger or a known rate), the trigger mark and the analog input value; None is what the
CSV leaves empty and the JSON of zrkctl writes as null."""


def _frame_header(raw):
    (magic, _r0, width, height, _r1, year, month, day, hour, minute, second, real_frame, trigger,
     analog, red, green, blue, gamma, speed, shutter, gain, size, _r2) = FRAME_HEADER.unpack(raw)
    return FrameHeader(magic, width, height, year, month, day, hour, minute, second, real_frame,
                       trigger, analog, red, green, blue, gamma, speed, shutter, gain, size)


def rate_base(record_speed, image_size_code):
    """The size's base rate when the code is one the camera records with at that size, else 0.
    A frame then lasts (record_speed + 1) / base seconds."""
    if not 0 <= image_size_code < len(IMAGE_SIZES):
        return 0
    base = IMAGE_SIZES[image_size_code][2]
    if 0 <= record_speed <= 2:
        known = (image_size_code, record_speed) in HIGH_RATES
    else:
        known = any(base * s - 1 == record_speed for s in SLOW_SECONDS)
    return base if known else 0


def iso_date_time(header):
    """The header's clock as "2026-12-07T16:42:23" ("20" + year % 100), "" when it does not exist."""
    if header.year < 0:
        return ""
    try:
        moment = datetime.datetime(2000 + header.year % 100, header.month, header.day,
                                   header.hour, header.minute, header.second)
    except ValueError:
        return ""
    return moment.isoformat()


def seconds_text(seconds):
    """Seconds as the CSV writes them: six decimals, "." whatever the locale."""
    return "%.6f" % seconds


class DataFile:
    """An opened data file: both headers checked, the first frame header read."""

    def __init__(self, path):
        self.path = os.fspath(path)
        try:
            info = os.stat(self.path)
            if not stat.S_ISREG(info.st_mode):
                raise OSError
            handle = builtins.open(self.path, "rb")
        except OSError:
            raise ZrkError("Cannot open ZRK data file.") from None
        with handle:
            raw = handle.read(FILE_HEADER.size)
            if len(raw) != FILE_HEADER.size:
                raise ZrkError("Cannot read ZRK_DATA_FILE_HEADER.")
            signature, self.file_size, self.data_offset = FILE_HEADER.unpack(raw)
            if signature != b"ZR":
                raise ZrkError("Selected file not ZRK file.")
            raw = handle.read(INFO_HEADER.size)
            if len(raw) != INFO_HEADER.size:
                raise ZrkError("Cannot read ZRK_DATA_INFO_HEADER.")
            header_size, self.frame_count, self.trigger_frame_field, self.id_number, _ = \
                INFO_HEADER.unpack(raw)
            if header_size != INFO_HEADER.size or self.data_offset != DATA_OFFSET:
                raise ZrkError(NOT_WITHIN)
            raw = handle.read(FRAME_HEADER.size)
            if len(raw) != FRAME_HEADER.size:
                raise ZrkError("Cannot read ZRK file header.")
        self.first = _frame_header(raw)
        if self.first.magic != b"ZRK\0":
            raise ZrkError("No header in ZRK data.")
        # Only what a download from the camera can be, as the player accepts it.
        sizes = [(w, h) for w, h, _ in IMAGE_SIZES]
        if (self.first.width, self.first.height) not in sizes:
            raise ZrkError(NOT_WITHIN)
        self.width, self.height = self.first.width, self.first.height
        self.record_bytes = self.width * self.height + FRAME_HEADER.size
        capacity = LARGEST_MEMORY // self.record_bytes
        if not 1 <= self.frame_count <= capacity:
            raise ZrkError(NOT_WITHIN)
        if not DATA_OFFSET + self.record_bytes <= self.file_size <= DATA_OFFSET + LARGEST_MEMORY:
            raise ZrkError(NOT_WITHIN)
        self.last_frame = self.frame_count - 1

    @property
    def trigger_frame(self):
        """TriggerFrame when it lies inside the file, else None."""
        t = self.trigger_frame_field
        return t if 0 <= t <= self.last_frame else None

    def __len__(self):
        return self.frame_count

    def _record(self, index, handle=None):
        """Frame index's record (header and raw bytes), checked as the image library checks it."""
        index = operator.index(index)  # numpy integers too, never a float
        if not 0 <= index <= self.last_frame:
            raise IndexError("frame %r is not in 0..%d" % (index, self.last_frame))
        start = self.data_offset + index * self.record_bytes
        end = start + self.record_bytes
        if end > self.file_size or end > os.stat(self.path).st_size:
            raise ZrkError("Cannot read ZRK file.")
        if handle is None:
            with builtins.open(self.path, "rb") as own:
                return self._record(index, own)
        handle.seek(start)
        raw = handle.read(self.record_bytes)
        if len(raw) != self.record_bytes:
            raise ZrkError("Cannot read ZRK file.")
        if raw[:4] != b"ZRK\0":
            raise ZrkError("No header in ZRK data.")
        return raw

    def header(self, index):
        """Frame index's own header."""
        return _frame_header(self._record(index)[:FRAME_HEADER.size])

    def raw(self, index):
        """Frame index's raw mosaic: (H, W) uint8, top row first."""
        data = self._record(index)[FRAME_HEADER.size:]
        return np.frombuffer(data, dtype=np.uint8).reshape(self.height, self.width).copy()

    def seconds_from_trigger(self, index):
        """Seconds of frame index after the trigger frame (negative before it), or None."""
        base = rate_base(self.first.record_speed, self.first.image_size_code)
        if self.trigger_frame is None or base == 0:
            return None
        # One division of whole numbers, as the program divides.
        return (index - self.trigger_frame) * (self.first.record_speed + 1) / base

    def table(self, start=0, end=None, step=1):
        """FrameRow for frames start, start + step, ... up to end (default the last). A frame that
        cannot be read raises ZrkError with the program's message."""
        end = self.last_frame if end is None else min(end, self.last_frame)
        start = max(start, 0)
        if step < 1:
            raise ValueError("step must be at least 1")
        rows = []
        with builtins.open(self.path, "rb") as handle:
            for i in range(start, end + 1, step):
                h = _frame_header(self._record(i, handle)[:FRAME_HEADER.size])
                rows.append(FrameRow(i, h.real_frame, iso_date_time(h) or None,
                                     self.seconds_from_trigger(i), h.trigger, h.analog))
        return rows

    def table_csv(self, start=0, end=None, step=1):
        """The table as the program writes it: RFC 4180 with a header line and CR LF."""
        lines = [CSV_HEADER]
        for r in self.table(start, end, step):
            t = "" if r.time_from_trigger_s is None else seconds_text(r.time_from_trigger_s)
            lines.append("%d,%d,%s,%s,%d,%d" % (r.index, r.camera_frame, r.date_time or "", t,
                                                r.trigger, r.analog))
        return "".join(line + "\r\n" for line in lines)

    def rgb(self, index, library=None, sharpen=None):
        """Frame index in colour, (H, W, 3) uint8, through libzrkimage: library is its path or an
        ImageLibrary; None looks at ZRKIMAGE_LIBRARY. sharpen is (radius, strength) or None."""
        from .colour import ImageLibrary, load_library
        lib = library if isinstance(library, ImageLibrary) else load_library(library)
        return lib.play(self, index, sharpen)


def open(path):  # noqa: A001 - zrk.open, like the built-in for files
    """Opens a data file with the player's checks; ZrkError with its message otherwise."""
    return DataFile(path)
