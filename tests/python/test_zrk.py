"""The Python reader against what the program itself says: data files downloaded from zrkcam by
zrkctl, zrkctl's own frame table, the player's open messages, and the image library's bitmaps."""

import json
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest

import numpy as np

import zrk

BIN = os.environ.get("ZRK_BIN_DIR", "")
SOURCE = os.environ.get("ZRK_SOURCE_DIR", "")
LIBRARY = os.path.join(BIN, "libzrkimage.so")

# demo.state with the analog input on, so that the analog values move.
STATE = """memory 1
rmod 1 0 3 0 1 1 500
anig 2
clock 2020 06 01 12 00 00
region 0 2044 500 2020 06 01 11 58 30
"""


def ctl(*args, check=True):
    """Runs zrkctl with the suite's own settings file; (status, stdout bytes, stderr text)."""
    done = subprocess.run([os.path.join(BIN, "zrkctl"), "--settings", Suite.settings] + list(args),
                          capture_output=True, timeout=120)
    if check and done.returncode != 0:
        raise AssertionError("zrkctl %s: %s" % (" ".join(args), done.stderr.decode()))
    return done.returncode, done.stdout, done.stderr.decode()


def read_bitmap(path):
    """A 24-bit bitmap file as (H, W, 3) RGB, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) // 4 * 4
    rows = [np.frombuffer(data, np.uint8, width * 3, offset + r * stride).reshape(width, 3)
            for r in range(abs(height))]
    picture = np.stack(rows[::-1] if height > 0 else rows)
    return picture[..., ::-1]


class Suite(unittest.TestCase):
    settings = ""

    @classmethod
    def setUpClass(cls):
        if not BIN:
            raise unittest.SkipTest("ZRK_BIN_DIR is not set")
        cls.dir = tempfile.mkdtemp(prefix="zrk-python-")
        Suite.settings = os.path.join(cls.dir, "zrk.ini")
        state = os.path.join(cls.dir, "camera.state")
        with open(state, "w") as f:
            f.write(STATE)
        cls.cam = subprocess.Popen([os.path.join(BIN, "zrkcam"), "--command-port", "0", "--data-port", "0",
                                    "--state", state], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        line = cls.cam.stdout.readline().decode()
        m = re.match(r"zrkcam listening on \S+ command=(\d+) data=(\d+)", line)
        assert m, line
        cls.camera = "127.0.0.1:%s:%s" % m.groups()
        # Frames 1530..1559 of region 1: the trigger mark (frame 1543) lies inside.
        cls.take = os.path.join(cls.dir, "take.dat")
        ctl("--camera", cls.camera, "download", "1", "1530", "1559", cls.take)

    @classmethod
    def tearDownClass(cls):
        cls.cam.terminate()
        cls.cam.wait(10)
        shutil.rmtree(cls.dir, ignore_errors=True)

    def variant(self, name, change):
        """A copy of the downloaded file with change(bytearray) applied."""
        with open(self.take, "rb") as f:
            data = bytearray(f.read())
        change(data)
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_the_table_is_the_frame_headers_and_zrkctl_s_table(self):
        take = zrk.open(self.take)
        self.assertEqual((take.frame_count, take.width, take.height), (30, 256, 256))
        rows = take.table()
        self.assertEqual([r.camera_frame for r in rows], list(range(1530, 1560)))
        self.assertEqual([r.index for r in rows if r.trigger], [13])
        self.assertGreater(len({r.analog for r in rows}), 1)  # the analog input moved
        self.assertTrue(all(r.date_time.startswith("2020-06-01T11:58:") for r in rows))
        _, csv, _ = ctl("frames", self.take)
        self.assertEqual(take.table_csv().encode(), csv)
        _, text, _ = ctl("frames", self.take, "--json")
        frames = json.loads(text)["frames"]
        self.assertEqual([zrk.FrameRow(**{k: f[k] for k in zrk.FrameRow._fields}) for f in frames], rows)
        out = os.path.join(self.dir, "some.csv")
        ctl("export", self.take, "--csv", out, "--range", "3:20", "--interval", "4")
        with open(out, "rb") as f:
            self.assertEqual(f.read(), take.table_csv(3, 20, 4).encode())

    def test_headers_the_camera_never_writes_agree_with_zrkctl_too(self):
        def change(data):
            record = 32 + 2 * 65664
            struct.pack_into("<hh", data, record + 20, 2, 30)  # 30 February
            struct.pack_into("<Hhh", data, record + 30, 0xFFFF, -7, -300)  # frame, trigger, analog
        path = self.variant("odd.dat", change)
        row = zrk.open(path).table()[2]
        self.assertEqual((row.date_time, row.camera_frame, row.trigger, row.analog), (None, 65535, -7, -300))
        self.assertEqual(zrk.open(path).table_csv().encode(), ctl("frames", path)[1])
        frames = json.loads(ctl("frames", path, "--json")[1])["frames"]
        self.assertIsNone(frames[2]["date_time"])

    def test_time_from_the_trigger_agrees_with_zrkctl_for_every_kind_of_rate(self):
        cases = [  # (record speed code, trigger frame, image size code)
            (0, 13, 1), (1, 0, 1), (239, 29, 1), (2, 13, 1), (0, -1, 1), (0, 30, 1), (3, 5, 1)]
        for code, trigger, size in cases:
            with self.subTest(code=code, trigger=trigger):
                def change(data):
                    struct.pack_into("<i", data, 18, trigger)
                    struct.pack_into("<i", data, 32 + 44, code)
                path = self.variant("rate.dat", change)
                take = zrk.open(path)
                times = [r.time_from_trigger_s for r in take.table()]
                base = zrk.rate_base(code, size)
                if base and 0 <= trigger < 30:
                    self.assertEqual(times[trigger], 0.0)
                    self.assertAlmostEqual(times[-1] - times[0], 29 * (code + 1) / base)
                else:
                    self.assertEqual(times, [None] * 30)
                self.assertEqual(take.table_csv().encode(), ctl("frames", path)[1])

    def test_opening_gives_the_player_s_messages(self):
        def put(fmt, offset, value):
            return lambda data: struct.pack_into(fmt, data, offset, value)

        def cut(n):
            return lambda data: data.__delitem__(slice(n, None))

        cases = [
            ("folder", None, "Cannot open ZRK data file."),
            ("missing", None, "Cannot open ZRK data file."),
            ("5 bytes", cut(5), "Cannot read ZRK_DATA_FILE_HEADER."),
            ("not ZR", put("<2s", 0, b"XR"), "Selected file not ZRK file."),
            ("10 bytes", cut(10), "Cannot read ZRK_DATA_INFO_HEADER."),
            ("header size 24", put("<i", 10, 24), "ZRK file data not within specifications"),
            ("data offset 33", put("<i", 6, 33), "ZRK file data not within specifications"),
            ("no frame header", cut(100), "Cannot read ZRK file header."),
            ("no magic", put("<4s", 32, b"XRK\0"), "No header in ZRK data."),
            ("no frames", put("<i", 14, 0), "ZRK file data not within specifications"),
            ("too many frames", put("<i", 14, 100000), "ZRK file data not within specifications"),
            ("width 300", put("<H", 32 + 12, 300), "ZRK file data not within specifications"),
            ("FileSize under a frame", put("<i", 2, 1000), "ZRK file data not within specifications"),
        ]
        for name, change, message in cases:
            with self.subTest(name):
                if name == "folder":
                    path = self.dir
                elif name == "missing":
                    path = os.path.join(self.dir, "none.dat")
                else:
                    path = self.variant("bad.dat", change)
                with self.assertRaises(zrk.ZrkError) as raised:
                    zrk.open(path)
                self.assertEqual(str(raised.exception), message)
                status, _, err = ctl("frames", path, check=False)
                self.assertEqual(status, 1)
                self.assertIn("Play Control: " + message, err)

    def test_missing_frames_fail_with_the_library_s_message(self):
        path = self.variant("short.dat", lambda data: data.__delitem__(slice(32 + 20 * 65664 + 50, None)))
        take = zrk.open(path)  # FrameCount is not checked against the length on opening
        self.assertEqual(len(take.table(0, 19)), 20)
        for read in (take.table, lambda: take.raw(20), lambda: take.rgb(20, LIBRARY)):
            with self.assertRaises(zrk.ZrkError) as raised:
                read()
            self.assertEqual(str(raised.exception), "Cannot read ZRK file.")
        with self.assertRaises(IndexError):
            take.raw(30)

    def test_colour_frames_equal_the_image_library_s_bitmaps(self):
        take = zrk.open(self.take)
        folder = os.path.join(self.dir, "bitmaps")
        ctl("export", self.take, "--bmp", folder, "--range", "10:14")
        for i in range(10, 15):
            with self.subTest(frame=i):
                picture = take.rgb(i, LIBRARY)
                self.assertEqual((picture.shape, picture.dtype), ((256, 256, 3), np.uint8))
                np.testing.assert_array_equal(picture, read_bitmap(os.path.join(folder, "%05d.bmp" % i)))
        # The raw mosaic is the record's bytes after its header.
        with open(self.take, "rb") as f:
            f.seek(32 + 12 * 65664 + 128)
            expected = np.frombuffer(f.read(65536), np.uint8).reshape(256, 256)
        np.testing.assert_array_equal(take.raw(12), expected)
        self.assertFalse(np.array_equal(take.raw(12), take.raw(13)))

    def test_the_library_is_found_by_path_or_environment(self):
        take = zrk.open(self.take)
        saved = os.environ.pop(zrk.colour.ENVIRONMENT, None)
        try:
            with self.assertRaises(zrk.ZrkError):
                take.rgb(0)
            os.environ[zrk.colour.ENVIRONMENT] = LIBRARY
            np.testing.assert_array_equal(take.rgb(0), take.rgb(0, LIBRARY))
            with self.assertRaises(zrk.ZrkError):
                take.rgb(0, os.path.join(self.dir, "libnothing.so"))
        finally:
            os.environ.pop(zrk.colour.ENVIRONMENT, None)
            if saved is not None:
                os.environ[zrk.colour.ENVIRONMENT] = saved


if __name__ == "__main__":
    unittest.main()
