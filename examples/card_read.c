/* Finds a MIFARE Classic card in the reader's field and reads one block
   under key A.

     card_read [BLOCK]       (default: block 1)

   Exit status 0 when the block was read. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vexa.h"

#define KEY_SIZE 6
#define SERIAL_SIZE 4
#define BLOCK_SIZE 16
#define KEY_MODE_A 0x00
#define DEFAULT_BLOCK 1
#define LAST_BLOCK 63

static void print_hex(const char* label, const unsigned char* bytes, int count) {
  int i;
  printf("%-8s", label);
  for (i = 0; i < count; ++i) printf(" %02X", bytes[i]);
  printf("\n");
}

int main(int argc, char** argv) {
  /* The factory key; MF_Read puts the card's serial number over key[0..3],
     so every call gets a fresh copy of it. */
  static const unsigned char factory_key[KEY_SIZE] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  unsigned char key[KEY_SIZE];
  unsigned char atqa[2], serial[SERIAL_SIZE], info, data[BLOCK_SIZE];
  int block = argc > 1 ? atoi(argv[1]) : DEFAULT_BLOCK;
  int result, i;

  if (block < 0 || block > LAST_BLOCK) {
    fprintf(stderr, "block %d is out of range (0 to %d)\n", block, LAST_BLOCK);
    return 2;
  }

  /* Card detection: request (waking halted cards too), anticollision,
     select. */
  result = MF_Request(VEXA_MF_REQUEST_WAKEUP, atqa);
  if (result != VEXA_RESULT_OK) {
    fprintf(stderr, "MF_Request returned %d: no card answered\n", result);
    return 1;
  }
  result = MF_Anticoll(serial, &info);
  if (result != VEXA_RESULT_OK) {
    fprintf(stderr, "MF_Anticoll returned %d\n", result);
    return 1;
  }
  result = MF_Select(serial);
  if (result != VEXA_RESULT_OK) {
    fprintf(stderr, "MF_Select returned %d\n", result);
    return 1;
  }
  print_hex("ATQA", atqa, 2);
  print_hex("serial", serial, SERIAL_SIZE);

  /* A keyed read of one block. */
  memcpy(key, factory_key, KEY_SIZE);
  result = MF_Read(KEY_MODE_A, (unsigned char)block, 1, key, data);
  if (result != VEXA_RESULT_OK) {
    /* On status 1 the reader's detail byte is in data[0]. */
    fprintf(stderr, "MF_Read returned %d (detail 0x%02X)\n", result, result == 1 ? data[0] : 0);
    return 1;
  }
  printf("block %d:", block);
  for (i = 0; i < BLOCK_SIZE; ++i) printf(" %02X", data[i]);
  printf("  |");
  for (i = 0; i < BLOCK_SIZE; ++i) putchar(data[i] >= 0x20 && data[i] < 0x7F ? data[i] : '.');
  printf("|\n");
  return 0;
}
