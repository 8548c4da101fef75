/* The public header compiles as C, declares what the library exports, and an
   application links and calls through it. */
#include "vexa.h"

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv) {
  /* Each declaration has the type an application expects. */
  int(VEXA_CALL * getRecData)(int) = GetRecData;
  int(VEXA_CALL * request)(unsigned char, unsigned char *) = MF_Request;
  int(VEXA_CALL * halt)(void) = MF_Halt;
  unsigned char answer[2] = {0xEE, 0xEE};

  if (getRecData(-1) != VEXA_RESULT_OK) {
    fprintf(stderr, "GetRecData did not return 0\n");
    return 1;
  }
  /* A refused mode returns at once, without a transport. */
  if (request(2, answer) != VEXA_RESULT_BAD_ARGUMENT || answer[0] != 0xEE) {
    fprintf(stderr, "MF_Request(2) was not refused\n");
    return 1;
  }
  /* With a transport beside the library, the first command reaches it. */
  if (argc > 1 && strcmp(argv[1], "--transport-beside-library") == 0) {
    unsigned char version[126];
    const int result = GetVersionNum(version);
    if (result == VEXA_RESULT_NO_REPLY) {
      fprintf(stderr, "the transport beside the library was not found\n");
      return 1;
    }
  }
  (void)halt;
  printf("header and import: ok\n");
  return 0;
}
