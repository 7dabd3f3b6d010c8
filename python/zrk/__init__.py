"""Reader for ZRK-1 data files (".dat"): the per-frame table and the frames as numpy arrays.

    import zrk
    take = zrk.open("take.dat")        # the player's checks; zrk.ZrkError carries its message
    rows = take.table()                # FrameRow per frame: index, camera_frame, date_time, ...
    mosaic = take.raw(0)               # (H, W) uint8, the sensor's blue/green - green/red mosaic
    picture = take.rgb(0, "/path/libzrkimage.so")   # (H, W, 3) uint8 through the image library

Standard library and numpy only; colour needs libzrkimage (a path, or ZRKIMAGE_LIBRARY).
"""

from .datafile import (CSV_HEADER, DataFile, FrameHeader, FrameRow, ZrkError, iso_date_time,
                       open, rate_base, seconds_text)
from .colour import ImageLibrary, load_library

__all__ = ["CSV_HEADER", "DataFile", "FrameHeader", "FrameRow", "ImageLibrary", "ZrkError",
           "iso_date_time", "load_library", "open", "rate_base", "seconds_text"]
