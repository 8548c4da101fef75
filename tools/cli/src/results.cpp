#include "results.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>

#include "hex.h"
#include "reader_codes.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

constexpr std::array<std::string_view, kFunctionCount> kNames = {
    "GetRecData",
    "MF_Request",
    "MF_Anticoll",
    "MF_Select",
    "MF_Halt",
    "SetDeviceAddress",
    "SetBandrate",
    "SetSerNum",
    "TYPEB_SFZSNR",
    "GetSerNum",
    "ControlLED",
    "ControlBuzzer",
    "GetVersionNum",
    "TypeB_Request",
    "Type_B",
    "MF_Restore",
    "MF_Getsnr",
    "ISO15693_WriteUserInfo",
    "MF_Read",
    "MF_Write",
    "MF_InitValue",
    "MF_Dec",
    "MF_Inc",
    "ISO15693_Read",
    "ISO15693_Write",
    "ISO15693_Lock",
    "TypeB_TransCOS",
    "MF_TypeATransCOSCmd",
    "ISO15693_TransCOSCmd",
    "ISO15693_GetSysInfo",
    "ISO15693_GetMulSecurity",
    "ISO15693_Inventory",
    "ISO15693_StayQuiet",
    "ISO15693_Select",
    "ISO15693_ResetToReady",
    "ISO15693_LockAFI",
    "ISO15693_LockDSFID",
    "ISO15693_WriteAFI",
    "ISO15693_WriteDSFID",
    "UL_HLRead",
    "UL_HLWrite",
    "UL_Request",
};

bool among(Fn fn, std::initializer_list<Fn> set) {
  return std::find(set.begin(), set.end(), fn) != set.end();
}

// Functions that refuse an argument with kBadArgument before sending.
bool checksArguments(Fn fn) {
  return among(fn, {Fn::MF_Request, Fn::MF_Read, Fn::MF_Write, Fn::MF_Restore, Fn::UL_HLRead,
                    Fn::UL_HLWrite, Fn::MF_TypeATransCOSCmd, Fn::TypeB_TransCOS, Fn::ISO15693_Write,
                    Fn::ISO15693_TransCOSCmd, Fn::ISO15693_WriteUserInfo});
}

// Functions that refuse a zero count or block with kZeroArgument.
bool refusesZero(Fn fn) { return among(fn, {Fn::ISO15693_Read, Fn::ISO15693_Lock}); }

// Functions that report a reply from another address (and a failed
// exchange) as kNoReplyIso15693.
bool noReplyIsTwo(Fn fn) { return among(fn, {Fn::ISO15693_Inventory, Fn::ISO15693_GetSysInfo}); }

// Functions with no code of their own for a reply from another address:
// they return its status, which is 1 after a failed exchange.
bool noReplyIsStatus(Fn fn) {
  return among(fn, {Fn::MF_Read, Fn::ISO15693_Read, Fn::ISO15693_Write, Fn::ISO15693_Lock,
                    Fn::ISO15693_StayQuiet, Fn::ISO15693_Select, Fn::ISO15693_ResetToReady,
                    Fn::ISO15693_WriteAFI, Fn::ISO15693_LockAFI, Fn::ISO15693_WriteDSFID,
                    Fn::ISO15693_LockDSFID});
}

// Functions whose 5 also means that the reply does not answer the request.
bool noReplyIncludesMismatch(Fn fn) {
  return among(fn, {Fn::ISO15693_GetSysInfo, Fn::ISO15693_GetMulSecurity, Fn::ISO15693_Inventory});
}

std::string readerStatusMeaning(int result) {
  switch (result) {
    case kStatusFailed:
      return "the command failed";
    case kStatusChecksumError:
      return "the reader found a checksum error in the command frame";
    case kStatusFrameError:
      return "the reader could not take the command frame (marks, length or fields)";
    case kStatusUnknownCommand:
      return "the reader does not know the command";
    default:
      return "reader status " + std::to_string(result);
  }
}

}  // namespace

std::string_view functionName(Fn fn) { return kNames[static_cast<std::size_t>(fn)]; }

bool isLibraryCode(Fn fn, int result) {
  switch (result) {
    case VEXA_RESULT_BAD_ARGUMENT:
      return checksArguments(fn);
    case VEXA_RESULT_NO_REPLY:
      return !noReplyIsStatus(fn) && fn != Fn::GetRecData;
    case VEXA_RESULT_NO_REPLY_ISO15693:
      return noReplyIsTwo(fn);
    case VEXA_RESULT_REQUEST_FAILED:
      return fn == Fn::MF_Request;
    default:
      return false;
  }
}

std::string resultMeaning(Fn fn, int result) {
  if (result == VEXA_RESULT_OK) return "success";
  if (isLibraryCode(fn, result)) {
    switch (result) {
      case VEXA_RESULT_BAD_ARGUMENT:
        return "an argument is out of range; nothing was sent";
      case VEXA_RESULT_NO_REPLY:
        return noReplyIncludesMismatch(fn)
                   ? "no reply from the reader, or a reply that does not answer the request"
                   : "no reply from the reader (or the transport library is missing)";
      case VEXA_RESULT_NO_REPLY_ISO15693:
        return "no reply from the reader (or the transport library is missing)";
      case VEXA_RESULT_REQUEST_FAILED:
        return "no card answered the request";
      default:
        break;
    }
  }
  if (result == VEXA_RESULT_ZERO_ARGUMENT && refusesZero(fn)) {
    return "the command failed, or no reply from the reader";
  }
  if (result == kStatusFailed && noReplyIsStatus(fn)) {
    return "the command failed, or no reply from the reader";
  }
  return readerStatusMeaning(result);
}

std::string detailMeaning(std::uint8_t detail) {
  switch (detail) {
    case kDetailNoCard:
      return "no card in the field";
    case kDetailCollision:
      return "more than one card answered";
    case kDetailAuthFailed:
      return "authentication failed (wrong key?)";
    case kDetailAccessDenied:
      return "the access conditions do not allow it";
    case kDetailBadBlock:
      return "no such block or page";
    case kDetailReadOnly:
      return "the block is read-only";
    case kDetailNotValueBlock:
      return "not a value block";
    case kDetailValueOverflow:
      return "the value would overflow";
    case kDetailBadParameter:
      return "the reader refused a parameter";
    case kDetailWrongCard:
      return "the card does not take this command";
    case kTagErrorNotSupported:
      return "the tag does not support the command";
    case kTagErrorNotRecognised:
      return "the tag did not recognise the command";
    case kTagErrorOptionNotSupported:
      return "the tag does not support the option";
    case kTagErrorUnknown:
      return "the tag reported an unknown error";
    case kTagErrorBlockUnavailable:
      return "the block is not available";
    case kTagErrorAlreadyLocked:
      return "already locked";
    case kTagErrorLocked:
      return "locked: it cannot be changed";
    case kTagErrorProgramFailed:
      return "the tag could not program the block";
    case kTagErrorLockFailed:
      return "the tag could not lock the block";
    default:
      return "detail " + hexByte(detail);
  }
}

std::string describeResult(Fn fn, int result, std::optional<std::uint8_t> detail) {
  std::string text = std::string(functionName(fn)) + " returned " + std::to_string(result) + ": " +
                     resultMeaning(fn, result);
  if (detail) text += ": " + detailMeaning(*detail) + " (detail " + hexByte(*detail) + ")";
  return text;
}

}  // namespace vexa::cli
