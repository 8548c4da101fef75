/*
 * vexa: driver library for the 13.56 MHz contactless card reader.
 *
 * Every function sends one command frame to the reader through the
 * transport library ("Tevra.dll" on Windows, "libtevra.so" on Linux),
 * checks the reply and copies its data into the caller's buffers.
 *
 * Results: 0 is success. A positive or negative value is either the
 * reader's status byte (sign-extended from 8 bits) or one of the
 * VEXA_RESULT_* codes below; both share one number space.
 *
 * Buffers belong to the caller and are never checked for size or null.
 * Several functions overwrite part of an input buffer with reply data
 * (the MIFARE Classic functions put the card's serial number over
 * key[0..3]); see each function's comment.
 *
 * Calls are serialised by the library: concurrent calls from several
 * threads run one after another.
 */
#ifndef VEXA_H
#define VEXA_H

#define VEXA_VERSION_MAJOR 1
#define VEXA_VERSION_MINOR 0
#define VEXA_VERSION_PATCH 0
#define VEXA_VERSION_STRING "1.0.0"

#if defined(_WIN32)
#define VEXA_CALL __stdcall
#else
#define VEXA_CALL
#endif

#if defined(VEXA_BUILDING_LIBRARY) && !defined(_WIN32)
#define VEXA_API __attribute__((visibility("default")))
#else
#define VEXA_API
#endif

/* Result codes of the library's own. */
#define VEXA_RESULT_OK 0
/* An argument is out of range; nothing was sent. */
#define VEXA_RESULT_BAD_ARGUMENT 10
/* ISO15693_Read with blockCount 0, ISO15693_Lock with block 0. */
#define VEXA_RESULT_ZERO_ARGUMENT 1
/* The reply came from another address (also a failed or impossible
   exchange with the transport), or it does not answer the request. */
#define VEXA_RESULT_NO_REPLY 5
/* ISO15693_Inventory and ISO15693_GetSysInfo: reply from another address. */
#define VEXA_RESULT_NO_REPLY_ISO15693 2
/* MF_Request: the reader reported a nonzero status. */
#define VEXA_RESULT_REQUEST_FAILED 4

/* MF_Request modes. */
#define VEXA_MF_REQUEST_WAKEUP 0 /* WUPA: idle and halted cards answer */
#define VEXA_MF_REQUEST_IDLE 1   /* REQA: idle cards answer */

/* ISO/IEC 15693 request flags that select the addressed form (UID sent). */
#define VEXA_ISO15693_FLAGS_ADDRESSED 0x22

