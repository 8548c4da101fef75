// MIFARE Ultralight pages and ISO/IEC 14443 Type B cards.
#include <algorithm>
#include <array>

#include "apdu.h"
#include "commands.h"
#include "errors.h"
#include "reader_codes.h"
#include "table.h"

namespace vexa::cli {
namespace {

constexpr int kPagesPerRead = 4;
constexpr int kLockPage = 2;
constexpr int kOtpPage = 3;
constexpr std::size_t kAtqbSize = 12;
constexpr std::size_t kMostTypeBApdu = 249;

std::uint8_t mode(bool idleOnly) { return idleOnly ? kModeIdleOnly : kModeWakeUp; }

void checkPage(int page, int least) {
  if (page < least || page >= kUltralightPages) {
    throw UsageError("page " + std::to_string(page) + " is out of range (" + std::to_string(least) +
                     " to " + std::to_string(kUltralightPages - 1) + ")");
  }
}

// Activates the first Type B card; its ATQB.
Bytes requestTypeB(Session& s) {
  ReplyBuffer answer;
  const int r = s.reader().TypeB_Request(answer.data());
  s.require(Fn::TypeB_Request, r,
            r == kStatusFailed ? std::optional(answer.data()[0]) : std::nullopt);
  // An ATQB is 12 bytes; its last bytes may equal the fill pattern.
  return answer.first(std::max(answer.written(), kAtqbSize));
}

}  // namespace

json ultralightRequest(Session& s, bool idleOnly) {
  std::array<std::uint8_t, kUltralightUidSize> uid{};
  const int r = s.reader().UL_Request(mode(idleOnly), uid.data());
  s.require(Fn::UL_Request, r, r == kStatusFailed ? std::optional(uid[0]) : std::nullopt);
  return {{"uid", hex(uid)}};
}

json ultralightRead(Session& s, bool idleOnly, int page) {
  checkPage(page, 0);
  std::array<std::uint8_t, kUltralightUidSize> uid{};
  std::array<std::uint8_t, kPagesPerRead * kUltralightPageSize> data{};
  const int r = s.reader().UL_HLRead(mode(idleOnly), static_cast<std::uint8_t>(page), uid.data(),
                                     data.data());
  s.require(Fn::UL_HLRead, r, r == kStatusFailed ? std::optional(data[0]) : std::nullopt);
  json pages = json::array();
  // Four pages from `page` on, wrapping round after the last.
  for (int i = 0; i < kPagesPerRead; ++i) {
    pages.push_back(
        {{"page", (page + i) % kUltralightPages},
         {"data", hex(ByteView(data).subspan(static_cast<std::size_t>(i * kUltralightPageSize),
                                             kUltralightPageSize))}});
  }
  return {{"uid", hex(uid)}, {"pages", std::move(pages)}};
}

json ultralightWrite(Session& s, bool idleOnly, int page, const Bytes& data, bool confirmed) {
  checkPage(page, 1);
  if (data.size() != static_cast<std::size_t>(kUltralightPageSize)) {
    throw UsageError("page data must be " + std::to_string(kUltralightPageSize) +
                     " bytes (8 hex digits), got " + std::to_string(data.size()));
  }
  if ((page == kLockPage || page == kOtpPage) && !confirmed) {
    throw UsageError("page " + std::to_string(page) +
                     (page == kLockPage ? " holds the lock bits" : " is one-time programmable") +
                     ": bits once set stay set; add --yes to write it");
  }
  std::array<std::uint8_t, kUltralightUidSize> uid{};
  Bytes sent = data;
  const int r = s.reader().UL_HLWrite(mode(idleOnly), static_cast<std::uint8_t>(page), uid.data(),
                                      sent.data());
  s.require(Fn::UL_HLWrite, r, r == kStatusFailed ? std::optional(sent[0]) : std::nullopt);
  return {{"message", "wrote page " + std::to_string(page)},
          {"uid", hex(uid)},
          {"page", page},
          {"data", hex(data)}};
}

void renderUltralight(const json& d, std::ostream& out) {
  if (d.contains("message")) out << d["message"].get<std::string>() << '\n';
  printFields(out, {{"UID", spacedHex(parseHex(d["uid"].get<std::string>(), "UID"))}});
  if (!d.contains("pages")) return;
  Table t({{"page", Align::kRight}, {"data"}, {"ASCII"}});
  for (const json& p : d["pages"]) {
    const Bytes data = parseHex(p["data"].get<std::string>(), "data");
    t.row({std::to_string(p["page"].get<int>()), spacedHex(data), printable(data)});
  }
  t.print(out);
}

json typeBRequest(Session& s) {
  const Bytes atqb = requestTypeB(s);
  json out = {{"atqb", hex(atqb)}};
  if (const auto parsed = parseAtqb(atqb)) {
    out["pupi"] = hex(parsed->pupi);
    out["application_data"] = hex(parsed->applicationData);
    out["protocol_info"] = hex(parsed->protocolInfo);
  }
  return out;
}

void renderTypeBRequest(const json& d, std::ostream& out) {
  auto spaced = [&](const char* key) {
    return spacedHex(parseHex(d[key].get<std::string>(), key));
  };
  Fields f{{"ATQB", spaced("atqb")}};
  if (d.contains("pupi")) {
    f.emplace_back("PUPI", spaced("pupi"));
    f.emplace_back("application data", spaced("application_data"));
    f.emplace_back("protocol info", spaced("protocol_info"));
  }
  printFields(out, f);
}

json typeBHalt(Session& s) {
  requestTypeB(s);
  ReplyBuffer answer;
  const int r = s.reader().Type_B(answer.data());
  s.require(Fn::Type_B, r, r == kStatusFailed ? std::optional(answer.data()[0]) : std::nullopt);
  return {{"message", "the Type B card is halted"}, {"reply", hex(answer.first(answer.written()))}};
}

json typeBIdSerial(Session& s, bool idleOnly, bool haltAfter) {
  std::uint8_t info = 0;
  std::array<std::uint8_t, kVicinityUidSize> serial{};
  const int r = s.reader().TYPEB_SFZSNR(mode(idleOnly), haltAfter ? kHaltAfter : kLeaveSelected,
                                        &info, serial.data());
  s.require(Fn::TYPEB_SFZSNR, r, r == kStatusFailed ? std::optional(info) : std::nullopt);
  return {{"serial", hex(serial)}, {"answering", info}, {"halted", haltAfter}};
}

void renderTypeBIdSerial(const json& d, std::ostream& out) {
  printFields(out,
              {{"identity serial", spacedHex(parseHex(d["serial"].get<std::string>(), "serial"))},
               {"cards answering", std::to_string(d["answering"].get<int>())},
               {"halted", d["halted"].get<bool>() ? "yes" : "no"}});
}

json typeBApdu(Session& s, const std::vector<Bytes>& apdus) {
  for (const Bytes& apdu : apdus) checkApduLength(apdu, kMostTypeBApdu);
  const Bytes atqb = requestTypeB(s);
  json exchanges = json::array();
  for (const Bytes& apdu : apdus) {
    ReplyBuffer response;
    const int r =
        s.reader().TypeB_TransCOS(apdu.data(), static_cast<int>(apdu.size()), response.data());
    s.require(Fn::TypeB_TransCOS, r,
              r == kStatusFailed ? std::optional(response.data()[0]) : std::nullopt);
    // The library copies the reply's data and the check byte after them,
    // and does not say how many: the check byte tells.
    const auto length = response.checkedLength(0);
    json e = {{"apdu", hex(apdu)}};
    if (length) {
      e.update(apduResponseJson(response.first(*length - 1)));
    } else {
      e["response"] = hex(response.first(response.written()));
      e["length_unknown"] = true;
    }
    exchanges.push_back(std::move(e));
  }
  json out = {{"atqb", hex(atqb)}};
  if (const auto parsed = parseAtqb(atqb)) out["card"] = hex(parsed->pupi);
  out["exchanges"] = std::move(exchanges);
  return out;
}

}  // namespace vexa::cli
