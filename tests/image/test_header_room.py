"""The post-link step that makes room for the stub header, on small PE
images built here in code."""
import importlib.util
import os
import struct
import unittest

TOOL = os.environ.get("TARNWICK_HEADER_ROOM_TOOL",
                      os.path.join(os.path.dirname(__file__), "..", "..", "tools", "make-header-room.py"))
module_spec = importlib.util.spec_from_file_location("header_room", TOOL)
header_room = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(header_room)

OPTIONAL_SIZE = 224  # PE32


def synthetic_image(sections=3, first_raw=0x400, e_lfanew=128, size_of_headers=0x400, after_table=b""):
    """A PE32 image laid out the way GNU ld lays one out."""
    data = bytearray(first_raw + 0x200 * sections)
    data[0:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, e_lfanew)
    data[64:64 + 14] = b"DOS stub code."
    data[e_lfanew:e_lfanew + 4] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", data, e_lfanew + 4, 0x14C, sections, 0, 0, 0, OPTIONAL_SIZE, 0x0102)
    optional = e_lfanew + 24
    struct.pack_into("<H", data, optional, 0x10B)
    struct.pack_into("<I", data, optional + 36, 0x200)  # FileAlignment
    struct.pack_into("<I", data, optional + 60, size_of_headers)
    struct.pack_into("<I", data, optional + 92, 16)  # NumberOfRvaAndSizes
    table = optional + OPTIONAL_SIZE
    for i in range(sections):
        raw = first_raw + 0x200 * i
        struct.pack_into("<8sIIII", data, table + 40 * i, b".s%d" % i, 0x100, 0x1000 * (i + 1), 0x200, raw)
        data[raw:raw + 4] = b"SEC%d" % i
    end = table + 40 * sections
    data[end:end + len(after_table)] = after_table
    return bytes(data), end


class MakeRoomTest(unittest.TestCase):
    def test_moves_the_headers_of_a_linked_image(self):
        image, headers_end = synthetic_image()
        moved, offset = header_room.make_room(image)
        self.assertEqual(offset, 256)
        self.assertEqual(struct.unpack_from("<I", moved, 0x3C)[0], 256)
        self.assertEqual(moved[:0x3C], image[:0x3C], "the DOS header stays")
        self.assertEqual(moved[0x40:128], image[0x40:128], "the DOS stub stays")
        self.assertEqual(moved[128:256], bytes(128), "128..255 must be zero")
        self.assertEqual(moved[256:256 + headers_end - 128], image[128:headers_end])
        self.assertEqual(moved[0x400:], image[0x400:], "section data must not move")
        self.assertEqual(len(moved), len(image))

    def test_size_of_headers_grows_only_when_needed(self):
        rows = [
            ("already large enough", 0x400, 0x400),
            ("too small for the moved headers", 0x200, 0x400),
        ]
        for name, declared, expected in rows:
            with self.subTest(name):
                image, _ = synthetic_image(size_of_headers=declared)
                moved, _ = header_room.make_room(image)
                self.assertEqual(struct.unpack_from("<I", moved, 256 + 24 + 60)[0], expected)

    def test_refusals(self):
        rows = [
            ("headers would run into the first section", dict(first_raw=0x200), "past the first section"),
            ("DOS stub longer than 128 bytes", dict(e_lfanew=0x40), "DOS stub"),
            ("bytes after the section table in use", dict(after_table=b"\x01"), "in use"),
        ]
        for name, layout, message in rows:
            with self.subTest(name):
                image, _ = synthetic_image(**layout)
                with self.assertRaises(header_room.Refusal) as refused:
                    header_room.make_room(image)
                self.assertIn(message, str(refused.exception))

    def test_an_image_with_room_stays_as_it_is(self):
        image, _ = synthetic_image()
        moved, _ = header_room.make_room(image)
        again, offset = header_room.make_room(moved)
        self.assertEqual(offset, 256)
        self.assertEqual(again, moved)

    def test_a_checksum_is_kept_valid(self):
        image, _ = synthetic_image()
        image = bytearray(image)
        struct.pack_into("<I", image, 128 + 24 + 64, 0x1234)
        moved, _ = header_room.make_room(bytes(image))
        checksum_at = 256 + 24 + 64
        stored = struct.unpack_from("<I", moved, checksum_at)[0]
        zeroed = bytearray(moved)
        struct.pack_into("<I", zeroed, checksum_at, 0)
        # Word sum with end-around carry, plus the length: the PE checksum.
        total = 0
        for (word,) in struct.iter_unpack("<H", bytes(zeroed)):
            total = (total + word) & 0xFFFFFFFF
            total = (total & 0xFFFF) + (total >> 16)
        self.assertEqual(stored, total + len(moved))


if __name__ == "__main__":
    unittest.main()
