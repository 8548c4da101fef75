// Commands for the reader itself: address, speed, serial number, user
// information, version, LED and buzzer.
#include <algorithm>
#include <string>

#include "codes.h"
#include "reader.h"

namespace vr {
namespace {

constexpr std::uint8_t kAcknowledge = 0x00;
// Speed codes: 9600, 19200, 38400, 57600 and 115200 baud.
constexpr std::uint8_t kHighestSpeedCode = 0x04;
// GetVersionNum's reply carries at most 126 data bytes: the text and a NUL.
constexpr std::size_t kMaxVersionText = 125;
constexpr int kSignalUnitMs = 10;

Reply setAddress(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t address = f.byte();
  f.end();
  r.state.address = address;
  return ok({address});
}

Reply setBaudRate(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t code = f.byte();
  f.end();
  if (code > kHighestSpeedCode) return failed(detail::kBadParameter);
  r.state.speedCode = code;
  return ok({code});
}

Reply setSerial(Reader& r, const Request&, FieldReader& f) {
  const ByteView serial = f.take(ReaderState::kSerialSize);
  f.end();
  std::copy(serial.begin(), serial.end(), r.state.serialNumber.begin());
  return ok({kAcknowledge});
}

Reply getSerial(Reader& r, const Request&, FieldReader& f) {
  f.end();
  Bytes data{r.state.address};
  append(data, r.state.serialNumber);
  return ok(std::move(data));
}

Reply writeUserInfo(Reader& r, const Request&, FieldReader& f) {
  const std::size_t offset = f.byte();
  const std::size_t count = f.byte();
  const ByteView data = f.take(count);
  f.end();
  if (offset + count > ReaderState::kUserInfoSize) return failed(detail::kBadParameter);
  std::copy(data.begin(), data.end(),
            r.state.userInfo.begin() + static_cast<std::ptrdiff_t>(offset));
  return ok();
}

Reply getVersion(Reader& r, const Request&, FieldReader& f) {
  f.end();
  const std::string& text = r.state.version;
  Bytes data(text.begin(),
             text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), kMaxVersionText)));
  data.push_back('\0');
  return ok(std::move(data));
}

std::string describe(const char* what, const SignalRequest& s) {
  return std::string(what) + ": " + std::to_string(s.repeats) + " x " +
         std::to_string(s.durationUnits * kSignalUnitMs) + " ms";
}

SignalRequest readSignal(FieldReader& f) {
  SignalRequest s{};
  s.durationUnits = f.byte();
  s.repeats = f.byte();
  f.end();
  return s;
}

Reply controlLed(Reader& r, const Request&, FieldReader& f) {
  const SignalRequest s = readSignal(f);
  ++r.led.count;
  r.led.last = s;
  r.event(describe("LED", s));
  return ok({kAcknowledge});
}

Reply controlBuzzer(Reader& r, const Request&, FieldReader& f) {
  const SignalRequest s = readSignal(f);
  ++r.buzzer.count;
  r.buzzer.last = s;
  r.event(describe("buzzer", s));
  return ok({kAcknowledge});
}

constexpr CommandEntry kTable[] = {
    {cmd::kSetAddress, "SetDeviceAddress", setAddress},
    {cmd::kSetBaudRate, "SetBandrate", setBaudRate},
    {cmd::kSetSerial, "SetSerNum", setSerial},
    {cmd::kGetSerial, "GetSerNum", getSerial},
    {cmd::kWriteUserInfo, "ISO15693_WriteUserInfo", writeUserInfo},
    {cmd::kGetVersion, "GetVersionNum", getVersion},
    {cmd::kControlLed, "ControlLED", controlLed},
    {cmd::kControlBuzzer, "ControlBuzzer", controlBuzzer},
};

}  // namespace

std::span<const CommandEntry> readerCommandTable() { return kTable; }

}  // namespace vr
