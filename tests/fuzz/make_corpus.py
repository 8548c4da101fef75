#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: for every export, calls with typical and
boundary arguments, answered well, with status 1, from another address and
through each transport fault; and a few chains of calls in a row.

    python3 tests/fuzz/make_corpus.py [out-dir]    (default: tests/fuzz/corpus)

The input format is the one fuzz_target.cpp reads.
"""
import hashlib
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
EXPORTS = os.path.join(HERE, '..', '..', 'api', 'exports.txt')

RAW_INT = 0x80
FAULTS = 0xD0  # + index: short by one, over by one, refuse, -1, unavailable, read nothing
FAULT_COUNT = 6
FOREIGN = 0x80  # address byte 0x80 stands for address 0x01
READ_SIZE = 248
HEADER = 4

# Byte arguments and the int argument (None: the export takes none) of a
# typical call, and the reply data count that answers it in full.
TYPICAL = {
    'GetRecData': ([], 7, 0),
    'MF_Request': ([0], None, 2),
    'MF_Anticoll': ([], None, 5),
    'MF_Select': ([], None, 4),
    'MF_Halt': ([], None, 0),
    'SetDeviceAddress': ([0x05], None, 1),
    'SetBandrate': ([0x02], None, 1),
    'SetSerNum': ([], None, 1),
    'TYPEB_SFZSNR': ([0, 0], None, 9),
    'GetSerNum': ([], None, 9),
    'ControlLED': ([1, 2], None, 1),
    'ControlBuzzer': ([1, 2], None, 1),
    'GetVersionNum': ([], None, 20),
    'TypeB_Request': ([], None, 12),
    'Type_B': ([], None, 12),
    'MF_Restore': ([0], 4, 4),
    'MF_Getsnr': ([0, 0], None, 5),
    'ISO15693_WriteUserInfo': ([0], 2, 0),
    'MF_Read': ([0x60, 4, 1], None, 20),
    'MF_Write': ([0x60, 4, 1], None, 4),
    'MF_InitValue': ([0x60, 5], None, 4),
    'MF_Dec': ([0x60, 5], None, 8),
    'MF_Inc': ([0x60, 5], None, 8),
    'ISO15693_Read': ([0x22, 0, 4], None, 16),
    'ISO15693_Write': ([0x22, 0, 1], None, 1),
    'ISO15693_Lock': ([0x22, 1], None, 1),
    'TypeB_TransCOS': ([], 5, 10),
    'MF_TypeATransCOSCmd': ([], 5, 10),
    'ISO15693_TransCOSCmd': ([], 5, 10),
    'ISO15693_GetSysInfo': ([0x22], None, 15),
    'ISO15693_GetMulSecurity': ([0x22, 0, 3], None, 4),
    'ISO15693_Inventory': ([], None, 31),
    'ISO15693_StayQuiet': ([0x22], None, 1),
    'ISO15693_Select': ([0x22], None, 1),
    'ISO15693_ResetToReady': ([0x22], None, 1),
    'ISO15693_LockAFI': ([0x22], None, 1),
    'ISO15693_LockDSFID': ([0x22], None, 1),
    'ISO15693_WriteAFI': ([0x22, 7], None, 1),
    'ISO15693_WriteDSFID': ([0x22, 7], None, 1),
    'UL_HLRead': ([0, 4], None, 23),
    'UL_HLWrite': ([0, 4], None, 7),
    'UL_Request': ([0], None, 7),
}

# Arguments at and past each limit.
BOUNDARY = [
    ('MF_Request', [1], None), ('MF_Request', [2], None), ('MF_Request', [255], None),
    ('MF_Read', [0, 0, 0], None), ('MF_Read', [0, 0, 15], None), ('MF_Read', [0, 0, 16], None),
    ('MF_Read', [0, 0, 255], None),
    ('MF_Write', [0, 0, 0], None), ('MF_Write', [0, 0, 10], None), ('MF_Write', [0, 0, 15], None),
    ('MF_Write', [0, 0, 16], None), ('MF_Write', [0, 0, 255], None),
    ('UL_HLRead', [0, 15], None), ('UL_HLRead', [0, 16], None), ('UL_HLRead', [0, 255], None),
    ('UL_HLWrite', [0, 0], None), ('UL_HLWrite', [0, 1], None), ('UL_HLWrite', [0, 15], None),
    ('UL_HLWrite', [0, 16], None),
    ('ISO15693_Read', [0x02, 0, 0], None), ('ISO15693_Read', [0x02, 0, 255], None),
    ('ISO15693_Write', [0x02, 0, 0], None), ('ISO15693_Write', [0x02, 0, 61], None),
    ('ISO15693_Write', [0x02, 0, 62], None), ('ISO15693_Write', [0x22, 0, 59], None),
    ('ISO15693_Write', [0x22, 0, 60], None), ('ISO15693_Write', [0x22, 0, 255], None),
    ('ISO15693_Lock', [0x02, 0], None), ('ISO15693_Lock', [0x22, 255], None),
    ('ISO15693_GetMulSecurity', [0x02, 0, 0], None),
    ('ISO15693_GetMulSecurity', [0x02, 0, 0x80], None),
    ('ISO15693_ResetToReady', [0x02], None), ('ISO15693_GetSysInfo', [0x20], None),
    ('ISO15693_LockAFI', [0x62], None), ('ISO15693_WriteDSFID', [0x12, 0xFF], None),
]
for name in ('MF_Restore', 'ISO15693_WriteUserInfo', 'TypeB_TransCOS', 'MF_TypeATransCOSCmd',
             'ISO15693_TransCOSCmd', 'GetRecData'):
    byte_args = TYPICAL[name][0]
    for count in (0, 1, 126, 127, 247, 248, 249, 250, 251, 256, -1, -256, 2**31 - 1, -2**31):
        BOUNDARY.append((name, byte_args, count))


def exports():
    names = []
    with open(EXPORTS) as f:
        for line in f:
            if line[:1].isdigit():
                names.append(line.split()[1])
    return names


def encode_int(value):
    return bytes([RAW_INT]) + struct.pack('<i', value)


def reply(status, data_count, length=None, address=0, delivered=None):
    data = bytes((0x30 + i) & 0xFF for i in range(data_count))
    tail = data + bytes([0x5C, 0xBB])  # stand-ins for the reply's XOR and end mark
    if length is None:
        length = 1 + data_count
    if delivered is None:
        delivered = min(HEADER + len(tail), READ_SIZE)
    body = tail[:max(0, delivered - HEADER)]
    return bytes([delivered, address, length & 0xFF, status]) + body


def call(index, byte_args, count, transport=0x00, answer=None, fill=0x40):
    out = bytes([index]) + bytes(byte_args)
    if count is not None:
        out += encode_int(count)
    out += bytes([fill, transport])
    return out + (answer if answer is not None else reply(0, 0))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, 'corpus')
    os.makedirs(out_dir, exist_ok=True)
    names = exports()
    index = {name: i for i, name in enumerate(names)}
    seeds = []
    for name in names:
        byte_args, count, data = TYPICAL[name]
        i = index[name]
        seeds.append(call(i, byte_args, count, answer=reply(0, data)))
        seeds.append(call(i, byte_args, count, answer=reply(1, data)))
        seeds.append(call(i, byte_args, count, answer=reply(0x83, data)))
        seeds.append(call(i, byte_args, count, answer=reply(0, data, address=FOREIGN)))
        seeds.append(call(i, byte_args, count, answer=reply(0, 126, length=0x7F, delivered=8)))
        seeds.append(call(i, byte_args, count, answer=reply(0, data, length=0x80)))
        seeds.append(call(i, byte_args, count, answer=reply(0, 244, length=0xFF)))
        for fault in range(FAULT_COUNT):
            seeds.append(call(i, byte_args, count, transport=FAULTS + fault, answer=reply(0, data)))
    for name, byte_args, count in BOUNDARY:
        seeds.append(call(index[name], byte_args, count, answer=reply(0, 244, length=0x7F)))
    # Calls in a row: a long good reply, then a short or missing one.
    chains = [
        ('MF_Read', 'GetVersionNum'), ('GetVersionNum', 'TypeB_TransCOS'),
        ('ISO15693_Inventory', 'ISO15693_GetSysInfo'), ('MF_Write', 'MF_Restore'),
        ('TypeB_TransCOS', 'MF_TypeATransCOSCmd'), ('ISO15693_Read', 'ISO15693_GetMulSecurity'),
    ]
    for first, second in chains:
        a_args, a_count, _ = TYPICAL[first]
        b_args, b_count, b_data = TYPICAL[second]
        long_reply = reply(0, 244, length=0x7F)
        seeds.append(call(index[first], a_args, a_count, answer=long_reply) +
                     call(index[second], b_args, b_count, answer=reply(0, b_data, delivered=3)))
        seeds.append(call(index[first], a_args, a_count, answer=long_reply) +
                     call(index[second], b_args, b_count, transport=FAULTS + 5))
    for seed in seeds:
        name = hashlib.sha1(seed).hexdigest()
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(seed)
    print(f'{len(seeds)} seeds in {out_dir}')


if __name__ == '__main__':
    main()
