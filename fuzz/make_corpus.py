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
    # The protocol document's example batches: four channels compact (1.1) and
    # packed (1.2), and two irregular ones packed at the kHz.
    'write-records-compact': (0x06, bytes.fromhex('000004A8DE4D940A02433108C00C22C00C02')),
    'write-records-packed': (0x06, bytes.fromhex('0000040254DE4D940A905104C00C11C00C01')),
    'write-records-packed-khz': (0x06, bytes.fromhex(
        '0000040354A6E005C865BAB555D23C807DB05E804E80D49FD2DB84')),
    # 1.2: the HelloReply names the instrument by a CRC, Identify asks for
    # the texts, and the WriteBegin carries the first records.
    'hello-reply-1.2': (0x81, struct.pack('<BHHII', 3, 1024, 255, 7, 0x7CE79072)),
    'identify': (0x09, b''),
    'identify-reply': (0x89, text('Meter') + text('A1')),
    'write-begin-packed': (0x05, struct.pack('<iHI', 0, 4, 0x442750F4) + FAV
                           + bytes.fromhex('040254DE4D940A905104C00C11C00C01')),
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

# fuzz_link: the instrument's replies of whole exchanges, each as a kind byte
# (0 the reply type the request expects, 1 a refusal, 4 silence), a u16 length
# and the payload. The PC reads the plan, sends a 40-channel plan, ends it,
# asks for the plan header, then writes the panel.
def reply(payload, kind=0):
    return bytes([kind]) + struct.pack('<H', len(payload)) + payload


def ack(request_type):
    return reply(bytes([request_type]))


def hello_reply(version):
    return reply(struct.pack('<BHHI', version, 1024, 255, 3) + text('Simulated meter') + text('SIM-0001'))


def summary(count, crc, generation):
    return reply(struct.pack('<HII', count, crc, generation) + FAV)


SENT = [record(i, 'TV' if i % 3 else 'DIGI', 49.75 + 8.0 * i, 6.5 if i % 3 else 8.0, f'C{i}')
        for i in range(1, 41)]
SENT_CRC = zlib.crc32(b''.join(SENT)) & 0xFFFFFFFF
GOOD = [record(1, 'TV', 49.75, 6.5, '1'), record(2, 'DIGI', 474.0, 8.0, '13'),
        record(3, 'TV', 55.25, 6.5, '\u00e9')]
GOOD_CRC = zlib.crc32(b''.join(GOOD)) & 0xFFFFFFFF
# The four channels of the protocol document's example, compact.
COMPACT = bytes.fromhex('000004A8DE4D940A024331 08C00C 22C00C 02'.replace(' ', ''))
COMPACT_CRC = 0x442750F4
WRITE = ack(0x05) + ack(0x06) + ack(0x07) + ack(0x08)

sessions = {
    '1.0': hello_reply(1) + summary(3, GOOD_CRC, 3)
    + reply(struct.pack('<HB', 0, len(GOOD)) + b''.join(GOOD)) + WRITE
    + summary(40, SENT_CRC, 4) + ack(0x04) + ack(0x08),
    '1.1': hello_reply(2) + summary(4, COMPACT_CRC, 7) + reply(COMPACT) + WRITE
    + summary(40, SENT_CRC, 8) + ack(0x04),
    'empty': hello_reply(2) + summary(0, 0, 1) + WRITE + summary(40, SENT_CRC, 2) + ack(0x04),
    'busy-then-refused': hello_reply(2) + reply(bytes([0x02, 12]) + text('busy'), 1)
    + summary(0, 0, 1) + ack(0x05) + reply(bytes([0x06, 11]) + text('channel 1: name'), 1)
    + summary(0, 0, 1) + reply(bytes([0x04, 3]) + text('instrument refuses writes'), 1),
    'end-ack-lost': hello_reply(2) + summary(0, 0, 1) + ack(0x05) + ack(0x06) + ack(0x07)
    + reply(b'', 4) * 3 + summary(40, SENT_CRC, 2) + ack(0x04),
}
os.makedirs('corpus/fuzz_link', exist_ok=True)
for name, script in sessions.items():
    with open(f'corpus/fuzz_link/{name}.bin', 'wb') as f:
        f.write(script)
