/* One card session through the installed library, as an application runs it:
   request, anticollision and select of the card in the field, a keyed read
   of one block, halt. Shared by the hosted program and the one linked the
   MSVC way without a C run-time, so it uses nothing of the C library. */
#ifndef VEXA_PACKAGE_SESSION_CORE_H
#define VEXA_PACKAGE_SESSION_CORE_H

#include "vexa.h"

enum {
  SESSION_SERIAL_SIZE = 4,
  SESSION_KEY_SIZE = 6,
  SESSION_BLOCK_SIZE = 16,
  SESSION_ATQA_SIZE = 2,
  SESSION_KEY_MODE_A = 0,
  SESSION_TRANSPORT_KEY_BYTE = 0xFF,
  SESSION_ONE_BLOCK = 1
};

/* The step that failed; 0 when the whole session went through. */
enum SessionStep {
  SESSION_OK = 0,
  SESSION_REQUEST,
  SESSION_ANTICOLL,
  SESSION_SERIAL_MISMATCH,
  SESSION_SELECT,
  SESSION_READ,
  SESSION_DATA_MISMATCH,
  SESSION_HALT
};

struct SessionResult {
  int result; /* what the failing call returned */
  unsigned char serial[SESSION_SERIAL_SIZE];
  unsigned char data[SESSION_BLOCK_SIZE];
};

static int session_same(const unsigned char* a, const unsigned char* b, int n) {
  int i;
  for (i = 0; i < n; ++i) {
    if (a[i] != b[i]) return 0;
  }
  return 1;
}

/* The card in the field must have the serial number `serial` and hold
   `expected` in `block` under the transport key A. */
static enum SessionStep run_session(const unsigned char* serial, unsigned char block,
                                    const unsigned char* expected, struct SessionResult* out) {
  unsigned char atqa[SESSION_ATQA_SIZE];
  unsigned char info = 0;
  unsigned char key[SESSION_KEY_SIZE];
  int i;

  /* Byte by byte: without a C run-time there is no memset to call. */
  for (i = 0; i < SESSION_ATQA_SIZE; ++i) atqa[i] = 0;
  for (i = 0; i < SESSION_KEY_SIZE; ++i) key[i] = SESSION_TRANSPORT_KEY_BYTE;
  for (i = 0; i < SESSION_BLOCK_SIZE; ++i) out->data[i] = 0;
  for (i = 0; i < SESSION_SERIAL_SIZE; ++i) out->serial[i] = 0;

  if ((out->result = MF_Request(VEXA_MF_REQUEST_IDLE, atqa)) != VEXA_RESULT_OK) {
    return SESSION_REQUEST;
  }
  if ((out->result = MF_Anticoll(out->serial, &info)) != VEXA_RESULT_OK) return SESSION_ANTICOLL;
  if (!session_same(out->serial, serial, SESSION_SERIAL_SIZE)) return SESSION_SERIAL_MISMATCH;
  if ((out->result = MF_Select(out->serial)) != VEXA_RESULT_OK) return SESSION_SELECT;
  out->result = MF_Read(SESSION_KEY_MODE_A, block, SESSION_ONE_BLOCK, key, out->data);
  if (out->result != VEXA_RESULT_OK) return SESSION_READ;
  if (!session_same(out->data, expected, SESSION_BLOCK_SIZE)) return SESSION_DATA_MISMATCH;
  if ((out->result = MF_Halt()) != VEXA_RESULT_OK) return SESSION_HALT;
  return SESSION_OK;
}

#endif /* VEXA_PACKAGE_SESSION_CORE_H */
