// ISO/IEC 14443 Type A: activation, the one-step serial number, APDUs.
#include <algorithm>
#include <array>

#include "apdu.h"
#include "commands.h"
#include "errors.h"
#include "reader_codes.h"
#include "table.h"
#include "typea.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

constexpr std::size_t kAtqaSize = 2;
constexpr int kMostTypeACards = 8;
constexpr std::size_t kMostTypeAApdu = 250;
constexpr std::size_t kTransparentBuffer = 256;
// Where MF_TypeATransCOSCmd puts the reply: its LEN byte, its status, data.
constexpr std::size_t kLenAt = 0;
constexpr std::size_t kStatusAt = 1;
constexpr std::size_t kDataAt = 2;

std::uint8_t requestMode(bool idleOnly) {
  return idleOnly ? VEXA_MF_REQUEST_IDLE : VEXA_MF_REQUEST_WAKEUP;
}

Bytes uidFrom(const Bytes& serial, const Bytes& selected) {
  if (serial[0] != kCascadeTag) return serial;
  Bytes uid(serial.begin() + 1, serial.end());
  uid.insert(uid.end(), selected.begin(), selected.end());
  return uid;
}

bool noCard(std::optional<std::uint8_t> detail) { return detail == kDetailNoCard; }

}  // namespace

std::optional<TypeACard> activateTypeA(Session& s, bool idleOnly) {
  Reader& r = s.reader();
  std::array<std::uint8_t, kAtqaSize> atqa{};
  int result = r.MF_Request(requestMode(idleOnly), atqa.data());
  if (result == VEXA_RESULT_REQUEST_FAILED && noCard(detailIn(atqa[0]))) {
    s.record(Fn::MF_Request, result, detailIn(atqa[0]));
    return std::nullopt;
  }
  s.require(Fn::MF_Request, result, detailIn(atqa[0]));

  std::array<std::uint8_t, kTypeASerialSize> serial{};
  std::uint8_t info = 0;
  result = r.MF_Anticoll(serial.data(), &info);
  const auto anticollDetail = result == kStatusFailed ? std::optional(serial[0]) : std::nullopt;
  if (noCard(anticollDetail)) {
    s.record(Fn::MF_Anticoll, result, anticollDetail);
    return std::nullopt;
  }
  s.require(Fn::MF_Anticoll, result, anticollDetail);

  std::array<std::uint8_t, kTypeASerialSize> selected = serial;
  result = r.MF_Select(selected.data());
  s.require(Fn::MF_Select, result);
  const Bytes cl1(serial.begin(), serial.end());
  return TypeACard{Bytes(atqa.begin(), atqa.end()), cl1,
                   uidFrom(cl1, Bytes(selected.begin(), selected.end())), info};
}

void selectTypeA(Session& s, const Bytes& serial) {
  std::array<std::uint8_t, kAtqaSize> atqa{};
  s.require(Fn::MF_Request, s.reader().MF_Request(VEXA_MF_REQUEST_WAKEUP, atqa.data()),
            detailIn(atqa[0]));
  Bytes selected = serial;
  s.require(Fn::MF_Select, s.reader().MF_Select(selected.data()), std::nullopt,
            "card " + hex(serial));
}

std::vector<TypeACard> enumerateTypeA(Session& s, int most) {
  std::vector<TypeACard> cards;
  bool idleOnly = false;  // the first request wakes halted cards too
  while (static_cast<int>(cards.size()) < most) {
    auto card = activateTypeA(s, idleOnly);
    if (!card) break;
    const bool seen = std::any_of(cards.begin(), cards.end(),
                                  [&](const TypeACard& c) { return c.uid == card->uid; });
    s.require(Fn::MF_Halt, s.reader().MF_Halt());
    if (seen) break;  // a card that does not stay halted
    cards.push_back(std::move(*card));
    idleOnly = true;
  }
  return cards;
}

json typeACardJson(const TypeACard& card) {
  return {{"atqa", hex(card.atqa)},
          {"serial", hex(card.serial)},
          {"uid", hex(card.uid)},
          {"uid_size", card.uid.size()},
          {"answering", card.answering}};
}

