#include "field_json.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "cards/cpu_card_a.h"
#include "cards/mifare_classic.h"
#include "cards/typeb_card.h"
#include "cards/ultralight.h"
#include "cards/vicinity_tag.h"

namespace vr {
namespace {

using nlohmann::json;

constexpr const char* kTypeClassic = "mifare-classic-1k";
constexpr const char* kTypeUltralight = "ultralight";
constexpr const char* kTypeCpuA = "iso14443-4a";
constexpr const char* kTypeB = "iso14443b";
constexpr const char* kTypeVicinity = "iso15693";
constexpr int kByteMax = 0xFF;
constexpr std::size_t kDefaultVicinityBlocks = 28;
constexpr int kJsonIndent = 2;

struct Problem : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads one object of the document, naming the place of every problem.
class Node {
 public:
  Node(const json& value, std::string where) : value_(value), where_(std::move(where)) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw Problem((where_.empty() ? std::string("top level") : where_) + ": " + what);
  }

  const json& value() const { return value_; }
  const std::string& where() const { return where_; }
  bool has(const char* key) const { return value_.contains(key); }
  Node at(const char* key) const {
    if (!has(key)) fail(std::string("missing \"") + key + "\"");
    return Node(value_.at(key), where_.empty() ? std::string(key) : where_ + "." + key);
  }

  Bytes bytes(std::size_t minSize, std::size_t maxSize) const {
    if (!value_.is_string()) fail("expected a string of hex digits");
    auto parsed = parseHex(value_.get<std::string>());
    if (!parsed) fail("not hex digits: \"" + value_.get<std::string>() + "\"");
    if (parsed->size() < minSize || parsed->size() > maxSize) {
      if (minSize == maxSize) fail("expected " + std::to_string(minSize) + " bytes");
      fail("expected " + std::to_string(minSize) + " to " + std::to_string(maxSize) + " bytes");
    }
    return *parsed;
  }
  Bytes bytes(std::size_t size) const { return bytes(size, size); }

  template <std::size_t N>
  std::array<std::uint8_t, N> array() const {
    const Bytes b = bytes(N);
    std::array<std::uint8_t, N> out{};
    std::copy(b.begin(), b.end(), out.begin());
    return out;
  }

  std::uint8_t byte() const {
    if (!value_.is_number_integer()) fail("expected a number from 0 to 255");
    const auto v = value_.get<long long>();
    if (v < 0 || v > kByteMax) fail("expected a number from 0 to 255");
    return static_cast<std::uint8_t>(v);
  }

  bool boolean() const {
    if (!value_.is_boolean()) fail("expected true or false");
    return value_.get<bool>();
  }

  std::string text() const {
    if (!value_.is_string()) fail("expected a string");
    return value_.get<std::string>();
  }

  void requireObject() const {
    if (!value_.is_object()) fail("expected an object");
  }

