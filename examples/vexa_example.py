#!/usr/bin/env python3
"""Drives the reader through the vexa library with ctypes: inventories the
ISO/IEC 15693 tags, reads a MIFARE Classic block under key A and asks the
Type B card for its identity serial number.

    python3 vexa_example.py [PATH_TO_LIBRARY]

Without a path it loads vexa.dll (Windows) or libvexa.so (Linux) the way
the system finds them.
"""
import ctypes
import sys

OK = 0
KEY_MODE_A = 0x00
FLAGS_NON_ADDRESSED = 0x02
BLOCK_SIZE = 16
RECORD_SIZE = 10  # response flags, DSFID, UID (least significant byte first)
MOST_RECORDS = 24

Bytes = ctypes.POINTER(ctypes.c_ubyte)
u8 = ctypes.c_ubyte


def load(path=None):
    if sys.platform == "win32":
        lib = ctypes.WinDLL(path or "vexa.dll")  # __stdcall
    else:
        lib = ctypes.CDLL(path or "libvexa.so")
    prototypes = {
        "GetVersionNum": [Bytes],
        "MF_Read": [u8, u8, u8, Bytes, Bytes],
        "ISO15693_Inventory": [Bytes, Bytes],
        "TYPEB_SFZSNR": [u8, u8, Bytes, Bytes],
    }
    for name, args in prototypes.items():
        fn = getattr(lib, name)
        fn.argtypes = args
        fn.restype = ctypes.c_int
    return lib


def buffer(size, content=b""):
    b = (ctypes.c_ubyte * size)()
    for i, x in enumerate(content):
        b[i] = x
    return b


def main():
    lib = load(sys.argv[1] if len(sys.argv) > 1 else None)

    version = buffer(127)
    if lib.GetVersionNum(version) != OK:
        print("no reader", file=sys.stderr)
        return 1
    print("reader:", bytes(version).split(b"\0")[0].decode())

    count, records = buffer(1), buffer(RECORD_SIZE * MOST_RECORDS)
    result = lib.ISO15693_Inventory(count, records)
    if result != OK:
        print(f"ISO15693_Inventory returned {result}", file=sys.stderr)
        return 1
    for i in range(count[0]):
        record = bytes(records[i * RECORD_SIZE:(i + 1) * RECORD_SIZE])
        print("tag:", record[2:][::-1].hex().upper(), "DSFID", f"0x{record[1]:02X}")

    # MF_Read puts the card's serial number over key[0..3]: a fresh key
    # buffer for every call.
    key, data = buffer(6, b"\xff" * 6), buffer(BLOCK_SIZE)
    result = lib.MF_Read(KEY_MODE_A, 1, 1, key, data)
    if result != OK:
        print(f"MF_Read returned {result} (detail 0x{data[0]:02X})", file=sys.stderr)
        return 1
    print("card:", bytes(key[:4]).hex().upper(), "block 1:", bytes(data).decode("ascii", "replace"))

    info, serial = buffer(1), buffer(8)
    result = lib.TYPEB_SFZSNR(0x00, 0x00, info, serial)  # wake-up, leave active
    if result != OK:
        print(f"TYPEB_SFZSNR returned {result}", file=sys.stderr)
        return 1
    print("identity serial:", bytes(serial).hex().upper())
    return 0


if __name__ == "__main__":
    sys.exit(main())
