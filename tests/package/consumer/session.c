/* A card session through the installed library:
     vexa_package_session SERIAL BLOCK DATA
   SERIAL is the 4-byte serial number of the card in the field and DATA the
   16 bytes of BLOCK, both in hexadecimal. Exits with 0 when the library
   handed back exactly those, otherwise with the number of the failed step. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "session_core.h"

static const char* const step_names[] = {"ok",        "MF_Request", "MF_Anticoll", "serial",
                                         "MF_Select", "MF_Read",    "data",        "MF_Halt"};

enum { HEX_DIGITS_PER_BYTE = 2, USAGE_ERROR = 100 };

static int parse_hex(const char* text, unsigned char* out, size_t size) {
  size_t i;
  if (strlen(text) != size * HEX_DIGITS_PER_BYTE) return 0;
  for (i = 0; i < size; ++i) {
    unsigned int byte;
    if (sscanf(text + i * HEX_DIGITS_PER_BYTE, "%2x", &byte) != 1) return 0;
    out[i] = (unsigned char)byte;
  }
  return 1;
}

static void print_hex(const char* label, const unsigned char* bytes, size_t size) {
  size_t i;
  printf("%s", label);
  for (i = 0; i < size; ++i) printf("%02X", bytes[i]);
  printf("\n");
}

int main(int argc, char** argv) {
  unsigned char serial[SESSION_SERIAL_SIZE];
  unsigned char expected[SESSION_BLOCK_SIZE];
  struct SessionResult result;
  enum SessionStep failed;
  long block;
  char* end;

  if (argc != 4 || !parse_hex(argv[1], serial, sizeof serial) ||
      !parse_hex(argv[3], expected, sizeof expected)) {
    fprintf(stderr, "usage: %s SERIAL(8 hex digits) BLOCK DATA(32 hex digits)\n", argv[0]);
    return USAGE_ERROR;
  }
  block = strtol(argv[2], &end, 10);
  if (*end != '\0' || block < 0 || block > 255) {
    fprintf(stderr, "%s: not a block number\n", argv[2]);
    return USAGE_ERROR;
  }

  printf("vexa.h %s\n", VEXA_VERSION_STRING);
  failed = run_session(serial, (unsigned char)block, expected, &result);
  print_hex("serial ", result.serial, sizeof result.serial);
  print_hex("block  ", result.data, sizeof result.data);
  if (failed != SESSION_OK) {
    fprintf(stderr, "session failed at %s (result %d)\n", step_names[failed], result.result);
    return (int)failed;
  }
  printf("session ok\n");
  return 0;
}
