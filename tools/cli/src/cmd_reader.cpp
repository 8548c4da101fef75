// The reader's own commands, and what the tool says about the library.
#include <array>
#include <string>

#include "commands.h"
#include "errors.h"
#include "reader_codes.h"
#include "table.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

constexpr int kSignalUnitMs = 10;
constexpr long long kMostSignalMs = 255 * kSignalUnitMs;
constexpr long long kMostRepeats = 255;
constexpr std::size_t kReaderSerialSize = 8;
constexpr std::size_t kSerialReplySize = 9;  // the reader's address, then its serial
constexpr std::size_t kVersionBufferSize = 127;
constexpr int kMostUserInfo = 248;
constexpr int kUserInfoSize = 256;  // the reader's user information area

#if defined(_WIN32) && !defined(_WIN64)
constexpr const char* kCallingConvention = "__stdcall";
#elif defined(_WIN32)
constexpr const char* kCallingConvention = "the x64 convention (__stdcall is ignored)";
#else
constexpr const char* kCallingConvention = "the platform's C convention";
#endif

struct SpeedCode {
  long baud;
  std::uint8_t code;
};
constexpr SpeedCode kSpeeds[] = {
    {9600, 0x00}, {19200, 0x01}, {38400, 0x02}, {57600, 0x03}, {115200, 0x04},
};

std::optional<long> baudOf(std::uint8_t code) {
  for (const SpeedCode& s : kSpeeds) {
    if (s.code == code) return s.baud;
  }
  return std::nullopt;
}

json signal(Session& s, Fn fn, Signal sig, const char* what) {
  std::uint8_t reply = 0;
  const int r = fn == Fn::ControlLED ? s.reader().ControlLED(sig.units, sig.repeats, &reply)
                                     : s.reader().ControlBuzzer(sig.units, sig.repeats, &reply);
  s.require(fn, r, detailIn(reply));
  const int ms = sig.units * kSignalUnitMs;
  return {{"message", std::string(what) + ": " + std::to_string(sig.repeats) + " x " +
                          std::to_string(ms) + " ms"},
          {"on_ms", ms},
          {"times", sig.repeats},
          {"reply", hexByte(reply)}};
}

}  // namespace

Signal parseSignal(const std::string& ms, const std::string& times) {
  const long long duration = parseNumber(ms, kSignalUnitMs, kMostSignalMs, "duration in ms");
  if (duration % kSignalUnitMs != 0) {
    throw UsageError("duration " + ms + " ms is not a multiple of " +
                     std::to_string(kSignalUnitMs) + " ms");
  }
  return Signal{static_cast<std::uint8_t>(duration / kSignalUnitMs),
                static_cast<std::uint8_t>(parseNumber(times, 1, kMostRepeats, "count"))};
}

std::uint8_t parseSpeed(const std::string& text) {
  constexpr std::string_view kCodePrefix = "code:";
  if (text.starts_with(kCodePrefix))
    return parseByte(text.substr(kCodePrefix.size()), "speed code");
  std::string known;
  for (const SpeedCode& s : kSpeeds) {
    if (text == std::to_string(s.baud)) return s.code;
    known += (known.empty() ? "" : ", ") + std::to_string(s.baud);
  }
  throw UsageError("speed '" + text + "' is not one of " + known + " (or code:N for a raw code)");
}

json libraryInfo(Session& s) {
  const int r = s.reader().GetRecData(0);
  s.require(Fn::GetRecData, r);
  return {{"header_version", VEXA_VERSION_STRING},
          {"calling_convention", kCallingConvention},
          {"functions", kFunctionCount},
          {"GetRecData", resultJson(Fn::GetRecData, r)}};
}

void renderLibraryInfo(const json& d, std::ostream& out) {
  printFields(out, {{"vexa.h version", d["header_version"].get<std::string>()},
                    {"calling convention", d["calling_convention"].get<std::string>()},
                    {"functions", std::to_string(d["functions"].get<int>())},
                    {"GetRecData", resultText(d["GetRecData"])}});
}