json typeARequest(Session& s, bool idleOnly) {
  std::array<std::uint8_t, kAtqaSize> atqa{};
  s.require(Fn::MF_Request, s.reader().MF_Request(requestMode(idleOnly), atqa.data()),
            detailIn(atqa[0]));
  return {{"request", idleOnly ? "REQA" : "WUPA"}, {"atqa", hex(atqa)}};
}

void renderTypeARequest(const json& d, std::ostream& out) {
  printFields(out, {{"request", d["request"].get<std::string>()},
                    {"ATQA", spacedHex(parseHex(d["atqa"].get<std::string>(), "ATQA"))}});
}

json typeAActivate(Session& s, bool idleOnly) {
  auto card = activateTypeA(s, idleOnly);
  if (!card) throw CommandFailed("no Type A card in the field");
  return typeACardJson(*card);
}

json typeASelect(Session& s, const Bytes& serial) {
  if (serial.size() != static_cast<std::size_t>(kTypeASerialSize)) {
    throw UsageError("serial must be " + std::to_string(kTypeASerialSize) + " bytes");
  }
  std::array<std::uint8_t, kAtqaSize> atqa{};
  s.require(Fn::MF_Request, s.reader().MF_Request(VEXA_MF_REQUEST_WAKEUP, atqa.data()),
            detailIn(atqa[0]));
  std::array<std::uint8_t, kTypeASerialSize> selected{};
  std::copy(serial.begin(), serial.end(), selected.begin());
  s.require(Fn::MF_Select, s.reader().MF_Select(selected.data()), std::nullopt,
            "card " + hex(serial));
  TypeACard card{Bytes(atqa.begin(), atqa.end()), serial,
                 uidFrom(serial, Bytes(selected.begin(), selected.end())), 0};
  json out = typeACardJson(card);
  out.erase("answering");
  return out;
}

json typeAHalt(Session& s) {
  s.require(Fn::MF_Halt, s.reader().MF_Halt());
  return {{"message", "the selected Type A card is halted"}};
}

json typeASerial(Session& s, bool idleOnly, bool haltAfter) {
  std::uint8_t info = 0;
  std::array<std::uint8_t, kTypeASerialSize> serial{};
  const int r = s.reader().MF_Getsnr(idleOnly ? kModeIdleOnly : kModeWakeUp,
                                     haltAfter ? kHaltAfter : kLeaveSelected, &info, serial.data());
  s.require(Fn::MF_Getsnr, r, r == kStatusFailed ? std::optional(info) : std::nullopt);
  return {{"serial", hex(serial)}, {"answering", info}, {"halted", haltAfter}};
}

void renderTypeACard(const json& d, std::ostream& out) {
  Fields f;
  if (d.contains("atqa"))
    f.emplace_back("ATQA", spacedHex(parseHex(d["atqa"].get<std::string>(), "ATQA")));
  f.emplace_back("serial", spacedHex(parseHex(d["serial"].get<std::string>(), "serial")));
  if (d.contains("uid")) {
    f.emplace_back("UID", spacedHex(parseHex(d["uid"].get<std::string>(), "UID")) + "  (" +
                              std::to_string(d["uid_size"].get<int>()) + " bytes)");
  }
  if (d.contains("answering"))
    f.emplace_back("cards answering", std::to_string(d["answering"].get<int>()));
  if (d.contains("halted")) f.emplace_back("halted", d["halted"].get<bool>() ? "yes" : "no");
  printFields(out, f);
}

