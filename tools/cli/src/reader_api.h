// The library as the tool sees it: one virtual function per exported
// function, with the same name and arguments, so that the commands can be
// run against the real library (LibraryReader) or against a stand-in in the
// unit tests.
#ifndef VEXA_CLI_READER_API_H
#define VEXA_CLI_READER_API_H

#include <cstdint>
#include <string_view>

namespace vexa::cli {

using u8 = std::uint8_t;

// The library's functions, for naming them in messages and looking up what
// their results mean.
enum class Fn {
  GetRecData,
  MF_Request,
  MF_Anticoll,
  MF_Select,
  MF_Halt,
  SetDeviceAddress,
  SetBandrate,
  SetSerNum,
  TYPEB_SFZSNR,
  GetSerNum,
  ControlLED,
  ControlBuzzer,
  GetVersionNum,
  TypeB_Request,
  Type_B,
  MF_Restore,
  MF_Getsnr,
  ISO15693_WriteUserInfo,
  MF_Read,
  MF_Write,
  MF_InitValue,
  MF_Dec,
  MF_Inc,
  ISO15693_Read,
  ISO15693_Write,
  ISO15693_Lock,
  TypeB_TransCOS,
  MF_TypeATransCOSCmd,
  ISO15693_TransCOSCmd,
  ISO15693_GetSysInfo,
  ISO15693_GetMulSecurity,
  ISO15693_Inventory,
  ISO15693_StayQuiet,
  ISO15693_Select,
  ISO15693_ResetToReady,
  ISO15693_LockAFI,
  ISO15693_LockDSFID,
  ISO15693_WriteAFI,
  ISO15693_WriteDSFID,
  UL_HLRead,
  UL_HLWrite,
  UL_Request,
};
inline constexpr int kFunctionCount = 42;

std::string_view functionName(Fn fn);

class Reader {
 public:
  virtual ~Reader() = default;

  virtual int GetRecData(int reserved) = 0;

  virtual int SetDeviceAddress(u8 address, u8* replyByte) = 0;
  virtual int SetBandrate(u8 speedCode, u8* replyByte) = 0;
  virtual int SetSerNum(const u8* serialNumber, u8* replyByte) = 0;
  virtual int GetSerNum(u8* serialNumber) = 0;
  virtual int ISO15693_WriteUserInfo(u8 param, int count, const u8* data) = 0;
  virtual int GetVersionNum(u8* version) = 0;
  virtual int ControlLED(u8 param1, u8 param2, u8* replyByte) = 0;
  virtual int ControlBuzzer(u8 param1, u8 param2, u8* replyByte) = 0;

  virtual int MF_Request(u8 mode, u8* answer) = 0;
  virtual int MF_Anticoll(u8* serial, u8* info) = 0;
  virtual int MF_Select(u8* serial) = 0;
  virtual int MF_Halt() = 0;
  virtual int MF_Getsnr(u8 param1, u8 param2, u8* info, u8* serial) = 0;
  virtual int MF_Read(u8 keyMode, u8 firstBlock, u8 blockCount, u8* key, u8* data) = 0;
  virtual int MF_Write(u8 keyMode, u8 firstBlock, u8 blockCount, u8* key, u8* data) = 0;
  virtual int MF_InitValue(u8 keyMode, u8 block, u8* key, const u8* value) = 0;
  virtual int MF_Dec(u8 keyMode, u8 block, u8* key, u8* value) = 0;
  virtual int MF_Inc(u8 keyMode, u8 block, u8* key, u8* value) = 0;
  virtual int MF_Restore(u8 param, int count, u8* data) = 0;
  virtual int UL_Request(u8 mode, u8* serial) = 0;
  virtual int UL_HLRead(u8 mode, u8 page, u8* serial, u8* data) = 0;
  virtual int UL_HLWrite(u8 mode, u8 page, u8* serial, u8* data) = 0;
  virtual int MF_TypeATransCOSCmd(const u8* command, int commandLength, u8* response) = 0;

  virtual int TypeB_Request(u8* answer) = 0;
  virtual int Type_B(u8* answer) = 0;
  virtual int TYPEB_SFZSNR(u8 param1, u8 param2, u8* info, u8* serial) = 0;
  virtual int TypeB_TransCOS(const u8* command, int commandLength, u8* response) = 0;

  virtual int ISO15693_Inventory(u8* cardCount, u8* cardRecords) = 0;
  virtual int ISO15693_StayQuiet(u8 flags, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_Select(u8 flags, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_ResetToReady(u8 flags, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_Read(u8 flags, u8 firstBlock, u8 blockCount, const u8* uid,
                            u8* blockData) = 0;
  virtual int ISO15693_Write(u8 flags, u8 firstBlock, u8 blockCount, const u8* uid,
                             u8* blockData) = 0;
  virtual int ISO15693_Lock(u8 flags, u8 block, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_GetMulSecurity(u8 flags, u8 firstBlock, u8 blockCount, const u8* uid,
                                      u8* securityStatus) = 0;
  virtual int ISO15693_WriteAFI(u8 flags, u8 afi, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_LockAFI(u8 flags, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_WriteDSFID(u8 flags, u8 dsfid, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_LockDSFID(u8 flags, const u8* uid, u8* replyByte) = 0;
  virtual int ISO15693_GetSysInfo(u8 flags, const u8* uid, u8* sysInfo) = 0;
  virtual int ISO15693_TransCOSCmd(const u8* command, int commandLength, u8* response) = 0;
};

// The real library, through vexa.h.
Reader& libraryReader();

}  // namespace vexa::cli

#endif  // VEXA_CLI_READER_API_H
