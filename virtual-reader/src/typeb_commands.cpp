// ISO/IEC 14443 Type B: request with ATTRIB, halt, the identity card's
// serial number, and the transparent command 0x0D in both its layouts.
#include "codes.h"
#include "reader.h"

namespace vr {

Reply typeATransparent(Reader& r, ByteView command);

namespace {

constexpr std::uint8_t kModeWakeUp = 0x00;  // WUPB: halted cards answer too
constexpr std::uint8_t kModeIdleOnly = 0x01;
constexpr std::uint8_t kLeaveActive = 0x00;
constexpr std::uint8_t kHaltAfter = 0x01;
constexpr std::uint8_t kHaltAnswer = 0x00;
constexpr std::uint8_t kStatusWordOkHigh = 0x90;
constexpr std::uint8_t kStatusWordOkLow = 0x00;
constexpr std::size_t kStatusWordSize = 2;
const Bytes kReadIdSerial = {0x00, TypeBCard::kIdSerialInstruction, 0x00, 0x00,
                             static_cast<std::uint8_t>(TypeBCard::kIdSerialSize)};

Reply request(Reader& r, const Request&, FieldReader& f) {
  f.end();
  const auto answered = r.field.requestB(true);
  if (answered.empty()) return failed(detail::kNoCard);
  TypeBCard* card = answered.front();
  r.field.attrib(*card);
  return ok(card->atqb());
}

Reply halt(Reader& r, const Request&, FieldReader& f) {
  f.end();
  TypeBCard* card = r.field.activeB();
  if (!card) return failed(detail::kNoCard);
  card->setState(TypeBState::kHalt);
  return ok({kHaltAnswer});
}

Reply idSerial(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t mode = f.byte();
  const std::uint8_t after = f.byte();
  f.end();
  if ((mode != kModeWakeUp && mode != kModeIdleOnly) ||
      (after != kLeaveActive && after != kHaltAfter)) {
    return failed(detail::kBadParameter);
  }
  const auto answered = r.field.requestB(mode == kModeWakeUp);
  if (answered.empty()) return failed(detail::kNoCard);
  TypeBCard* card = answered.front();
  r.field.attrib(*card);
  const Bytes response = card->transceive(kReadIdSerial);
  if (after == kHaltAfter) card->setState(TypeBState::kHalt);
  const bool good = response.size() == TypeBCard::kIdSerialSize + kStatusWordSize &&
                    response[TypeBCard::kIdSerialSize] == kStatusWordOkHigh &&
                    response[TypeBCard::kIdSerialSize + 1] == kStatusWordOkLow;
  if (!good) return failed(detail::kWrongCard);
  Bytes data{static_cast<std::uint8_t>(answered.size())};
  data.insert(data.end(), response.begin(), response.begin() + TypeBCard::kIdSerialSize);
  return ok(std::move(data));
}

Reply typeBTransparent(Reader& r, ByteView command) {
  TypeBCard* card = r.field.activeB();
  if (!card) return failed(detail::kNoCard);
  return ok(card->transceive(command));
}

// Both layouts share the code. Type B puts a count byte first and a LEN
// that counts it; Type A puts the command bytes right after the code, with
// a LEN one greater than they need (or, from a sender that counts exactly,
// the frame's own length).
Reply transparent(Reader& r, const Request& request, FieldReader& f) {
  const ByteView fields = f.rest();
  const bool typeB = !request.lenCountsOneOver && !fields.empty() && fields[0] == fields.size() - 1;
  Reply reply = typeB ? typeBTransparent(r, fields.subspan(1)) : typeATransparent(r, fields);
  reply.name = typeB ? "TypeB_TransCOS" : "MF_TypeATransCOSCmd";
  return reply;
}

constexpr CommandEntry kTable[] = {
    {cmd::kTypeBRequest, "TypeB_Request", request},
    {cmd::kTypeBHalt, "Type_B", halt},
    {cmd::kTypeBIdSerial, "TYPEB_SFZSNR", idSerial},
    {cmd::kTransparent14443, "TransCOS", transparent},
};

}  // namespace

std::span<const CommandEntry> typeBCommandTable() { return kTable; }

}  // namespace vr
