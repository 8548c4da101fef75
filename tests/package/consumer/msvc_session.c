/* The card session linked the way an MSVC application links: against
   vexa.lib, with no C run-time (the entry point returns the exit code). The
   card's serial number, block and data come from the compile line as
   SESSION_SERIAL, SESSION_BLOCK and SESSION_DATA initialiser lists. */
#include "session_core.h"

int session_entry(void) {
  static const unsigned char serial[SESSION_SERIAL_SIZE] = {SESSION_SERIAL};
  static const unsigned char expected[SESSION_BLOCK_SIZE] = {SESSION_DATA};
  struct SessionResult result;
  return (int)run_session(serial, SESSION_BLOCK, expected, &result);
}
