// The reader's own byte meanings: reply statuses, the detail byte that a
// failed command carries, and the ISO/IEC 15693 tag error codes it passes
// on. Mode and parameter bytes of its one-step commands.
#ifndef VEXA_CLI_READER_CODES_H
#define VEXA_CLI_READER_CODES_H

#include <cstdint>

namespace vexa::cli {

// Reply statuses.
inline constexpr int kStatusFailed = 1;  // the detail byte says why
inline constexpr int kStatusChecksumError = 2;
inline constexpr int kStatusFrameError = 3;
inline constexpr int kStatusUnknownCommand = 4;

// Detail bytes of the reader's own.
inline constexpr std::uint8_t kDetailNoCard = 0x80;
inline constexpr std::uint8_t kDetailCollision = 0x81;
inline constexpr std::uint8_t kDetailAuthFailed = 0x82;
inline constexpr std::uint8_t kDetailAccessDenied = 0x83;
inline constexpr std::uint8_t kDetailBadBlock = 0x84;
inline constexpr std::uint8_t kDetailReadOnly = 0x85;
inline constexpr std::uint8_t kDetailNotValueBlock = 0x86;
inline constexpr std::uint8_t kDetailValueOverflow = 0x87;
inline constexpr std::uint8_t kDetailBadParameter = 0x88;
inline constexpr std::uint8_t kDetailWrongCard = 0x89;

// ISO/IEC 15693-3 error codes, passed on as detail bytes.
inline constexpr std::uint8_t kTagErrorNotSupported = 0x01;
inline constexpr std::uint8_t kTagErrorNotRecognised = 0x02;
inline constexpr std::uint8_t kTagErrorOptionNotSupported = 0x03;
inline constexpr std::uint8_t kTagErrorUnknown = 0x0F;
inline constexpr std::uint8_t kTagErrorBlockUnavailable = 0x10;
inline constexpr std::uint8_t kTagErrorAlreadyLocked = 0x11;
inline constexpr std::uint8_t kTagErrorLocked = 0x12;
inline constexpr std::uint8_t kTagErrorProgramFailed = 0x13;
inline constexpr std::uint8_t kTagErrorLockFailed = 0x14;

// Mode bytes of the Type A and Type B one-step commands (MF_Getsnr,
// UL_*, TYPEB_SFZSNR): wake-up (halted cards answer too) or idle cards only.
inline constexpr std::uint8_t kModeWakeUp = 0x00;
inline constexpr std::uint8_t kModeIdleOnly = 0x01;
// Second parameter of MF_Getsnr and TYPEB_SFZSNR: what happens afterwards.
inline constexpr std::uint8_t kLeaveSelected = 0x00;
inline constexpr std::uint8_t kHaltAfter = 0x01;

// Key-mode bytes of the MIFARE Classic commands.
inline constexpr std::uint8_t kKeyModeA = 0x00;
inline constexpr std::uint8_t kKeyModeB = 0x01;

// ISO/IEC 15693 request flags: high data rate, alone or with the address
// flag (the library sends the UID exactly for the latter).
inline constexpr std::uint8_t kFlagsNonAddressed = 0x02;
inline constexpr std::uint8_t kFlagsAddressed = 0x22;
// The option flag: block reads also return each block's lock status.
inline constexpr std::uint8_t kFlagOption = 0x40;

}  // namespace vexa::cli

#endif  // VEXA_CLI_READER_CODES_H
