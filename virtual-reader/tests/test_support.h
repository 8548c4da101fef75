// Frames built by hand, and replies taken apart with every frame check.
#ifndef VR_TESTS_TEST_SUPPORT_H
#define VR_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include "bytes.h"
#include "codes.h"
#include "frame.h"
#include "reader.h"

namespace vr::testing {

inline Bytes frameTo(std::uint8_t address, std::uint8_t command, const Bytes& fields) {
  Bytes frame{kStartMark, address, static_cast<std::uint8_t>(fields.size() + 1), command};
  append(frame, fields);
  frame.push_back(xorOf(ByteView(frame).subspan(1)));
  frame.push_back(kEndMark);
  return frame;
}

inline Bytes frame(std::uint8_t command, const Bytes& fields = {}) {
  return frameTo(kBroadcastAddress, command, fields);
}

struct Answer {
  std::uint8_t address = 0xFF;
  std::uint8_t status = 0xFF;
  Bytes data;
};

// Checks the reply's marks, LEN and XOR, then splits it.
inline Answer parseAnswer(const Bytes& reply) {
  Answer a;
  EXPECT_GE(reply.size(), 6u);
  if (reply.size() < 6) return a;
  EXPECT_EQ(reply.front(), kStartMark);
  EXPECT_EQ(reply.back(), kEndMark);
  EXPECT_EQ(reply[2] + 5u, reply.size()) << "LEN does not match the reply";
  EXPECT_EQ(xorOf(ByteView(reply).subspan(1, reply.size() - 3)), reply[reply.size() - 2]);
  a.address = reply[1];
  a.status = reply[3];
  a.data.assign(reply.begin() + 4, reply.end() - 2);
  return a;
}

inline Answer exchangeRaw(Reader& reader, const Bytes& request) {
  Reader::Exchange e = reader.exchange(request);
  EXPECT_TRUE(e.answered);
  return parseAnswer(e.reply);
}

inline Answer send(Reader& reader, std::uint8_t command, const Bytes& fields = {}) {
  return exchangeRaw(reader, frame(command, fields));
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) append(out, p);
  return out;
}

inline Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace vr::testing

#endif  // VR_TESTS_TEST_SUPPORT_H
