#!/usr/bin/env python3
"""Writes the four stand-in firmware images as Intel HEX texts.

Each image is laid out like the controller's real firmware: an interrupt
vector table of 43 jumps (0x0000-0x00AB), a gap up to 0x00FF, then the
application from 0x0100 with the firmware build date at 0x0102. The
application bytes are deterministic pseudo-random filler, so the texts are
reproducible byte for byte. Run it from anywhere; it writes next to itself.
"""

import os
import sys

VECTOR_COUNT = 43
APP_START = 0x0100
DATE_ADDRESS = 0x0102

# name, build date, image end address (inclusive), expected text length and data bytes
IMAGES = [
    ("myres_display", "Jan 14 2022", 0x1E73, 21754, 7712),
    ("myres", "Apr 22 2022", 0x3947, 41067, 14580),
    ("myres_display_0x03", "Nov  3 2022", 0x1C7D, 20334, 7210),
    ("myres_0x04", "Feb 17 2023", 0x4667, 50517, 17940),
]


def record(rtype, address, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, rtype]) + bytes(data)
    checksum = (-sum(body)) & 0xFF
    return ":" + body.hex().upper() + "%02X" % checksum + "\r\n"


def filler(seed, count):
    """A small linear congruential generator; the high byte of each step."""
    state = seed
    out = bytearray()
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((state >> 16) & 0xFF)
    return out


def image_segments(index, date, end):
    vectors = bytearray()
    for v in range(VECTOR_COUNT):
        # "jmp" to a handler in the application area (word address).
        target = (APP_START + 0x40 + 4 * v) // 2
        vectors += bytes([0x0C, 0x94, target & 0xFF, target >> 8])
    app = filler(0x5EED + index, end - APP_START + 1)
    app[0:2] = bytes([0x0B, 0xC0])  # rjmp over the date text
    text = date.encode("ascii") + b"\0"
    start = DATE_ADDRESS - APP_START
    app[start:start + len(text)] = text
    return [(0x0000, vectors), (APP_START, app)]


def hex_text(segments):
    lines = [record(0x02, 0, b"\x00\x00")]
    data_bytes = 0
    for base, data in segments:
        for offset in range(0, len(data), 16):
            chunk = data[offset:offset + 16]
            lines.append(record(0x00, base + offset, chunk))
            data_bytes += len(chunk)
    lines.append(record(0x03, 0, b"\x00\x00\x00\x00"))
    lines.append(record(0x01, 0, b""))
    return "".join(lines), data_bytes


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for index, (name, date, end, want_len, want_data) in enumerate(IMAGES):
        text, data_bytes = hex_text(image_segments(index, date, end))
        longest = max(len(line) - 2 for line in text.split("\r\n") if line)
        if (len(text), data_bytes) != (want_len, want_data) or longest > 43:
            sys.exit("%s: length %d, data bytes %d, longest line %d" %
                     (name, len(text), data_bytes, longest))
        with open(os.path.join(here, name + ".hex"), "wb") as f:
            f.write(text.encode("ascii"))
        print("%s.hex: %d bytes, %d data bytes, end 0x%04X" % (name, len(text), data_bytes, end))


if __name__ == "__main__":
    main()
