#!/usr/bin/env python3
"""Writes demo.hex, the sample program file for trying a download against the simulator.

About 20 KB of Intel-hex text with CR LF line ends: an extended linear address, 16-byte data records over
two 64 KB segments, a start address and the end-of-file record. The data is a fixed pseudo-random pattern, so
the file is the same on every run. Usage: make-demo-hex.py [output] (default: demo.hex beside this script).
"""

import pathlib
import sys

RECORD_BYTES = 16
DATA_BYTES = 7200  # 450 data records: about 20 KB of text
FIRST_ADDRESS = 0x0001F800  # crosses into the next 64 KB segment half-way through


def record(kind, address, data):
    body = bytes([len(data), address >> 8 & 0xFF, address & 0xFF, kind]) + data
    checksum = -sum(body) & 0xFF
    return ":" + body.hex().upper() + f"{checksum:02X}\r\n"


def pattern(count):
    value = 0x5A
    for _ in range(count):
        value = (value * 109 + 89) & 0xFF
        yield value


def program_text():
    lines = []
    segment = None
    data = bytes(pattern(DATA_BYTES))
    for offset in range(0, len(data), RECORD_BYTES):
        address = FIRST_ADDRESS + offset
        if address >> 16 != segment:
            segment = address >> 16
            lines.append(record(0x04, 0, segment.to_bytes(2, "big")))
        lines.append(record(0x00, address & 0xFFFF, data[offset:offset + RECORD_BYTES]))
    lines.append(record(0x05, 0, FIRST_ADDRESS.to_bytes(4, "big")))
    lines.append(record(0x01, 0, b""))
    return "".join(lines)


def main():
    default = pathlib.Path(__file__).with_name("demo.hex")
    output = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    output.write_bytes(program_text().encode("ascii"))


if __name__ == "__main__":
    main()
