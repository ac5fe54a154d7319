#!/usr/bin/python3
"""Annotation blocks for the tests, built from the block format's tables alone (little-endian
int32 fields, 8-byte names, the size field and, in IntFormat 0, one more word after it).
Writes one file per case into the folder given.

Usage: annotation_blocks.py folder
"""
import os
import struct
import sys

SET_BLOCK, MARK_ATTRIBUTES, MARK_BLOCK = 2, 5, 6


def i32(*values):
    return b"".join(struct.pack("<i", v) for v in values)


def attributes(mark_type, font_height=None):
    """164 attribute bytes: the type, then a pattern the tests repeat (byte i is i * 7 + 3),
    with the font height at 48 when one is given."""
    record = bytearray((i * 7 + 3) & 0xFF for i in range(164))
    record[0:4] = i32(mark_type)
    if font_height is not None:
        record[48:52] = i32(font_height)
    return bytes(record)


def header(int_format):
    return i32(0, int_format)


def named(block_type, name, data, int_format=1, size=None):
    """A named block; size replaces the true data size when given."""
    extra = b"" if int_format == 1 else i32(0x5A5A5A5A)
    return (i32(block_type, 12) + name.encode().ljust(8, b"\0")[:8] +
            i32(len(data) if size is None else size) + extra + data)


def mark(record):
    return i32(MARK_ATTRIBUTES, 164) + record


def text(value):
    return value.encode() + b"\0"


def points(pairs, maximum=None):
    count = len(pairs)
    return i32(count if maximum is None else maximum, count) + b"".join(i32(x, y) for x, y in pairs)


def text_record(value, scale):
    return i32(0, 1000) + struct.pack("<I", scale) + i32(len(value)) + text(value)


def writer_trailer(index):
    """The group and index blocks the writer puts after every mark."""
    return named(MARK_BLOCK, "OiGroup", text("0")) + named(MARK_BLOCK, "OiIndex", text(str(index)))


def writer_start():
    return (header(1) + named(SET_BLOCK, "OiGroup", text("0")) +
            named(SET_BLOCK, "OiIndex", text("1")))


def mixed_marks(int_format):
    """Every kind of block the reader keeps or passes over, in one IntFormat."""
    f = int_format
    return (header(f) + named(SET_BLOCK, "OiGroup", text("g"), f) +
            named(SET_BLOCK, "OiAnoDat", bytes(56), f) +
            mark(attributes(3)) + named(MARK_BLOCK, "OiAnoDat", points([(1, 2), (3, 4), (-5, 6)], 9), f) +
            named(MARK_BLOCK, "OiFilNam", text("c:\\scan.tif"), f) +
            mark(attributes(5)) + named(MARK_BLOCK, "Unknown", b"\1\2\3", f) +
            mark(attributes(2)) + named(MARK_BLOCK, "OiAnoDat", bytes(range(56)), f) +
            mark(attributes(8, font_height=12)) +
            named(MARK_BLOCK, "OiAnText", text_record("Hello", 750), f) +
            named(MARK_BLOCK, "OiIndex", text("3"), f))


def cases():
    yield "saved_two_points", (writer_start() + mark(attributes(3)) +
                               named(MARK_BLOCK, "OiAnoDat", points([(10, 20), (-30, 40)])) +
                               writer_trailer(0))
    yield "saved_text", (writer_start() + mark(attributes(7, font_height=-16)) +
                         named(MARK_BLOCK, "OiAnText", text_record("Caption", 750)) +
                         writer_trailer(0))
    yield "saved_plain_marks", (writer_start() + mark(attributes(5)) + writer_trailer(0) +
                                mark(attributes(11)) + writer_trailer(1))
    yield "mixed_format0", mixed_marks(0)
    yield "mixed_format1", mixed_marks(1)
    # Marks after which a block does not fit; the marks before it are kept.
    first = mark(attributes(3)) + named(MARK_BLOCK, "OiAnoDat", points([(7, 8)]))
    yield "cut_point_count", (header(1) + first + mark(attributes(4)) +
                              named(MARK_BLOCK, "OiAnoDat", i32(2, 0x10000000)))
    yield "cut_size", (header(1) + first + mark(attributes(6)) +
                       named(MARK_BLOCK, "OiGroup", text("0"), size=1000))
    yield "cut_attributes", header(1) + first + mark(attributes(9))[:100]
    yield "cut_text_end", (header(1) + first + mark(attributes(6)) +
                           named(MARK_BLOCK, "OiIndex", b"12345", size=2))
    yield "cut_block_header", header(1) + first + i32(MARK_BLOCK, 12) + b"OiAn"


# Screen resolutions the font-height cases are read at, and the (creation scale, stored
# height) pairs of their text marks.
TEXT_DPIS = (96, 64, 120, 72, 300, -96, 0)
TEXT_MARKS = [(scale, height)
              for scale in (750, 1000, 562, 7, 1, 0, 0x80000000, 0xFFFFFFFF)
              for height in (12, -12, 5, 3, 1, 0, 100000, -2147483648, 2147483647)]


def rescaled_height(scale, height, dpi):
    """The height a text mark made at that creation scale has on this screen: 72000 / scale x
    height / dpi in doubles, rounded half to even; kept when it cannot be computed or does not
    fit an int32."""
    if scale == 0 or dpi == 0:
        return height
    value = round(72000.0 / scale * height / dpi)
    return value if -2**31 <= value < 2**31 else height


def text_height_cases():
    for dpi in TEXT_DPIS:
        block = header(1)
        expected = []
        for scale, height in TEXT_MARKS:
            block += (mark(attributes(9, font_height=height)) +
                      named(MARK_BLOCK, "OiAnText", text_record("t", scale)))
            expected.append(rescaled_height(scale, height, dpi))
        yield "text_heights_%d" % dpi, block, " ".join(str(h) for h in expected) + "\n"


def main():
    folder = sys.argv[1]
    for name, block in cases():
        with open(os.path.join(folder, name + ".bin"), "wb") as out:
            out.write(block)
    for name, block, heights in text_height_cases():
        with open(os.path.join(folder, name + ".bin"), "wb") as out:
            out.write(block)
        with open(os.path.join(folder, name + ".txt"), "w") as out:
            out.write(heights)


if __name__ == "__main__":
    main()
