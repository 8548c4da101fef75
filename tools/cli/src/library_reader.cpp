// The tool's only contact with the library: each call goes straight to the
// exported function of the same name.
#include "reader_api.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

class LibraryReader final : public Reader {
 public:
  int GetRecData(int reserved) override { return ::GetRecData(reserved); }

  int SetDeviceAddress(u8 address, u8* replyByte) override {
    return ::SetDeviceAddress(address, replyByte);
  }
  int SetBandrate(u8 speedCode, u8* replyByte) override {
    return ::SetBandrate(speedCode, replyByte);
  }
  int SetSerNum(const u8* serialNumber, u8* replyByte) override {
    return ::SetSerNum(serialNumber, replyByte);
  }
  int GetSerNum(u8* serialNumber) override { return ::GetSerNum(serialNumber); }
  int ISO15693_WriteUserInfo(u8 param, int count, const u8* data) override {
    return ::ISO15693_WriteUserInfo(param, count, data);
  }
  int GetVersionNum(u8* version) override { return ::GetVersionNum(version); }
  int ControlLED(u8 param1, u8 param2, u8* replyByte) override {
    return ::ControlLED(param1, param2, replyByte);
  }
  int ControlBuzzer(u8 param1, u8 param2, u8* replyByte) override {
    return ::ControlBuzzer(param1, param2, replyByte);
  }

  int MF_Request(u8 mode, u8* answer) override { return ::MF_Request(mode, answer); }
  int MF_Anticoll(u8* serial, u8* info) override { return ::MF_Anticoll(serial, info); }
  int MF_Select(u8* serial) override { return ::MF_Select(serial); }
  int MF_Halt() override { return ::MF_Halt(); }
  int MF_Getsnr(u8 param1, u8 param2, u8* info, u8* serial) override {
    return ::MF_Getsnr(param1, param2, info, serial);
  }
  int MF_Read(u8 keyMode, u8 firstBlock, u8 blockCount, u8* key, u8* data) override {
    return ::MF_Read(keyMode, firstBlock, blockCount, key, data);
  }
  int MF_Write(u8 keyMode, u8 firstBlock, u8 blockCount, u8* key, u8* data) override {
    return ::MF_Write(keyMode, firstBlock, blockCount, key, data);
  }
  int MF_InitValue(u8 keyMode, u8 block, u8* key, const u8* value) override {
    return ::MF_InitValue(keyMode, block, key, value);
  }
  int MF_Dec(u8 keyMode, u8 block, u8* key, u8* value) override {
    return ::MF_Dec(keyMode, block, key, value);
  }
  int MF_Inc(u8 keyMode, u8 block, u8* key, u8* value) override {
    return ::MF_Inc(keyMode, block, key, value);
  }
  int MF_Restore(u8 param, int count, u8* data) override {
    return ::MF_Restore(param, count, data);
  }
  int UL_Request(u8 mode, u8* serial) override { return ::UL_Request(mode, serial); }
  int UL_HLRead(u8 mode, u8 page, u8* serial, u8* data) override {
    return ::UL_HLRead(mode, page, serial, data);
  }
  int UL_HLWrite(u8 mode, u8 page, u8* serial, u8* data) override {
    return ::UL_HLWrite(mode, page, serial, data);
  }
  int MF_TypeATransCOSCmd(const u8* command, int commandLength, u8* response) override {
    return ::MF_TypeATransCOSCmd(command, commandLength, response);
  }

  int TypeB_Request(u8* answer) override { return ::TypeB_Request(answer); }
  int Type_B(u8* answer) override { return ::Type_B(answer); }
  int TYPEB_SFZSNR(u8 param1, u8 param2, u8* info, u8* serial) override {
    return ::TYPEB_SFZSNR(param1, param2, info, serial);
  }
  int TypeB_TransCOS(const u8* command, int commandLength, u8* response) override {
    return ::TypeB_TransCOS(command, commandLength, response);
  }

  int ISO15693_Inventory(u8* cardCount, u8* cardRecords) override {
    return ::ISO15693_Inventory(cardCount, cardRecords);
  }
  int ISO15693_StayQuiet(u8 flags, const u8* uid, u8* replyByte) override {
    return ::ISO15693_StayQuiet(flags, uid, replyByte);
  }
  int ISO15693_Select(u8 flags, const u8* uid, u8* replyByte) override {
    return ::ISO15693_Select(flags, uid, replyByte);
  }
  int ISO15693_ResetToReady(u8 flags, const u8* uid, u8* replyByte) override {
    return ::ISO15693_ResetToReady(flags, uid, replyByte);
  }
  int ISO15693_Read(u8 flags, u8 firstBlock, u8 blockCount, const u8* uid, u8* blockData) override {
    return ::ISO15693_Read(flags, firstBlock, blockCount, uid, blockData);
  }
  int ISO15693_Write(u8 flags, u8 firstBlock, u8 blockCount, const u8* uid,
                     u8* blockData) override {
    return ::ISO15693_Write(flags, firstBlock, blockCount, uid, blockData);
  }
  int ISO15693_Lock(u8 flags, u8 block, const u8* uid, u8* replyByte) override {
    return ::ISO15693_Lock(flags, block, uid, replyByte);
  }
  int ISO15693_GetMulSecurity(u8 flags, u8 firstBlock, u8 blockCount, const u8* uid,
                              u8* securityStatus) override {
    return ::ISO15693_GetMulSecurity(flags, firstBlock, blockCount, uid, securityStatus);
  }
  int ISO15693_WriteAFI(u8 flags, u8 afi, const u8* uid, u8* replyByte) override {
    return ::ISO15693_WriteAFI(flags, afi, uid, replyByte);
  }
  int ISO15693_LockAFI(u8 flags, const u8* uid, u8* replyByte) override {
    return ::ISO15693_LockAFI(flags, uid, replyByte);
  }
  int ISO15693_WriteDSFID(u8 flags, u8 dsfid, const u8* uid, u8* replyByte) override {
    return ::ISO15693_WriteDSFID(flags, dsfid, uid, replyByte);
  }
  int ISO15693_LockDSFID(u8 flags, const u8* uid, u8* replyByte) override {
    return ::ISO15693_LockDSFID(flags, uid, replyByte);
  }
  int ISO15693_GetSysInfo(u8 flags, const u8* uid, u8* sysInfo) override {
    return ::ISO15693_GetSysInfo(flags, uid, sysInfo);
  }
  int ISO15693_TransCOSCmd(const u8* command, int commandLength, u8* response) override {
    return ::ISO15693_TransCOSCmd(command, commandLength, response);
  }
};

}  // namespace

Reader& libraryReader() {
  static LibraryReader reader;
  return reader;
}

}  // namespace vexa::cli
