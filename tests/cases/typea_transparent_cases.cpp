// The Type A transparent command.
#include <limits.h>

#include <string>

#include "case.h"

namespace vexa::test {
namespace {

const Bytes kSelectFile{0x00, 0xA4, 0x04, 0x00, 0x02};

CallBuilder trans(const Bytes& command, int length, size_t responseSize) {
  return CallBuilder("MF_TypeATransCOSCmd",
                     {in(command), val(static_cast<uint32_t>(length)), out(responseSize)});
}

}  // namespace

VEXA_CASES(typea_transparent) {
  // Reply AA 00 03 00 90 00 93 BB: the response starts at its LEN byte.
  list.push_back(makeCase("MF_TypeATransCOSCmd returns LEN and copies from it",
                          trans(kSelectFile, 5, 5)
                              .replies(reply(0x00, {0x90, 0x00}))
                              .sends(commandFrame(0x07, 0x0D, kSelectFile))
                              .returns(3)
                              .writes(2, {0x03, 0x00, 0x90, 0x00, 0x93})));
  list.push_back(makeCase("MF_TypeATransCOSCmd nonzero status still fills the response",
                          trans(kSelectFile, 5, 5)
                              .replies(reply(0x6A, {0x82}))
                              .sends(commandFrame(0x07, 0x0D, kSelectFile))
                              .returns(2)
                              .writes(2, {0x02, 0x6A, 0x82, 0xEA, 0xBB})));
  list.push_back(makeCase("MF_TypeATransCOSCmd LEN 5 returns 5 and copies",
                          trans({0x30, 0x04}, 2, 2)
                              .replies(reply(0x00, {0x01, 0x02, 0x03, 0x04}))
                              .sends(commandFrame(0x04, 0x0D, {0x30, 0x04}))
                              .returns(5)
                              .writes(2, {0x05, 0x00})));
  list.push_back(makeCase("MF_TypeATransCOSCmd foreign reply returns 5, copies nothing",
                          trans({0x30, 0x04}, 2, 2)
                              .replies(replyFrom(0x01, 0x00, {0x01, 0x02, 0x03, 0x04}))
                              .sends(commandFrame(0x04, 0x0D, {0x30, 0x04}))
                              .returns(5)));
  list.push_back(makeCase("MF_TypeATransCOSCmd LEN 0xFF gives -1",
                          trans({0x30}, 1, 1)
                              .replies(replyWithLen(0xFF, 0x00, {0x01}))
                              .sends(commandFrame(0x03, 0x0D, {0x30}))
                              .returns(-1)
                              .writes(2, {0xFF})));
  for (int length : {0, -1}) {
    list.push_back(makeCase(
        "MF_TypeATransCOSCmd length " + std::to_string(length) + " sends and copies nothing",
        trans({0x30}, length, 4)
            .replies(reply(0x00, {0x01, 0x02}))
            .sends(commandFrame(static_cast<uint8_t>(length + 2), 0x0D))
            .returns(3)));
  }
  // 250 command bytes fill the 256-byte frame; the copy runs past the read's
  // 248 bytes into the reply buffer's zero tail.
  list.push_back(makeCase("MF_TypeATransCOSCmd length 250 fills the frame",
                          trans(sequence(250), 250, 250)
                              .replies(reply(0x00, {0x90, 0x00}))
                              .sends(commandFrame(0xFC, 0x0D, sequence(250)))
                              .returns(3)
                              .writes(2, concat({{0x03, 0x00, 0x90, 0x00, 0x93, 0xBB},
                                                 Bytes(240, 0x01),
                                                 Bytes(4, 0x00)}))));
  for (int length : {251, INT_MAX}) {
    list.push_back(
        makeCase("MF_TypeATransCOSCmd length " + std::to_string(length) + " is refused",
                 trans({0x30}, length, 4).replies(reply(0x00)).sendsNothing().returns(10)));
  }
}

}  // namespace vexa::test
