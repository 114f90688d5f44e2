#!/usr/bin/env python3
"""Writes the S-record sources of the updater example's firmware files.

universal.s19 and universal-fx.s19 fill a USB interface's update block
(0xF8000-0xFBFFF, the version text at 0x58 of the block, key and checksum
bytes left blank); the FX file also carries its logic arrays from 0x1000000.
osbdm_s08.s19 is a board image in the debug circuit's flash window
(0x10B0-0xFBFF), with its eight version bytes at 0xFBF0 (build 32, revision 0).
The build packs the interface files beside the programs.

    scripts/make-updater-firmware.py examples/updater 6.20
"""
import pathlib
import sys

USB_BLOCK = 0xF8000
BLOCK_SIZE = 0x4000
FX_LOGIC_START = 0x1000000
FX_LOGIC_SIZE = 0x3A00


def record(kind, address, data):
    widths = {"S1": 2, "S2": 3, "S3": 4}
    width = widths[kind]
    body = [len(data) + width + 1] + list(address.to_bytes(width, "big")) + list(data)
    check = (~sum(body)) & 0xFF
    return kind + "".join(f"{b:02X}" for b in body) + f"{check:02X}\r\n"


def records(kind, start, image, row=32):
    lines = []
    for at in range(0, len(image), row):
        part = image[at:at + row]
        if all(b == 0xFF for b in part):
            continue
        lines.append(record(kind, start + at, part))
    return lines


def interface_image(version):
    image = bytearray([0xFF] * BLOCK_SIZE)
    for i in range(0x2000):
        image[i] = (i * 7 + 3) & 0xFF
    for i in range(0x3000, 0x3F00):
        image[i] = (i ^ 0xA5) & 0xFF
    image[0x58:0x58 + len(version)] = version.encode()
    return image


def header():
    return "S0" + record("S1", 0, b"VLX")[2:]


def ending(kind):
    return {"S1": "S9030000FC\r\n", "S2": "S804000000FB\r\n", "S3": "S70500000000FA\r\n"}[kind]


def main():
    folder = pathlib.Path(sys.argv[1])
    version = sys.argv[2]
    universal = records("S2", USB_BLOCK, interface_image(version))
    (folder / "universal.s19").write_text(header() + "".join(universal) + ending("S2"), newline="")
    logic = bytes((i * 11 + 1) & 0xFF for i in range(FX_LOGIC_SIZE))
    fx = records("S2", USB_BLOCK, interface_image(version)) + records("S3", FX_LOGIC_START, logic)
    (folder / "universal-fx.s19").write_text(header() + "".join(fx) + ending("S3"), newline="")
    board = bytearray([0xFF] * 0x10000)
    for address in range(0x10B0, 0x2400):
        board[address] = (address * 5 + 9) & 0xFF
    for address in range(0xF000, 0xFC00):
        board[address] = (address ^ 0x3C) & 0xFF
    # VERSION_HW, VERSION_SW, BUILD_VER, TARGET_TYPE, FIRMWARE_TYPE, BUILD_VER_REV, BOARD_ID, OSBDM_ID
    board[0xFBF0:0xFBF8] = bytes([1, 1, 32, 2, 1, 0, 0, 0])
    (folder / "osbdm_s08.s19").write_text(header() + "".join(records("S1", 0, board)) + ending("S1"), newline="")


if __name__ == "__main__":
    main()
