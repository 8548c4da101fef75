// The tool's commands. Each takes its arguments already checked (the
// parse* functions throw UsageError before anything reaches the library),
// makes its library calls through the Session, and returns what it found as
// JSON; its renderer turns that JSON into text for people.
#ifndef VEXA_CLI_COMMANDS_H
#define VEXA_CLI_COMMANDS_H

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cards.h"
#include "session.h"

namespace vexa::cli {

using Render = void (*)(const json& data, std::ostream& out);

// ---- the library and the whole field ----
json libraryInfo(Session& s);
void renderLibraryInfo(const json& d, std::ostream& out);
json scan(Session& s);
void renderScan(const json& d, std::ostream& out);

// ---- the reader ----
// LED and buzzer: one flash or beep of `units` x 10 ms, `repeats` times.
struct Signal {
  std::uint8_t units;
  std::uint8_t repeats;
};
Signal parseSignal(const std::string& ms, const std::string& times);
// A speed in baud (9600 ... 115200) or "code:N" for any code byte.
std::uint8_t parseSpeed(const std::string& text);

json readerVersion(Session& s);
void renderReaderVersion(const json& d, std::ostream& out);
json readerSerial(Session& s);
void renderReaderSerial(const json& d, std::ostream& out);
json readerSetSerial(Session& s, const Bytes& serial);
json readerLed(Session& s, Signal signal);
json readerBuzzer(Session& s, Signal signal);
json readerUserInfo(Session& s, std::uint8_t offset, const Bytes& data);
json readerAddress(Session& s, std::uint8_t address);
json readerSpeed(Session& s, std::uint8_t code);
// Renders {"message": ...} and the reply byte, for the reader's setters.
void renderMessage(const json& d, std::ostream& out);

// ---- ISO/IEC 14443 Type A ----
json typeARequest(Session& s, bool idleOnly);
void renderTypeARequest(const json& d, std::ostream& out);
// Request, anticollision and select of the first card.
json typeAActivate(Session& s, bool idleOnly);
json typeASelect(Session& s, const Bytes& serial);
json typeAHalt(Session& s);
json typeASerial(Session& s, bool idleOnly, bool haltAfter);
void renderTypeACard(const json& d, std::ostream& out);
// APDUs, in order, to the card with serial `serial` (cascade level 1), or
// to the first card that takes the first of them.
json typeAApdu(Session& s, const std::vector<Bytes>& apdus, const std::optional<Bytes>& serial);
void renderApdu(const json& d, std::ostream& out);

// ---- MIFARE Classic ----
struct ClassicKey {
  std::uint8_t mode;  // kKeyModeA or kKeyModeB
  std::array<std::uint8_t, kClassicKeySize> bytes;
  char name;  // 'A' or 'B'
};
ClassicKey parseClassicKey(const std::string& hexKey, const std::string& type);

struct ClassicTarget {
  ClassicKey key;
  const ClassicLayout* layout;
};

json classicRead(Session& s, const ClassicTarget& t, int block, int count);
void renderClassicBlocks(const json& d, std::ostream& out);
// Refuses the manufacturer block, and sector trailers unless allowTrailer.
json classicWrite(Session& s, const ClassicTarget& t, int block, const Bytes& data,
                  bool allowTrailer);
json classicDump(Session& s, const ClassicTarget& t);
void renderClassicDump(const json& d, std::ostream& out);
json valueInit(Session& s, const ClassicTarget& t, int block, std::int32_t value);
json valueChange(Session& s, const ClassicTarget& t, int block, std::int32_t amount,
                 bool increment);
json valueShow(Session& s, const ClassicTarget& t, int block);
json valueRestore(Session& s, const ClassicTarget& t, int from, int to);
void renderValue(const json& d, std::ostream& out);

// ---- Ultralight ----
inline constexpr int kUltralightPages = 16;
inline constexpr int kUltralightPageSize = 4;
json ultralightRequest(Session& s, bool idleOnly);
json ultralightRead(Session& s, bool idleOnly, int page);
// Pages 2 (lock bits) and 3 (one-time programmable) only when confirmed.
json ultralightWrite(Session& s, bool idleOnly, int page, const Bytes& data, bool confirmed);
void renderUltralight(const json& d, std::ostream& out);

// ---- ISO/IEC 14443 Type B ----
json typeBRequest(Session& s);
void renderTypeBRequest(const json& d, std::ostream& out);
json typeBHalt(Session& s);
json typeBIdSerial(Session& s, bool idleOnly, bool haltAfter);
void renderTypeBIdSerial(const json& d, std::ostream& out);
// APDUs, in order, to the first Type B card.
json typeBApdu(Session& s, const std::vector<Bytes>& apdus);

// ---- ISO/IEC 15693 ----
// The tag a command is for: one UID (addressed), or whichever tag answers.
struct VicinityTarget {
  std::optional<Bytes> uid;  // as written, most significant byte first
};
VicinityTarget parseVicinityTarget(const std::string& uidText);

json vicinityInventory(Session& s);
void renderVicinityInventory(const json& d, std::ostream& out);
json vicinityStayQuiet(Session& s, const Bytes& uid);
json vicinitySelect(Session& s, const Bytes& uid);
json vicinityResetToReady(Session& s, const VicinityTarget& t);
json vicinityRead(Session& s, const VicinityTarget& t, int first, int count, int blockSize,
                  bool withLockStatus);
void renderVicinityBlocks(const json& d, std::ostream& out);
// Whole 4-byte blocks, as the library sends them.
json vicinityWrite(Session& s, const VicinityTarget& t, int first, const Bytes& data);
// Locks are for good: they need `confirmed`.
json vicinityLock(Session& s, const VicinityTarget& t, int block, bool confirmed);
json vicinitySecurity(Session& s, const VicinityTarget& t, int first, int count);
void renderVicinitySecurity(const json& d, std::ostream& out);
json vicinityWriteAfi(Session& s, const VicinityTarget& t, std::uint8_t afi);
json vicinityLockAfi(Session& s, const VicinityTarget& t, bool confirmed);
json vicinityWriteDsfid(Session& s, const VicinityTarget& t, std::uint8_t dsfid);
json vicinityLockDsfid(Session& s, const VicinityTarget& t, bool confirmed);
json vicinitySystemInfo(Session& s, const VicinityTarget& t);
void renderVicinitySystemInfo(const json& d, std::ostream& out);
json vicinityRaw(Session& s, const Bytes& request);
void renderRaw(const json& d, std::ostream& out);

// ---- shared pieces of the renderers ----
std::string resultText(const json& result);  // "0 (success)"
json systemInfoJson(const SystemInfo& info);

}  // namespace vexa::cli

#endif  // VEXA_CLI_COMMANDS_H
