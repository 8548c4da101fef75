#include "iso15693.h"

using namespace vexa::link;

namespace vexa::iso15693 {

Reply sendCardCommand(const CardCommand& command, uint8_t flags,
                      std::initializer_list<uint8_t> head, const uint8_t* uid, const uint8_t* tail,
                      int tailCount) {
  Request request(lowByte(requestLen(command, flags)), command.cmd);
  request.field(flags);
  for (const uint8_t field : head) request.field(field);
  if (carriesUid(command, flags)) request.fields(uid, kUidSize);
  request.fields(tail, tailCount);
  return request.send();
}

int storeFirstByte(const Reply& reply, uint8_t* replyByte) {
  if (!reply.fromOtherAddress()) replyByte[0] = reply.data(0);
  return reply.status();
}

void copyAllData(const Reply& reply, uint8_t* to) { reply.copyData(to, 0, reply.dataCount()); }

}  // namespace vexa::iso15693
