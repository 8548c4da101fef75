// The reader: its own settings, the field in front of it, and the table
// that hands each command frame to the handler of its command code.
#ifndef VR_READER_H
#define VR_READER_H

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "bytes.h"
#include "field.h"
#include "frame.h"

namespace vr {

struct ReaderState {
  static constexpr std::size_t kSerialSize = 8;
  static constexpr std::size_t kUserInfoSize = 256;
  static constexpr std::uint8_t kDefaultSpeedCode = 0x04;  // 115200 baud
  static constexpr std::array<std::uint8_t, kSerialSize> kDefaultSerial = {
      0x56, 0x58, 0x41, 0x56, 0x00, 0x00, 0x00, 0x01};  // "VXAV" 1

  std::uint8_t address = 0x00;
  std::uint8_t speedCode = kDefaultSpeedCode;
  std::array<std::uint8_t, kSerialSize> serialNumber = kDefaultSerial;
  std::array<std::uint8_t, kUserInfoSize> userInfo{};
  std::string version = "VEXA virtual reader 1.0";
};

// An LED or buzzer request as received: recorded, never stored.
struct SignalRequest {
  std::uint8_t durationUnits = 0;  // one flash or beep, in 10 ms
  std::uint8_t repeats = 0;
};

struct SignalLog {
  unsigned count = 0;
  SignalRequest last;
};

struct Reply {
  std::uint8_t status = 0;
  Bytes data;
  // The command's name when it depends on the frame (the transparent
  // command of both 14443 types).
  const char* name = nullptr;
};

Reply ok(Bytes data = {});
Reply failed(std::uint8_t detailCode);

// Reads the fields of a request in order. Running short, or leaving bytes
// over at `end`, means the frame does not fit its command.
class FieldReader {
 public:
  struct Misfit {};

  explicit FieldReader(ByteView fields) : fields_(fields) {}
  std::uint8_t byte();
  ByteView take(std::size_t n);
  ByteView rest();
  std::size_t remaining() const { return fields_.size() - at_; }
  void end() const;

 private:
  ByteView fields_;
  std::size_t at_ = 0;
};

class Reader;
using Handler = Reply (*)(Reader&, const Request&, FieldReader&);

struct CommandEntry {
  std::uint8_t code;
  const char* name;  // the library function that sends it
  Handler handler;
};

// The handlers of each family, defined beside them.
std::span<const CommandEntry> readerCommandTable();
std::span<const CommandEntry> typeACommandTable();
std::span<const CommandEntry> typeBCommandTable();
std::span<const CommandEntry> vicinityCommandTable();

class Reader {
 public:
  struct Exchange {
    bool answered = false;  // false: the frame was for another address
    Bytes reply;
    std::string name;  // of the command, for the trace
    std::uint8_t status = 0;
  };

  Reader();

  ReaderState state;
  Field field;
  SignalLog led;
  SignalLog buzzer;
  // Receives a line for each event worth tracing besides the frames.
  std::function<void(const std::string&)> onEvent;

  Exchange exchange(ByteView frame);
  static const char* commandName(std::uint8_t code);

  void event(const std::string& text) const {
    if (onEvent) onEvent(text);
  }
};

}  // namespace vr

#endif  // VR_READER_H
