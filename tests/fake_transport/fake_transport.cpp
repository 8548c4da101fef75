// A transport library that plays a script and records what it is handed.
// Built in variants that lack one of the two functions, to stand for a
// broken transport installation.
#include "fake_transport.h"

#include <string.h>

#include <mutex>

#include "frame_check.h"
#include "vexa.h"

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr uint8_t kStart = 0xAA;
constexpr int kCmdAt = 3;

std::mutex mutex;
FakeTransportScript script;
FakeTransportLog record;
bool exchangeOpen = false;
uint8_t lastFrame[FAKE_TRANSPORT_MAX_FRAME];
int32_t lastFrameLength = 0;

}  // namespace

FAKE_EXPORT void fakeTransportArm(const FakeTransportScript* next) {
  std::lock_guard<std::mutex> lock(mutex);
  script = *next;
  memset(&record, 0, sizeof record);
  record.writeChannel = record.writeLength = record.readChannel = record.readSize = -1;
  exchangeOpen = false;
}

FAKE_EXPORT void fakeTransportReadLog(FakeTransportLog* out) {
  std::lock_guard<std::mutex> lock(mutex);
  *out = record;
}

#ifndef FAKE_TRANSPORT_WITHOUT_WRITE
FAKE_EXPORT int32_t VEXA_CALL hidWriteData(int32_t channel, int32_t length, uint8_t* frame) {
  std::lock_guard<std::mutex> lock(mutex);
  if (exchangeOpen && script.echo) ++record.overlaps;
  exchangeOpen = true;
  ++record.writeCalls;
  record.writeChannel = channel;
  record.writeLength = length;
  const int32_t kept =
      length < 0 ? 0 : (length > FAKE_TRANSPORT_MAX_FRAME ? FAKE_TRANSPORT_MAX_FRAME : length);
  memcpy(record.frame, frame, static_cast<size_t>(kept));
  record.frameLength = kept;
  memcpy(lastFrame, frame, static_cast<size_t>(kept));
  lastFrameLength = kept;
  if (!vexa::test::wellFormedFrame(frame, length)) ++record.malformedFrames;
  return length - script.writeShortBy;
}
#endif

#ifndef FAKE_TRANSPORT_WITHOUT_READ
FAKE_EXPORT int32_t VEXA_CALL hidReadData(int32_t channel, int32_t size, uint8_t* reply) {
  std::lock_guard<std::mutex> lock(mutex);
  exchangeOpen = false;
  ++record.readCalls;
  record.readChannel = channel;
  record.readSize = size;
  if (script.echo) {
    // Status 0; data: the frame from CMD on.
    int32_t data = lastFrameLength - kCmdAt;
    if (data < 0) data = 0;
    if (data > size - 4) data = size - 4;
    reply[0] = kStart;
    reply[1] = 0x00;
    reply[2] = static_cast<uint8_t>(1 + data);
    reply[3] = 0x00;
    memcpy(reply + 4, lastFrame + kCmdAt, static_cast<size_t>(data));
    return 4 + data;
  }
  const int32_t n = script.replyLength < size ? script.replyLength : size;
  memcpy(reply, script.reply, static_cast<size_t>(n));
  return n;
}
#endif
