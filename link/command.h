// The command sequence shared by every command function:
//
//   Reply reply = Request(len, cmd).field(a).fields(key, 6).send();
//   if (reply.fromOtherAddress()) return kResultNoReply;
//   ... copy reply.data(i) ...
//   return reply.status();
//
// The library's lock is taken when the Request is made and released when
// the Reply goes out of scope, so no other call can touch the frame buffers
// in between.
#pragma once

#include <stdint.h>

#include "frame.h"
#include "lock.h"
#include "vexa.h"

namespace vexa::link {

inline constexpr int kResultOk = VEXA_RESULT_OK;
inline constexpr int kResultBadArgument = VEXA_RESULT_BAD_ARGUMENT;
inline constexpr int kResultZeroArgument = VEXA_RESULT_ZERO_ARGUMENT;
inline constexpr int kResultNoReply = VEXA_RESULT_NO_REPLY;
inline constexpr int kResultNoReplyIso15693 = VEXA_RESULT_NO_REPLY_ISO15693;
inline constexpr int kResultRequestFailed = VEXA_RESULT_REQUEST_FAILED;

// Reader status bytes that the reply rules tell apart.
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusOne = 0x01;

// Reply bytes are returned as results sign-extended from 8 bits.
constexpr int signExtend(uint8_t value) { return static_cast<int8_t>(value); }

class Reply {
 public:
  bool fromOtherAddress() const { return replyFromOtherAddress(); }
  uint8_t statusByte() const { return ReplyFrame.bytes[kReplyStatusAt]; }
  int status() const { return signExtend(statusByte()); }
  bool statusIs(uint8_t value) const { return statusByte() == value; }
  uint8_t lenByte() const { return ReplyFrame.bytes[kReplyLenAt]; }
  // Data bytes announced by LEN, read as a signed byte: 0 to 126.
  int dataCount() const {
    const int len = signExtend(lenByte());
    return len > 1 ? len - 1 : 0;
  }
  // LEN itself, read as a signed byte: 0 to 127 (0 when negative).
  int signedLen() const {
    const int len = signExtend(lenByte());
    return len > 0 ? len : 0;
  }
  uint8_t data(int index) const { return ReplyFrame.bytes[kReplyDataAt + index]; }
  // to[0..count) = D[first .. first + count); nothing when count <= 0.
  void copyData(uint8_t* to, int first, int count) const {
    copyFrame(to, kReplyDataAt + first, count);
  }
  // to[0..count) = reply frame bytes from position `from` on.
  void copyFrame(uint8_t* to, int from, int count) const {
    for (int i = 0; i < count; ++i) to[i] = ReplyFrame.bytes[from + i];
  }

 private:
  friend class Request;
  explicit Reply(CommandLock&& lock) : lock_(static_cast<CommandLock&&>(lock)) {}
  CommandLock lock_;
};

class Request {
 public:
  Request(uint8_t len, uint8_t cmd) {
    beginCommand();
    putByte(len);
    putByte(cmd);
  }
  Request& field(uint8_t value) {
    putByte(value);
    return *this;
  }
  // Appends bytes[0..count); nothing when count <= 0.
  Request& fields(const uint8_t* bytes, int count) {
    putBytes(bytes, count);
    return *this;
  }
  Reply send() {
    sendCommand();
    return Reply(static_cast<CommandLock&&>(lock_));
  }

 private:
  CommandLock lock_;  // declared first: taken before the frame is begun
};

// The reply of the serial-number commands (MF_Getsnr, TYPEB_SFZSNR): on
// status 0, info[0] = D[0] and serial[0 .. serialSize) = D[1 ..]; on status 1,
// info[0] = D[0] alone; otherwise nothing.
inline void copyInfoAndSerial(const Reply& reply, uint8_t* info, uint8_t* serial, int serialSize) {
  if (reply.statusIs(kStatusOk)) {
    info[0] = reply.data(0);
    reply.copyData(serial, 1, serialSize);
  } else if (reply.statusIs(kStatusOne)) {
    info[0] = reply.data(0);
  }
}

// The low 8 bits of a count, as a frame carries it.
constexpr uint8_t lowByte(int value) { return static_cast<uint8_t>(value & 0xFF); }

}  // namespace vexa::link