namespace {

// One MF_TypeATransCOSCmd to the selected card. Empty when the card does
// not take APDUs and `mayRefuse`; throws CallFailed for other failures.
std::optional<json> exchangeTypeA(Session& s, const Bytes& apdu, bool mayRefuse) {
  const int length = static_cast<int>(apdu.size());
  std::array<std::uint8_t, kTransparentBuffer> response{};
  const int r = s.reader().MF_TypeATransCOSCmd(apdu.data(), length, response.data());
  // The result is the reply's LEN byte, or 5 for no reply, which leaves
  // the buffer as it was.
  if (r == VEXA_RESULT_NO_REPLY && response[kLenAt] != VEXA_RESULT_NO_REPLY) {
    s.require(Fn::MF_TypeATransCOSCmd, r);
  }
  // From here on the call's result is the reply's length; what counts is
  // the reader's status, which the reply carries in response[1].
  const int status = static_cast<std::int8_t>(response[kStatusAt]);
  const auto detail = status == kStatusFailed ? std::optional(response[kDataAt]) : std::nullopt;
  s.record(Fn::MF_TypeATransCOSCmd, status, detail);
  if (mayRefuse && detail == kDetailWrongCard) return std::nullopt;
  if (status != 0) {
    throw CallFailed(Fn::MF_TypeATransCOSCmd, status, detail, "the reader's status in the reply");
  }
  // LEN counts the status and the data; the library copies as many bytes
  // as the command has, from LEN on.
  const int dataInReply = std::max(r - 1, 0);
  const int dataCopied = std::max(std::min(dataInReply, length - static_cast<int>(kDataAt)), 0);
  const ByteView data = ByteView(response).subspan(kDataAt, static_cast<std::size_t>(dataCopied));
  json out = {{"apdu", hex(apdu)}};
  const bool truncated = dataCopied < dataInReply;
  if (truncated) {
    out["response"] = hex(data);
  } else {
    out.update(apduResponseJson(data));
  }
  out["reply_bytes"] = dataInReply;
  out["truncated"] = truncated;
  return out;
}

}  // namespace

json typeAApdu(Session& s, const std::vector<Bytes>& apdus, const std::optional<Bytes>& serial) {
  for (const Bytes& apdu : apdus) checkApduLength(apdu, kMostTypeAApdu);
  if (serial && serial->size() != static_cast<std::size_t>(kTypeASerialSize)) {
    throw UsageError("serial must be " + std::to_string(kTypeASerialSize) + " bytes");
  }
  // The cards to try: the one asked for, or every card in the field until
  // one takes the first APDU.
  std::vector<Bytes> candidates;
  if (serial) {
    candidates.push_back(*serial);
  } else {
    for (const TypeACard& c : enumerateTypeA(s, kMostTypeACards)) candidates.push_back(c.serial);
    if (candidates.empty()) throw CommandFailed("no Type A card in the field");
  }
  for (const Bytes& card : candidates) {
    selectTypeA(s, card);
    auto first = exchangeTypeA(s, apdus.front(), !serial);
    if (!first) continue;
    json exchanges = json::array({std::move(*first)});
    for (std::size_t i = 1; i < apdus.size(); ++i)
      exchanges.push_back(*exchangeTypeA(s, apdus[i], false));
    return {{"card", hex(card)}, {"exchanges", std::move(exchanges)}};
  }
  throw CommandFailed("no Type A card in the field takes APDUs");
}

void renderApdu(const json& d, std::ostream& out) {
  if (d.contains("card")) {
    printFields(out, {{"card", spacedHex(parseHex(d["card"].get<std::string>(), "card"))}});
  }
  for (const json& e : d["exchanges"]) {
    Fields f{{"command", spacedHex(parseHex(e["apdu"].get<std::string>(), "APDU"))},
             {"response", spacedHex(parseHex(e["response"].get<std::string>(), "response"))}};
    if (e.contains("sw")) {
      f.emplace_back("status word",
                     e["sw"].get<std::string>() + " (" + e["sw_meaning"].get<std::string>() + ")");
    }
    if (e.contains("data") && !e["data"].get<std::string>().empty()) {
      f.emplace_back("as text", printable(parseHex(e["data"].get<std::string>(), "data")));
    }
    printFields(out, f);
    if (e.value("truncated", false)) {
      out << "note: the reply holds " << e["reply_bytes"].get<int>()
          << " bytes; MF_TypeATransCOSCmd hands back only as many bytes as the command has\n";
    }
  }
}

}  // namespace vexa::cli
