// Everything in the field, family by family. A family whose calls fail for
// another reason than an empty field is reported and the scan goes on; the
// scan then ends unsuccessfully.
#include <algorithm>
#include <array>

#include "commands.h"
#include "errors.h"
#include "reader_codes.h"
#include "table.h"
#include "typea.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

constexpr int kMostTypeACards = 8;
constexpr std::size_t kAtqbSize = 12;

json scanTypeA(Session& s) {
  json cards = json::array();
  const auto found = enumerateTypeA(s, kMostTypeACards);
  // The Ultralight answers with its whole 7-byte UID in one step.
  std::array<std::uint8_t, kUltralightUidSize> ul{};
  const int r = s.reader().UL_Request(kModeWakeUp, ul.data());
  const auto ulDetail = r == kStatusFailed ? std::optional(ul[0]) : std::nullopt;
  s.record(Fn::UL_Request, r, ulDetail);
  if (r != 0 && ulDetail != kDetailNoCard) throw CallFailed(Fn::UL_Request, r, ulDetail);
  const Bytes ulUid(ul.begin(), ul.end());
  for (const TypeACard& card : found) {
    json c = typeACardJson(card);
    const bool isUl = r == 0 && card.uid == ulUid;
    c["ultralight"] = isUl;
    cards.push_back(std::move(c));
  }
  json out = {{"cards", std::move(cards)}};
  if (r == 0) out["ultralight_uid"] = hex(ulUid);
  return out;
}

json scanTypeB(Session& s) {
  json cards = json::array();
  ReplyBuffer answer;
  int r = s.reader().TypeB_Request(answer.data());
  const auto detail = r == kStatusFailed ? std::optional(answer.data()[0]) : std::nullopt;
  s.record(Fn::TypeB_Request, r, detail);
  if (r != 0) {
    if (detail == kDetailNoCard) return {{"cards", std::move(cards)}};
    throw CallFailed(Fn::TypeB_Request, r, detail);
  }
  const Bytes atqb = answer.first(std::max(answer.written(), kAtqbSize));
  json card = {{"atqb", hex(atqb)}};
  if (const auto parsed = parseAtqb(atqb)) {
    card["pupi"] = hex(parsed->pupi);
    card["application_data"] = hex(parsed->applicationData);
    card["protocol_info"] = hex(parsed->protocolInfo);
  }
  std::uint8_t info = 0;
  std::array<std::uint8_t, kVicinityUidSize> idSerial{};
  r = s.reader().TYPEB_SFZSNR(kModeWakeUp, kLeaveSelected, &info, idSerial.data());
  const auto idDetail = r == kStatusFailed ? std::optional(info) : std::nullopt;
  s.record(Fn::TYPEB_SFZSNR, r, idDetail);
  if (r == 0) {
    card["id_serial"] = hex(idSerial);
    card["answering"] = info;
  } else if (idDetail != kDetailWrongCard) {
    throw CallFailed(Fn::TYPEB_SFZSNR, r, idDetail);
  }
  cards.push_back(std::move(card));
  return {{"cards", std::move(cards)}};
}

json scanVicinity(Session& s) {
  json inventory = vicinityInventory(s);
  for (json& tag : inventory["tags"]) {
    const Bytes uid = parseHex(tag["uid"].get<std::string>(), "UID");
    tag["system_info"] = vicinitySystemInfo(s, VicinityTarget{uid});
  }
  return inventory;
}

}  // namespace

json scan(Session& s) {
  json out;
  json problems = json::array();
  auto family = [&](const char* key, json (*probe)(Session&)) {
    try {
      out[key] = probe(s);
    } catch (const CommandFailed& e) {
      out[key] = {{"error", e.what()}};
      problems.push_back(std::string(key) + ": " + e.what());
    }
  };
  family("type_a", scanTypeA);
  family("type_b", scanTypeB);
  family("iso15693", scanVicinity);
  if (!problems.empty()) out["failed"] = problems.front();
  return out;
}

namespace {

std::string spaced(const json& hexText) {
  return spacedHex(parseHex(hexText.get<std::string>(), "bytes"));
}

std::string count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void renderTypeAScan(const json& d, std::ostream& out) {
  const json& cards = d["cards"];
  out << "Type A: " << count(cards.size(), "card", "cards") << '\n';
  if (cards.empty()) return;
  Table t({{"UID"}, {"size", Align::kRight}, {"ATQA"}, {"kind"}});
  for (const json& c : cards) {
    t.row({spaced(c["uid"]), std::to_string(c["uid_size"].get<int>()), spaced(c["atqa"]),
           c["ultralight"].get<bool>() ? "Ultralight" : ""});
  }
  t.print(out, "  ");
}

void renderTypeBScan(const json& d, std::ostream& out) {
  const json& cards = d["cards"];
  out << "Type B: " << count(cards.size(), "card", "cards") << '\n';
  for (const json& c : cards) {
    Fields f{{"ATQB", spaced(c["atqb"])}};
    if (c.contains("pupi")) {
      f.emplace_back("PUPI", spaced(c["pupi"]));
      f.emplace_back("application data", spaced(c["application_data"]));
      f.emplace_back("protocol info", spaced(c["protocol_info"]));
    }
    if (c.contains("id_serial")) f.emplace_back("identity serial", spaced(c["id_serial"]));
    printFields(out, f, "  ");
  }
}

std::string optionalByte(const json& info, const char* key) {
  return info.contains(key) ? info[key].get<std::string>() : "-";
}

std::string optionalNumber(const json& info, const char* key) {
  return info.contains(key) ? std::to_string(info[key].get<int>()) : "-";
}

void renderVicinityScan(const json& d, std::ostream& out) {
  const json& tags = d["tags"];
  out << "ISO/IEC 15693: " << count(tags.size(), "tag", "tags") << '\n';
  if (tags.empty()) return;
  Table t({{"UID"},
           {"DSFID"},
           {"AFI"},
           {"blocks", Align::kRight},
           {"block size", Align::kRight},
           {"IC reference"}});
  for (const json& tag : tags) {
    const json& info = tag["system_info"];
    t.row({spaced(tag["uid"]), tag["dsfid"].get<std::string>(), optionalByte(info, "afi"),
           optionalNumber(info, "blocks"), optionalNumber(info, "block_size"),
           optionalByte(info, "ic_reference")});
  }
  t.print(out, "  ");
}

}  // namespace

void renderScan(const json& d, std::ostream& out) {
  const struct {
    const char* key;
    const char* title;
    void (*render)(const json&, std::ostream&);
  } families[] = {{"type_a", "Type A", renderTypeAScan},
                  {"type_b", "Type B", renderTypeBScan},
                  {"iso15693", "ISO/IEC 15693", renderVicinityScan}};
  for (const auto& f : families) {
    const json& part = d[f.key];
    if (part.contains("error")) {
      out << f.title << ": not scanned: " << part["error"].get<std::string>() << '\n';
    } else {
      f.render(part, out);
    }
  }
}

}  // namespace vexa::cli