#ifdef __cplusplus
extern "C" {
#endif

/* Takes one integer, ignores it, returns 0. */
VEXA_API int VEXA_CALL GetRecData(int reserved);

/* ---- Reader management ---- */

VEXA_API int VEXA_CALL SetDeviceAddress(unsigned char address, unsigned char *replyByte);
VEXA_API int VEXA_CALL SetBandrate(unsigned char speedCode, unsigned char *replyByte);
VEXA_API int VEXA_CALL SetSerNum(const unsigned char *serialNumber /* 8 */,
                                 unsigned char *replyByte);
VEXA_API int VEXA_CALL GetSerNum(unsigned char *serialNumber /* 9 */);
/* count 0 to 248, otherwise VEXA_RESULT_BAD_ARGUMENT. */
VEXA_API int VEXA_CALL ISO15693_WriteUserInfo(unsigned char param, int count,
                                              const unsigned char *data);
/* version: up to 126 bytes. */
VEXA_API int VEXA_CALL GetVersionNum(unsigned char *version);
VEXA_API int VEXA_CALL ControlLED(unsigned char param1, unsigned char param2,
                                  unsigned char *replyByte);
VEXA_API int VEXA_CALL ControlBuzzer(unsigned char param1, unsigned char param2,
                                     unsigned char *replyByte);

/* ---- ISO/IEC 14443 Type A ---- */

/* mode: VEXA_MF_REQUEST_WAKEUP or VEXA_MF_REQUEST_IDLE; answer: 2 bytes (ATQA).
   Returns 0, VEXA_RESULT_REQUEST_FAILED, VEXA_RESULT_NO_REPLY or
   VEXA_RESULT_BAD_ARGUMENT. */
VEXA_API int VEXA_CALL MF_Request(unsigned char mode, unsigned char *answer);
/* serial: 4 bytes, info: 1 byte. */
VEXA_API int VEXA_CALL MF_Anticoll(unsigned char *serial, unsigned char *info);
/* serial: 4 bytes in; on success replaced by the reader's 4 reply bytes. */
VEXA_API int VEXA_CALL MF_Select(unsigned char *serial);
VEXA_API int VEXA_CALL MF_Halt(void);
/* info: 1 byte, serial: 4 bytes. */
VEXA_API int VEXA_CALL MF_Getsnr(unsigned char param1, unsigned char param2,
                                 unsigned char *info, unsigned char *serial);

/* MIFARE Classic. key: 6 bytes; on return key[0..3] may hold the card's
   serial number instead of the key. data: 16 * blockCount bytes, 1 to 15
   blocks; other counts give VEXA_RESULT_BAD_ARGUMENT. MF_Read returns the
   status of a reply from another address (1 for a failed exchange) rather
   than VEXA_RESULT_NO_REPLY. */
VEXA_API int VEXA_CALL MF_Read(unsigned char keyMode, unsigned char firstBlock,
                               unsigned char blockCount, unsigned char *key, unsigned char *data);
VEXA_API int VEXA_CALL MF_Write(unsigned char keyMode, unsigned char firstBlock,
                                unsigned char blockCount, unsigned char *key, unsigned char *data);
/* value: 4 bytes. */
VEXA_API int VEXA_CALL MF_InitValue(unsigned char keyMode, unsigned char block, unsigned char *key,
                                    const unsigned char *value);
VEXA_API int VEXA_CALL MF_Dec(unsigned char keyMode, unsigned char block, unsigned char *key,
                              unsigned char *value);
VEXA_API int VEXA_CALL MF_Inc(unsigned char keyMode, unsigned char block, unsigned char *key,
                              unsigned char *value);
/* count 0 to 248, otherwise VEXA_RESULT_BAD_ARGUMENT; data receives up to
   126 reply bytes. */
VEXA_API int VEXA_CALL MF_Restore(unsigned char param, int count, unsigned char *data);

/* Ultralight. serial: 7 bytes; UL_HLRead data: 16 bytes; UL_HLWrite data: 4.
   page: 0 to 15 for UL_HLRead, 1 to 15 for UL_HLWrite, otherwise
   VEXA_RESULT_BAD_ARGUMENT. */
VEXA_API int VEXA_CALL UL_Request(unsigned char mode, unsigned char *serial);
VEXA_API int VEXA_CALL UL_HLRead(unsigned char mode, unsigned char page, unsigned char *serial,
                                 unsigned char *data);
VEXA_API int VEXA_CALL UL_HLWrite(unsigned char mode, unsigned char page, unsigned char *serial,
                                  unsigned char *data);

/* Type A transparent command: returns the reply's LEN byte (sign-extended);
   response receives commandLength bytes from the reply's LEN byte on.
   commandLength above 250 gives VEXA_RESULT_BAD_ARGUMENT. */
VEXA_API int VEXA_CALL MF_TypeATransCOSCmd(const unsigned char *command, int commandLength,
                                           unsigned char *response);

/* ---- ISO/IEC 14443 Type B ---- */

/* answer: up to 126 bytes. */
VEXA_API int VEXA_CALL TypeB_Request(unsigned char *answer);
VEXA_API int VEXA_CALL Type_B(unsigned char *answer);
/* info: 1 byte, serial: 8 bytes. */
VEXA_API int VEXA_CALL TYPEB_SFZSNR(unsigned char param1, unsigned char param2,
                                    unsigned char *info, unsigned char *serial);
/* commandLength up to 249, otherwise VEXA_RESULT_BAD_ARGUMENT; response:
   up to 127 bytes, copied whatever the status. */
VEXA_API int VEXA_CALL TypeB_TransCOS(const unsigned char *command, int commandLength,
                                      unsigned char *response);

/* ---- ISO/IEC 15693 ----
   flags == VEXA_ISO15693_FLAGS_ADDRESSED sends uid (8 bytes); with any other
   flags uid is not read and may be null (except StayQuiet and Select, which
   always send it). */

/* cardCount: 1 byte; cardRecords: 10 bytes per card, 240 bytes hold all.
   A count above 24 cannot fit a reply: VEXA_RESULT_NO_REPLY, no record
   copied. */
VEXA_API int VEXA_CALL ISO15693_Inventory(unsigned char *cardCount, unsigned char *cardRecords);
VEXA_API int VEXA_CALL ISO15693_StayQuiet(unsigned char flags, const unsigned char *uid,
                                          unsigned char *replyByte);
VEXA_API int VEXA_CALL ISO15693_Select(unsigned char flags, const unsigned char *uid,
                                       unsigned char *replyByte);
VEXA_API int VEXA_CALL ISO15693_ResetToReady(unsigned char flags, const unsigned char *uid,
                                             unsigned char *replyByte);
/* blockData: up to 126 bytes. blockCount 0 gives VEXA_RESULT_ZERO_ARGUMENT. */
VEXA_API int VEXA_CALL ISO15693_Read(unsigned char flags, unsigned char firstBlock,
                                     unsigned char blockCount, const unsigned char *uid,
                                     unsigned char *blockData);
/* blockData: 4 * blockCount bytes, all sent; on status 1 blockData[0] receives
   the reader's reply byte. blockCount 1 to 59 addressed, 1 to 61 otherwise;
   any other count gives VEXA_RESULT_BAD_ARGUMENT. */
VEXA_API int VEXA_CALL ISO15693_Write(unsigned char flags, unsigned char firstBlock,
                                      unsigned char blockCount, const unsigned char *uid,
                                      unsigned char *blockData);
/* block 0 gives VEXA_RESULT_ZERO_ARGUMENT. */
VEXA_API int VEXA_CALL ISO15693_Lock(unsigned char flags, unsigned char block,
                                     const unsigned char *uid, unsigned char *replyByte);
/* securityStatus: up to 126 bytes, starting with the echoed block count; an
   echo other than blockCount gives VEXA_RESULT_NO_REPLY. */
VEXA_API int VEXA_CALL ISO15693_GetMulSecurity(unsigned char flags, unsigned char firstBlock,
                                               unsigned char blockCount, const unsigned char *uid,
                                               unsigned char *securityStatus);
VEXA_API int VEXA_CALL ISO15693_WriteAFI(unsigned char flags, unsigned char afi,
                                         const unsigned char *uid, unsigned char *replyByte);
VEXA_API int VEXA_CALL ISO15693_LockAFI(unsigned char flags, const unsigned char *uid,
                                        unsigned char *replyByte);
VEXA_API int VEXA_CALL ISO15693_WriteDSFID(unsigned char flags, unsigned char dsfid,
                                           const unsigned char *uid, unsigned char *replyByte);
VEXA_API int VEXA_CALL ISO15693_LockDSFID(unsigned char flags, const unsigned char *uid,
                                          unsigned char *replyByte);
/* sysInfo: 15 bytes. A reply of the wrong length gives VEXA_RESULT_NO_REPLY
   with only sysInfo[0] written. */
VEXA_API int VEXA_CALL ISO15693_GetSysInfo(unsigned char flags, const unsigned char *uid,
                                           unsigned char *sysInfo);
/* commandLength up to 250, otherwise VEXA_RESULT_BAD_ARGUMENT; response:
   up to 126 bytes, copied whatever the status. */
VEXA_API int VEXA_CALL ISO15693_TransCOSCmd(const unsigned char *command, int commandLength,
                                            unsigned char *response);

#ifdef __cplusplus
}
#endif

#endif /* VEXA_H */