json readerVersion(Session& s) {
  std::array<std::uint8_t, kVersionBufferSize> version{};
  const int r = s.reader().GetVersionNum(version.data());
  s.require(Fn::GetVersionNum, r, detailIn(version[0]));
  std::string text;
  for (const std::uint8_t c : version) {
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  return {{"version", text}};
}

void renderReaderVersion(const json& d, std::ostream& out) {
  out << d["version"].get<std::string>() << '\n';
}

json readerSerial(Session& s) {
  std::array<std::uint8_t, kSerialReplySize> reply{};
  const int r = s.reader().GetSerNum(reply.data());
  s.require(Fn::GetSerNum, r, detailIn(reply[0]));
  const ByteView serial = ByteView(reply).subspan(1);
  return {{"address", hexByte(reply[0])}, {"serial", hex(serial)}, {"text", printable(serial)}};
}

void renderReaderSerial(const json& d, std::ostream& out) {
  const Bytes serial = parseHex(d["serial"].get<std::string>(), "serial");
  printFields(out, {{"serial number", spacedHex(serial) + "  " + d["text"].get<std::string>()},
                    {"reader address", d["address"].get<std::string>()}});
}

json readerSetSerial(Session& s, const Bytes& serial) {
  if (serial.size() != kReaderSerialSize) {
    throw UsageError("serial number must be " + std::to_string(kReaderSerialSize) + " bytes");
  }
  std::uint8_t reply = 0;
  const int r = s.reader().SetSerNum(serial.data(), &reply);
  s.require(Fn::SetSerNum, r, detailIn(reply));
  return {{"message", "serial number set to " + spacedHex(serial)},
          {"serial", hex(serial)},
          {"reply", hexByte(reply)}};
}

json readerLed(Session& s, Signal sig) { return signal(s, Fn::ControlLED, sig, "LED"); }
json readerBuzzer(Session& s, Signal sig) { return signal(s, Fn::ControlBuzzer, sig, "buzzer"); }

json readerUserInfo(Session& s, std::uint8_t offset, const Bytes& data) {
  if (data.empty() || data.size() > static_cast<std::size_t>(kMostUserInfo)) {
    throw UsageError("user information must be 1 to " + std::to_string(kMostUserInfo) +
                     " bytes, got " + std::to_string(data.size()));
  }
  if (offset + data.size() > static_cast<std::size_t>(kUserInfoSize)) {
    throw UsageError("offset " + std::to_string(offset) + " and " + std::to_string(data.size()) +
                     " bytes run past the reader's " + std::to_string(kUserInfoSize) +
                     "-byte user information");
  }
  const int r =
      s.reader().ISO15693_WriteUserInfo(offset, static_cast<int>(data.size()), data.data());
  s.require(Fn::ISO15693_WriteUserInfo, r);
  return {{"message", std::to_string(data.size()) +
                          " bytes of user information written at offset " + std::to_string(offset)},
          {"offset", offset},
          {"data", hex(data)}};
}

json readerAddress(Session& s, std::uint8_t address) {
  std::uint8_t reply = 0;
  const int r = s.reader().SetDeviceAddress(address, &reply);
  s.require(Fn::SetDeviceAddress, r, detailIn(reply));
  return {{"message", "reader address set to " + hexByte(address)},
          {"address", hexByte(address)},
          {"reply", hexByte(reply)}};
}

json readerSpeed(Session& s, std::uint8_t code) {
  std::uint8_t reply = 0;
  const int r = s.reader().SetBandrate(code, &reply);
  s.require(Fn::SetBandrate, r, detailIn(reply));
  const auto baud = baudOf(code);
  json out = {{"message", "serial-line speed set to " +
                              (baud ? std::to_string(*baud) + " baud" : std::string("code")) +
                              " (code " + hexByte(code) + ")"},
              {"code", hexByte(code)}};
  if (baud) out["baud"] = *baud;
  out["reply"] = hexByte(reply);
  return out;
}

void renderMessage(const json& d, std::ostream& out) {
  out << d["message"].get<std::string>() << '\n';
}

std::string resultText(const json& result) {
  return std::to_string(result["code"].get<int>()) + " (" + result["meaning"].get<std::string>() +
         (result.contains("detail") ? ": " + result["detail"]["meaning"].get<std::string>() + ", " +
                                          result["detail"]["code"].get<std::string>()
                                    : std::string()) +
         ")";
}

}  // namespace vexa::cli
