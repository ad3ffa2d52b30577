#!/usr/bin/env python3
"""Makes room for the launcher's stub header in a linked PE image.

GNU ld puts the PE signature right after the 128-byte DOS header and stub,
where the launcher's 24-byte stub header must go. This moves the PE
signature, the file header, the optional header and the section table to
NEW_OFFSET (256), zero-fills everything from 128 up to there, and points
e_lfanew at the new place. It refuses an image whose headers would then run
into the first section's raw data, or that keeps anything else in its header
area. SizeOfHeaders grows only when the moved headers need it.

usage: make-header-room.py INPUT OUTPUT [--max-size BYTES]
"""
import struct
import sys

DOS_MAGIC = b"MZ"
PE_SIGNATURE = b"PE\0\0"
E_LFANEW_OFFSET = 0x3C
STUB_HEADER_OFFSET = 128
STUB_HEADER_END = 152
NEW_OFFSET = 256
FILE_HEADER_SIZE = 20
SECTION_HEADER_SIZE = 40
PE32_MAGIC = 0x10B
PE32_PLUS_MAGIC = 0x20B

# Offsets inside the optional header (the same in PE32 and PE32+ up to here).
OPT_FILE_ALIGNMENT = 36
OPT_SIZE_OF_HEADERS = 60
OPT_CHECKSUM = 64
OPT_PE32_DIRECTORY_COUNT = 92
OPT_PE32_PLUS_DIRECTORY_COUNT = 108
DIRECTORY_SECURITY = 4  # its "RVA" is a file offset, and it lies past the sections


class Refusal(Exception):
    pass


def align_up(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def pe_checksum(image):
    """The PE checksum of an image whose checksum field holds zero."""
    total = 0
    for (word,) in struct.iter_unpack("<H", image + b"\0" * (len(image) % 2)):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def make_room(image):
    if len(image) < 64 or image[:2] != DOS_MAGIC:
        raise Refusal("not an MZ image")
    (e_lfanew,) = struct.unpack_from("<I", image, E_LFANEW_OFFSET)
    if image[e_lfanew:e_lfanew + 4] != PE_SIGNATURE:
        raise Refusal("no PE signature at e_lfanew")
    file_header = e_lfanew + 4
    section_count, = struct.unpack_from("<H", image, file_header + 2)
    optional_size, = struct.unpack_from("<H", image, file_header + 16)
    optional = file_header + FILE_HEADER_SIZE
    magic, = struct.unpack_from("<H", image, optional)
    if magic not in (PE32_MAGIC, PE32_PLUS_MAGIC):
        raise Refusal(f"unknown optional header magic 0x{magic:X}")
    sections = optional + optional_size
    headers_end = sections + section_count * SECTION_HEADER_SIZE
    headers_length = headers_end - e_lfanew

    first_raw = len(image)
    for index in range(section_count):
        raw_size, raw_pointer = struct.unpack_from("<II", image, sections + index * SECTION_HEADER_SIZE + 16)
        if raw_size != 0 and raw_pointer != 0:
            first_raw = min(first_raw, raw_pointer)

    if e_lfanew >= STUB_HEADER_END and not any(image[STUB_HEADER_OFFSET:STUB_HEADER_END]):
        return image, e_lfanew  # already has the room
    if e_lfanew < STUB_HEADER_OFFSET:
        raise Refusal(f"the DOS stub runs past offset {STUB_HEADER_OFFSET} (e_lfanew {e_lfanew})")

    new_end = NEW_OFFSET + headers_length
    if new_end > first_raw:
        raise Refusal(f"the headers would end at {new_end}, past the first section's raw data at {first_raw}")
    if any(image[headers_end:new_end]):
        raise Refusal(f"bytes {headers_end}..{new_end} after the section table are in use")

    # Anything else that an image may keep in its header area (bound imports,
    # say) would be left behind by the move.
    directory_count_offset = OPT_PE32_DIRECTORY_COUNT if magic == PE32_MAGIC else OPT_PE32_PLUS_DIRECTORY_COUNT
    directory_count, = struct.unpack_from("<I", image, optional + directory_count_offset)
    size_of_headers, = struct.unpack_from("<I", image, optional + OPT_SIZE_OF_HEADERS)
    for index in range(directory_count):
        if index == DIRECTORY_SECURITY:
            continue
        rva, size = struct.unpack_from("<II", image, optional + directory_count_offset + 4 + index * 8)
        if size != 0 and rva < size_of_headers:
            raise Refusal(f"data directory {index} lies in the header area")

    out = bytearray(image)
    out[STUB_HEADER_OFFSET:new_end] = b"\0" * (new_end - STUB_HEADER_OFFSET)
    out[NEW_OFFSET:new_end] = image[e_lfanew:headers_end]
    struct.pack_into("<I", out, E_LFANEW_OFFSET, NEW_OFFSET)

    new_optional = NEW_OFFSET + 4 + FILE_HEADER_SIZE
    file_alignment, = struct.unpack_from("<I", out, new_optional + OPT_FILE_ALIGNMENT)
    if new_end > size_of_headers:
        struct.pack_into("<I", out, new_optional + OPT_SIZE_OF_HEADERS, align_up(new_end, file_alignment))
    checksum, = struct.unpack_from("<I", out, new_optional + OPT_CHECKSUM)
    if checksum != 0:
        struct.pack_into("<I", out, new_optional + OPT_CHECKSUM, 0)
        struct.pack_into("<I", out, new_optional + OPT_CHECKSUM, pe_checksum(bytes(out)))
    return bytes(out), NEW_OFFSET


def main(argv):
    args = argv[1:]
    max_size = None
    if "--max-size" in args:
        at = args.index("--max-size")
        max_size = int(args[at + 1])
        del args[at:at + 2]
    if len(args) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    source, target = args
    with open(source, "rb") as handle:
        image = handle.read()
    try:
        moved, offset = make_room(image)
    except Refusal as refusal:
        sys.exit(f"{source}: refused: {refusal}")
    with open(target, "wb") as handle:
        handle.write(moved)
    name = target.rsplit("/", 1)[-1]
    print(f"{name}: {len(moved)} bytes ({len(moved) / 1024:.1f} KiB), PE header at {offset}")
    if max_size is not None and len(moved) > max_size:
        sys.exit(f"{name}: {len(moved)} bytes is more than the limit of {max_size}")


if __name__ == "__main__":
    main(sys.argv)