 private:
  const json& value_;
  std::string where_;
};

// Blocks or pages: an array with one hex string per block, or an object
// whose keys are block numbers; absent blocks keep their content.
template <class SetBlock>
void readBlocks(const Node& node, std::size_t blockCount, std::size_t blockSize, SetBlock set) {
  auto one = [&](std::size_t index, const Node& item) {
    if (index >= blockCount) item.fail("there are only " + std::to_string(blockCount) + " blocks");
    set(index, item.bytes(blockSize));
  };
  if (node.value().is_array()) {
    if (node.value().size() > blockCount) {
      node.fail("more than " + std::to_string(blockCount) + " blocks");
    }
    for (std::size_t i = 0; i < node.value().size(); ++i) {
      one(i, Node(node.value()[i], node.where() + "[" + std::to_string(i) + "]"));
    }
    return;
  }
  if (!node.value().is_object()) node.fail("expected an array or an object of blocks");
  for (const auto& [key, item] : node.value().items()) {
    std::size_t index = 0;
    const bool numeric = !key.empty() && std::all_of(key.begin(), key.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (!numeric) node.fail("\"" + key + "\" is not a block number");
    index = std::stoul(key);
    one(index, Node(item, node.where() + "." + key));
  }
}

void readCommonName(const Node& node, Card& card) {
  if (node.has("name")) card.name = node.at("name").text();
}

std::unique_ptr<Card> classicFrom(const Node& node) {
  auto card = std::make_unique<MifareClassic>(node.at("uid").bytes(kSingleUidSize));
  if (node.has("blocks")) {
    readBlocks(node.at("blocks"), MifareClassic::kBlocks, MifareClassic::kBlockSize,
               [&](std::size_t i, const Bytes& b) {
                 MifareClassic::Block block{};
                 std::copy(b.begin(), b.end(), block.begin());
                 card->setBlock(static_cast<int>(i), block);
               });
  }
  return card;
}

std::unique_ptr<Card> ultralightFrom(const Node& node) {
  auto card = std::make_unique<Ultralight>(node.at("uid").bytes(kDoubleUidSize));
  if (node.has("pages")) {
    Ultralight::Memory memory = card->memory();
    readBlocks(node.at("pages"), Ultralight::kPages, Ultralight::kPageSize,
               [&](std::size_t i, const Bytes& b) {
                 std::copy(b.begin(), b.end(), memory.begin() + i * Ultralight::kPageSize);
               });
    card->setMemory(memory);
  }
  return card;
}

void readApplet(const Node& node, ApduApplet& applet) {
  constexpr std::size_t kMaxAid = 16;
  constexpr std::size_t kMaxFile = 0x7FFF;
  if (node.has("aid")) applet.aid = node.at("aid").bytes(0, kMaxAid);
  if (node.has("file")) applet.file = node.at("file").bytes(0, kMaxFile);
}

std::unique_ptr<Card> cpuCardFrom(const Node& node) {
  constexpr std::size_t kMaxAts = 20;
  Bytes uid = node.at("uid").bytes(kSingleUidSize, kDoubleUidSize);
  if (uid.size() != kSingleUidSize && uid.size() != kDoubleUidSize) {
    node.at("uid").fail("expected 4 or 7 bytes");
  }
  const auto atqa = node.has("atqa") ? node.at("atqa").array<2>() : CpuCardA::kDefaultAtqa;
  Bytes ats = node.has("ats") ? node.at("ats").bytes(1, kMaxAts) : Bytes{};
  auto card = std::make_unique<CpuCardA>(std::move(uid), atqa, std::move(ats));
  readApplet(node, card->applet);
  return card;
}

std::unique_ptr<Card> typeBFrom(const Node& node) {
  auto card = std::make_unique<TypeBCard>();
  card->pupi = node.at("pupi").array<TypeBCard::kPupiSize>();
  if (node.has("applicationData")) {
    card->applicationData = node.at("applicationData").array<TypeBCard::kApplicationDataSize>();
  }
  if (node.has("protocolInfo")) {
    card->protocolInfo = node.at("protocolInfo").array<TypeBCard::kProtocolInfoSize>();
  }
  if (node.has("idSerial")) card->idSerial = node.at("idSerial").bytes(TypeBCard::kIdSerialSize);
  readApplet(node, card->applet);
  return card;
}

std::unique_ptr<Card> vicinityFrom(const Node& node) {
  auto tag = std::make_unique<VicinityTag>();
  // The UID is written as it is printed, most significant byte first.
  const Bytes uid = node.at("uid").bytes(iso15693::kUidSize);
  std::reverse_copy(uid.begin(), uid.end(), tag->uid.begin());
  std::size_t count = kDefaultVicinityBlocks;
  if (node.has("blockCount")) {
    const Node n = node.at("blockCount");
    if (!n.value().is_number_integer() || n.value().get<long long>() < 1 ||
        n.value().get<long long>() > static_cast<long long>(VicinityTag::kMaxBlocks)) {
      n.fail("expected a number from 1 to 256");
    }
    count = n.value().get<std::size_t>();
  } else if (node.has("blocks") && node.at("blocks").value().is_array()) {
    count = std::max<std::size_t>(1, node.at("blocks").value().size());
    if (count > VicinityTag::kMaxBlocks) node.at("blocks").fail("more than 256 blocks");
  }
  tag->blocks.assign(count, VicinityTag::Block{});
  tag->locked.assign(count, false);
  if (node.has("blocks")) {
    readBlocks(node.at("blocks"), count, VicinityTag::kBlockSize,
               [&](std::size_t i, const Bytes& b) {
                 std::copy(b.begin(), b.end(), tag->blocks[i].begin());
               });
  }
  if (node.has("lockedBlocks")) {
    const Node list = node.at("lockedBlocks");
    if (!list.value().is_array()) list.fail("expected an array of block numbers");
    for (std::size_t i = 0; i < list.value().size(); ++i) {
      const Node item(list.value()[i], list.where() + "[" + std::to_string(i) + "]");
      const std::uint8_t block = item.byte();
      if (block >= count) item.fail("no such block");
      tag->locked[block] = true;
    }
  }
  if (node.has("afi")) tag->afi = node.at("afi").byte();
  if (node.has("dsfid")) tag->dsfid = node.at("dsfid").byte();
  if (node.has("afiLocked")) tag->afiLocked = node.at("afiLocked").boolean();
  if (node.has("dsfidLocked")) tag->dsfidLocked = node.at("dsfidLocked").boolean();
  if (node.has("icReference")) tag->icReference = node.at("icReference").byte();
  return tag;
}

std::unique_ptr<Card> cardFrom(const Node& node) {
  node.requireObject();
  const std::string type = node.at("type").text();
  std::unique_ptr<Card> card;
  if (type == kTypeClassic) {
    card = classicFrom(node);
  } else if (type == kTypeUltralight) {
    card = ultralightFrom(node);
  } else if (type == kTypeCpuA) {
    card = cpuCardFrom(node);
  } else if (type == kTypeB) {
    card = typeBFrom(node);
  } else if (type == kTypeVicinity) {
    card = vicinityFrom(node);
  } else {
    node.at("type").fail("unknown card type \"" + type + "\"");
  }
  readCommonName(node, *card);
  return card;
}

void readerFrom(const Node& node, ReaderState& reader) {
  node.requireObject();
  if (node.has("address")) reader.address = node.at("address").byte();
  if (node.has("speedCode")) reader.speedCode = node.at("speedCode").byte();
  if (node.has("serialNumber")) {
    reader.serialNumber = node.at("serialNumber").array<ReaderState::kSerialSize>();
  }
  if (node.has("userInfo")) {
    const Bytes info = node.at("userInfo").bytes(0, ReaderState::kUserInfoSize);
    reader.userInfo.fill(0);
    std::copy(info.begin(), info.end(), reader.userInfo.begin());
  }
  if (node.has("version")) reader.version = node.at("version").text();
}

std::string hexOf(ByteView b) { return toHex(b); }

json blocksJson(ByteView memory, std::size_t blockSize) {
  json out = json::array();
  for (std::size_t at = 0; at < memory.size(); at += blockSize) {
    out.push_back(hexOf(memory.subspan(at, blockSize)));
  }
  return out;
}

void putApplet(json& out, const ApduApplet& applet) {
  out["aid"] = hexOf(applet.aid);
  out["file"] = hexOf(applet.file);
}

json cardJson(const Card& card) {
  json out;
  switch (card.kind()) {
    case CardKind::kMifareClassic: {
      const auto& c = static_cast<const MifareClassic&>(card);
      out["type"] = kTypeClassic;
      out["uid"] = hexOf(c.uid());
      json blocks = json::array();
      for (const auto& b : c.blocks()) blocks.push_back(hexOf(b));
      out["blocks"] = std::move(blocks);
      break;
    }
    case CardKind::kUltralight: {
      const auto& c = static_cast<const Ultralight&>(card);
      out["type"] = kTypeUltralight;
      out["uid"] = hexOf(c.uid());
      out["pages"] = blocksJson(c.memory(), Ultralight::kPageSize);
      break;
    }
    case CardKind::kCpuTypeA: {
      const auto& c = static_cast<const CpuCardA&>(card);
      out["type"] = kTypeCpuA;
      out["uid"] = hexOf(c.uid());
      out["atqa"] = hexOf(c.atqa());
      out["ats"] = hexOf(c.ats());
      putApplet(out, c.applet);
      break;
    }
    case CardKind::kTypeB: {
      const auto& c = static_cast<const TypeBCard&>(card);
      out["type"] = kTypeB;
      out["pupi"] = hexOf(c.pupi);
      out["applicationData"] = hexOf(c.applicationData);
      out["protocolInfo"] = hexOf(c.protocolInfo);
      if (!c.idSerial.empty()) out["idSerial"] = hexOf(c.idSerial);
      putApplet(out, c.applet);
      break;
    }
    case CardKind::kVicinity: {
      const auto& t = static_cast<const VicinityTag&>(card);
      out["type"] = kTypeVicinity;
      Bytes printed(t.uid.rbegin(), t.uid.rend());
      out["uid"] = hexOf(printed);
      out["dsfid"] = t.dsfid;
      out["afi"] = t.afi;
      out["dsfidLocked"] = t.dsfidLocked;
      out["afiLocked"] = t.afiLocked;
      out["icReference"] = t.icReference;
      json blocks = json::array();
      json locked = json::array();
      for (std::size_t i = 0; i < t.blocks.size(); ++i) {
        blocks.push_back(hexOf(t.blocks[i]));
        if (t.locked[i]) locked.push_back(i);
      }
      out["blocks"] = std::move(blocks);
      out["lockedBlocks"] = std::move(locked);
      break;
    }
  }
  if (!card.name.empty()) out["name"] = card.name;
  return out;
}

}  // namespace

std::optional<std::string> fieldFromJson(const std::string& text, ReaderState& reader,
                                         Field& field) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    return std::string("not valid JSON: ") + e.what();
  }
  try {
    const Node root(document, "");
    root.requireObject();
    ReaderState newReader = reader;
    Field newField;
    if (root.has("reader")) readerFrom(root.at("reader"), newReader);
    if (root.has("cards")) {
      const Node cards = root.at("cards");
      if (!cards.value().is_array()) cards.fail("expected an array of cards");
      for (std::size_t i = 0; i < cards.value().size(); ++i) {
        newField.cards.push_back(
            cardFrom(Node(cards.value()[i], "cards[" + std::to_string(i) + "]")));
      }
    }
    reader = newReader;
    field.cards = std::move(newField.cards);
  } catch (const Problem& p) {
    return std::string(p.what());
  } catch (const json::exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

std::string fieldToJson(const ReaderState& reader, const Field& field) {
  json root;
  root["reader"] = {{"address", reader.address},
                    {"speedCode", reader.speedCode},
                    {"serialNumber", hexOf(reader.serialNumber)},
                    {"userInfo", hexOf(reader.userInfo)},
                    {"version", reader.version}};
  json cards = json::array();
  for (const auto& card : field.cards) cards.push_back(cardJson(*card));
  root["cards"] = std::move(cards);
  return root.dump(kJsonIndent) + "\n";
}

}  // namespace vr
