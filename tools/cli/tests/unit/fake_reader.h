// A stand-in for the library: every function counts its calls and answers
// as a reader that is not there (5, or the function's own code for it);
// tests override the functions they script.
#ifndef VEXA_CLI_TESTS_FAKE_READER_H
#define VEXA_CLI_TESTS_FAKE_READER_H

#include <map>
#include <string>

#include "reader_api.h"

namespace vexa::cli::testing {

inline constexpr int kNoReply = 5;
inline constexpr int kNoReplyIso15693 = 2;
inline constexpr int kFailedExchange = 1;  // what status-returning functions give

class FakeReader : public Reader {
 public:
  int total() const {
    int n = 0;
    for (const auto& [name, count] : calls) n += count;
    return n;
  }
  std::map<std::string, int> calls;

#define VEXA_FAKE(name, result, ...) \
  int name(__VA_ARGS__) override {   \
    ++calls[#name];                  \
    return result;                   \
  }
  VEXA_FAKE(GetRecData, 0, int)
  VEXA_FAKE(SetDeviceAddress, kNoReply, u8, u8*)
  VEXA_FAKE(SetBandrate, kNoReply, u8, u8*)
  VEXA_FAKE(SetSerNum, kNoReply, const u8*, u8*)
  VEXA_FAKE(GetSerNum, kNoReply, u8*)
  VEXA_FAKE(ISO15693_WriteUserInfo, kNoReply, u8, int, const u8*)
  VEXA_FAKE(GetVersionNum, kNoReply, u8*)
  VEXA_FAKE(ControlLED, kNoReply, u8, u8, u8*)
  VEXA_FAKE(ControlBuzzer, kNoReply, u8, u8, u8*)
  VEXA_FAKE(MF_Request, kNoReply, u8, u8*)
  VEXA_FAKE(MF_Anticoll, kNoReply, u8*, u8*)
  VEXA_FAKE(MF_Select, kNoReply, u8*)
  VEXA_FAKE(MF_Halt, kNoReply)
  VEXA_FAKE(MF_Getsnr, kNoReply, u8, u8, u8*, u8*)
  VEXA_FAKE(MF_Read, kFailedExchange, u8, u8, u8, u8*, u8*)
  VEXA_FAKE(MF_Write, kNoReply, u8, u8, u8, u8*, u8*)
  VEXA_FAKE(MF_InitValue, kNoReply, u8, u8, u8*, const u8*)
  VEXA_FAKE(MF_Dec, kNoReply, u8, u8, u8*, u8*)
  VEXA_FAKE(MF_Inc, kNoReply, u8, u8, u8*, u8*)
  VEXA_FAKE(MF_Restore, kNoReply, u8, int, u8*)
  VEXA_FAKE(UL_Request, kNoReply, u8, u8*)
  VEXA_FAKE(UL_HLRead, kNoReply, u8, u8, u8*, u8*)
  VEXA_FAKE(UL_HLWrite, kNoReply, u8, u8, u8*, u8*)
  VEXA_FAKE(MF_TypeATransCOSCmd, kNoReply, const u8*, int, u8*)
  VEXA_FAKE(TypeB_Request, kNoReply, u8*)
  VEXA_FAKE(Type_B, kNoReply, u8*)
  VEXA_FAKE(TYPEB_SFZSNR, kNoReply, u8, u8, u8*, u8*)
  VEXA_FAKE(TypeB_TransCOS, kNoReply, const u8*, int, u8*)
  VEXA_FAKE(ISO15693_Inventory, kNoReplyIso15693, u8*, u8*)
  VEXA_FAKE(ISO15693_StayQuiet, kFailedExchange, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_Select, kFailedExchange, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_ResetToReady, kFailedExchange, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_Read, kFailedExchange, u8, u8, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_Write, kFailedExchange, u8, u8, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_Lock, kFailedExchange, u8, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_GetMulSecurity, kNoReply, u8, u8, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_WriteAFI, kFailedExchange, u8, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_LockAFI, kFailedExchange, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_WriteDSFID, kFailedExchange, u8, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_LockDSFID, kFailedExchange, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_GetSysInfo, kNoReplyIso15693, u8, const u8*, u8*)
  VEXA_FAKE(ISO15693_TransCOSCmd, kNoReply, const u8*, int, u8*)
#undef VEXA_FAKE
};

}  // namespace vexa::cli::testing

#endif  // VEXA_CLI_TESTS_FAKE_READER_H
