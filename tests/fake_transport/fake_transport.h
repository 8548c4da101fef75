/* Control interface of the scripted fake transport that the tests put where
   the reader's transport library belongs. */
#ifndef VEXA_FAKE_TRANSPORT_H
#define VEXA_FAKE_TRANSPORT_H

#include <stdint.h>

#define FAKE_TRANSPORT_MAX_FRAME 512

typedef struct FakeTransportScript {
  int32_t writeShortBy;  /* hidWriteData returns the length minus this */
  int32_t replyLength;   /* bytes hidReadData writes */
  uint8_t reply[256];
  int32_t echo;          /* nonzero: answer every frame with status 0 and the
                            frame's bytes from CMD on as data */
} FakeTransportScript;

typedef struct FakeTransportLog {
  int32_t writeCalls;
  int32_t readCalls;
  int32_t writeChannel;
  int32_t writeLength;
  int32_t frameLength; /* bytes kept of the last frame */
  uint8_t frame[FAKE_TRANSPORT_MAX_FRAME];
  int32_t readChannel;
  int32_t readSize;
  int32_t malformedFrames; /* frames whose marks, LEN or XOR are wrong */
  int32_t overlaps;        /* a write arrived before the previous exchange's read */
} FakeTransportLog;

typedef void (*FakeTransportArmFn)(const FakeTransportScript *);
typedef void (*FakeTransportReadLogFn)(FakeTransportLog *);

#endif
