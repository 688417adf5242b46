#!/usr/bin/env python3
"""Writes the seed corpora of fuzz_frame and fuzz_records: valid frames and
payloads of the serial protocol (docs/protocol.md). Run from the fuzz folder."""
import os
import struct
import zlib


def cobs(data):
    out, block = bytearray(), bytearray()
    for b in data:
        if b == 0:
            out += bytes([len(block) + 1]) + block
            block = bytearray()
        else:
            block.append(b)
            if len(block) == 254:
                out += bytes([255]) + block
                block = bytearray()
    out += bytes([len(block) + 1]) + block
    return bytes(out)


def frame(mtype, seq, payload):
    body = bytes([mtype, seq]) + payload
    body += struct.pack('<I', zlib.crc32(body) & 0xFFFFFFFF)
    return b'\0' + cobs(body) + b'\0'


def text(s):
    b = s.encode('utf-8')
    return bytes([len(b)]) + b


def record(pos, typ, freq, audio, name):
    return struct.pack('<Bff', pos, freq, audio) + text(typ) + text(name)


FAV = bytes([1, 2, 3, 5, 6, 7]) + struct.pack('<h', 8) + bytes([2, 0])
RECS = [record(1, 'TV', 49.75, 6.5, '1'), record(2, 'DIGI', 474.0, 8.0, '13'),
        record(3, 'TV', 55.25, 6.5, '\u4e2d'), record(4, '', 0.0, 0.0, '')]
PLAN_CRC = zlib.crc32(b''.join(RECS)) & 0xFFFFFFFF

payloads = {
    'hello': (0x01, bytes([1, 1])),
    'hello-reply': (0x81, struct.pack('<BHHI', 1, 1024, 255, 3) + text('Simulated meter') + text('SIM-0001')),
    'read-begin': (0x02, struct.pack('<i', 0)),
    'read-begin-reply': (0x82, struct.pack('<HII', 4, PLAN_CRC, 3) + FAV),
    'read-records': (0x03, struct.pack('<iH', 0, 0)),
    'records': (0x83, struct.pack('<HB', 0, len(RECS)) + b''.join(RECS)),
    'write-favorites': (0x04, FAV),
    'write-begin': (0x05, struct.pack('<iHI', 0, 4, PLAN_CRC) + FAV),
    'write-records': (0x06, struct.pack('<HB', 0, len(RECS)) + b''.join(RECS)),
    'write-check': (0x07, struct.pack('<BHI', 1, 4, PLAN_CRC)),
    'end-transfer': (0x08, struct.pack('<BHI', 1, 4, PLAN_CRC)),
    'ack': (0x90, bytes([0x06])),
    'nak': (0x91, bytes([0x05, 3]) + text('instrument refuses writes')),
}

os.makedirs('corpus/fuzz_frame', exist_ok=True)
os.makedirs('corpus/fuzz_records', exist_ok=True)
for name, (mtype, payload) in payloads.items():
    with open(f'corpus/fuzz_records/{name}.bin', 'wb') as f:
        f.write(bytes([mtype]) + payload)
    with open(f'corpus/fuzz_frame/{name}.bin', 'wb') as f:
        f.write(frame(mtype, 7, payload))
with open('corpus/fuzz_frame/noise-then-two-frames.bin', 'wb') as f:
    f.write(b'\x13\xff\x00garbage' + frame(0x01, 1, bytes([1, 1])) + frame(0x90, 2, bytes([1])))
with open('corpus/fuzz_frame/long-zero-payload.bin', 'wb') as f:
    f.write(frame(0x83, 9, bytes(508)))
