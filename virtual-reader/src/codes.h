// The reader's command codes, reply statuses and error details.
#ifndef VR_CODES_H
#define VR_CODES_H

#include <cstdint>

namespace vr {

// Frame marks and addresses.
inline constexpr std::uint8_t kStartMark = 0xAA;
inline constexpr std::uint8_t kEndMark = 0xBB;
// Every reader answers frames sent to the broadcast address.
inline constexpr std::uint8_t kBroadcastAddress = 0x00;

// Command codes.
namespace cmd {
inline constexpr std::uint8_t kMfRequest = 0x03;
inline constexpr std::uint8_t kMfAnticoll = 0x04;
inline constexpr std::uint8_t kMfSelect = 0x05;
inline constexpr std::uint8_t kMfHalt = 0x06;
inline constexpr std::uint8_t kTypeBRequest = 0x09;
inline constexpr std::uint8_t kTypeBHalt = 0x0A;
inline constexpr std::uint8_t kTransparent14443 = 0x0D;
inline constexpr std::uint8_t kIsoInventory = 0x10;
inline constexpr std::uint8_t kIsoRead = 0x11;
inline constexpr std::uint8_t kIsoWrite = 0x12;
inline constexpr std::uint8_t kIsoLock = 0x13;
inline constexpr std::uint8_t kIsoStayQuiet = 0x14;
inline constexpr std::uint8_t kIsoSelect = 0x15;
inline constexpr std::uint8_t kIsoResetToReady = 0x16;
inline constexpr std::uint8_t kIsoWriteAfi = 0x17;
inline constexpr std::uint8_t kIsoLockAfi = 0x18;
inline constexpr std::uint8_t kIsoWriteDsfid = 0x19;
inline constexpr std::uint8_t kIsoLockDsfid = 0x1A;
inline constexpr std::uint8_t kIsoSystemInfo = 0x1B;
inline constexpr std::uint8_t kIsoSecurityStatus = 0x1C;
inline constexpr std::uint8_t kIsoTransparent = 0x1D;
inline constexpr std::uint8_t kMfRead = 0x20;
inline constexpr std::uint8_t kMfWrite = 0x21;
inline constexpr std::uint8_t kMfInitValue = 0x22;
inline constexpr std::uint8_t kMfDecrement = 0x23;
inline constexpr std::uint8_t kMfIncrement = 0x24;
inline constexpr std::uint8_t kMfGetSerial = 0x25;
inline constexpr std::uint8_t kTypeBIdSerial = 0x26;
inline constexpr std::uint8_t kMfRestore = 0x28;
inline constexpr std::uint8_t kSetAddress = 0x80;
inline constexpr std::uint8_t kSetBaudRate = 0x81;
inline constexpr std::uint8_t kSetSerial = 0x82;
inline constexpr std::uint8_t kGetSerial = 0x83;
inline constexpr std::uint8_t kWriteUserInfo = 0x84;
inline constexpr std::uint8_t kGetVersion = 0x86;
inline constexpr std::uint8_t kControlLed = 0x88;
inline constexpr std::uint8_t kControlBuzzer = 0x89;
inline constexpr std::uint8_t kUlRead = 0xE0;
inline constexpr std::uint8_t kUlWrite = 0xE1;
inline constexpr std::uint8_t kUlRequest = 0xE3;
}  // namespace cmd

// Reply status byte.
namespace status {
inline constexpr std::uint8_t kOk = 0x00;
// The command was understood but failed; D[0] holds a detail code.
inline constexpr std::uint8_t kFailed = 0x01;
// The frame's XOR byte does not match its contents.
inline constexpr std::uint8_t kChecksumError = 0x02;
// Start or end mark wrong, LEN not matching the frame, or fields missing.
inline constexpr std::uint8_t kFrameError = 0x03;
inline constexpr std::uint8_t kUnknownCommand = 0x04;
}  // namespace status

// Detail codes in D[0] of a reply with status kFailed. ISO/IEC 15693 tags
// report their own error codes (0x01 to 0x14) unchanged; the reader's own
// codes lie above them.
namespace detail {
inline constexpr std::uint8_t kNoCard = 0x80;
inline constexpr std::uint8_t kCollision = 0x81;
inline constexpr std::uint8_t kAuthFailed = 0x82;
inline constexpr std::uint8_t kAccessDenied = 0x83;
inline constexpr std::uint8_t kBadBlock = 0x84;
inline constexpr std::uint8_t kReadOnly = 0x85;
inline constexpr std::uint8_t kNotValueBlock = 0x86;
inline constexpr std::uint8_t kValueOverflow = 0x87;
inline constexpr std::uint8_t kBadParameter = 0x88;
inline constexpr std::uint8_t kWrongCard = 0x89;
}  // namespace detail

}  // namespace vr

#endif  // VR_CODES_H
