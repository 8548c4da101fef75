// MIFARE Ultralight: request, read of 16 bytes from a page, write of one
// 4-byte page. The read and write replies carry the card's 7-byte serial
// number.
#include "command.h"

using namespace vexa::link;

namespace {

constexpr uint8_t kCmdHLRead = 0xE0;
constexpr uint8_t kCmdHLWrite = 0xE1;
constexpr uint8_t kCmdRequest = 0xE3;

constexpr uint8_t kLenHLRead = 0x03;
constexpr uint8_t kLenHLWrite = 0x08;
constexpr uint8_t kLenRequest = 0x02;

// The byte a write sends between the mode and the page.
constexpr uint8_t kWritePageCount = 0x01;

constexpr uint8_t kHighestPage = 15;
constexpr int kSerialSize = 7;
constexpr int kReadDataSize = 16;
constexpr int kPageSize = 4;

}  // namespace

extern "C" int VEXA_CALL UL_Request(unsigned char mode, unsigned char* serial) {
  const Reply reply = Request(kLenRequest, kCmdRequest).field(mode).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) {
    reply.copyData(serial, 0, kSerialSize);
  } else if (reply.statusIs(kStatusOne)) {
    serial[0] = reply.data(0);
  }
  return reply.status();
}

extern "C" int VEXA_CALL UL_HLRead(unsigned char mode, unsigned char page, unsigned char* serial,
                                   unsigned char* data) {
  if (page > kHighestPage) return kResultBadArgument;
  const Reply reply = Request(kLenHLRead, kCmdHLRead).field(mode).field(page).send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) {
    // The page data come first, the serial number after them.
    reply.copyData(data, 0, kReadDataSize);
    reply.copyData(serial, kReadDataSize, kSerialSize);
  } else if (reply.statusIs(kStatusOne)) {
    data[0] = reply.data(0);
  }
  return reply.status();
}

extern "C" int VEXA_CALL UL_HLWrite(unsigned char mode, unsigned char page, unsigned char* serial,
                                    unsigned char* data) {
  if (page == 0 || page > kHighestPage) return kResultBadArgument;
  const Reply reply = Request(kLenHLWrite, kCmdHLWrite)
                          .field(mode)
                          .field(kWritePageCount)
                          .field(page)
                          .fields(data, kPageSize)
                          .send();
  if (reply.fromOtherAddress()) return kResultNoReply;
  if (reply.statusIs(kStatusOk)) {
    reply.copyData(serial, 0, kSerialSize);
  } else if (reply.statusIs(kStatusOne)) {
    data[0] = reply.data(0);
  }
  return reply.status();
}
