#pragma once

#include <QtGlobal>

// Constants of the serial protocol between Plandor and the instrument. The
// byte-level description is docs/protocol.md; keep the two in step.
namespace plandor::protocol {

// Versions this side speaks; the instrument names the one it speaks in its
// hello reply.
// Version 1 is protocol 1.0; version 2 is protocol 1.1 (compact records,
// a panel write stored at once, content rules with their own refusal);
// version 3 is protocol 1.2 (packed records, the last batch of a write
// checked as it arrives, so no WriteCheck).
constexpr quint8 kVersionMin = 1;
constexpr quint8 kVersionMax = 3;
constexpr quint8 kCompactVersion = 2;
constexpr quint8 kPackedVersion = 3;

// Line settings: 8 data bits, no parity, 1 stop bit, no flow control.
constexpr qint32 kDefaultBaud = 115200;
constexpr int kBitsPerByte = 10; // start + 8 data + stop

// Frame layout (before COBS): type, sequence, payload, CRC-32 (little-endian).
constexpr int kHeaderSize = 2;
constexpr int kCrcSize = 4;
constexpr int kMaxPayload = 1024;
constexpr int kMaxBody = kHeaderSize + kMaxPayload + kCrcSize;
// COBS adds one byte per 254 started, plus the two 0x00 delimiters.
constexpr int kMaxEncodedBody = kMaxBody + (kMaxBody + 253) / 254;
constexpr int kMaxWireFrame = kMaxEncodedBody + 2;

// The plan limits: Position is 8 bits; a text is counted with one byte.
constexpr int kMaxChannels = 255;
constexpr int kMaxTextBytes = 255;

enum class MessageType : quint8 {
    Hello = 0x01,
    ReadBegin = 0x02,
    ReadRecords = 0x03,
    WriteFavorites = 0x04,
    WriteBegin = 0x05,
    WriteRecords = 0x06,
    WriteCheck = 0x07,
    EndTransfer = 0x08,
    Identify = 0x09, // 1.2

    HelloReply = 0x81,
    ReadBeginReply = 0x82,
    ReadRecordsReply = 0x83,
    IdentifyReply = 0x89,
    Ack = 0x90,
    Nak = 0x91,
};

enum class NakReason : quint8 {
    UnsupportedVersion = 1,
    Malformed = 2,
    WritesRefused = 3,
    OutOfOrder = 4,
    Mismatch = 5,
    NothingStaged = 6,
    TooManyChannels = 7,
    UnknownRequest = 8,
    StorageFailed = 9,
    BadSelector = 10,
    ContentRefused = 11, // a field breaks a content rule (1.1)
    Busy = 12, // nothing done; ask again shortly (1.1)
};

// What the instrument may say of itself: identity texts and refusal texts
// are at most this many UTF-8 bytes, so that a HelloReply or a Nak always
// fits the PC's reply budget.
constexpr int kMaxIdentityBytes = 32;
constexpr int kMaxRefusalBytes = 32;

// What staging an EndTransfer commits.
enum class StagedKind : quint8 {
    Plan = 1, // channels and panel
    Favorites = 2, // panel alone
};

} // namespace plandor::protocol
