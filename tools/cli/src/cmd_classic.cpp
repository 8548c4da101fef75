// MIFARE Classic: blocks, the whole card, value blocks. Every call gets a
// fresh copy of the key: the library puts the card's serial number over
// key[0..3] after MF_Read, MF_Write and the value functions.
#include <algorithm>
#include <array>
#include <limits>

#include "commands.h"
#include "errors.h"
#include "reader_codes.h"
#include "table.h"

namespace vexa::cli {
namespace {

using Key = std::array<std::uint8_t, kClassicKeySize>;
constexpr int kManufacturerBlock = 0;
// A 16-block sector is read in two calls of this many blocks.
constexpr int kDumpChunk = 8;
constexpr int kRestoreFields = 2 + kClassicKeySize;  // from, to, key
constexpr std::size_t kRestoreBuffer = 128;
constexpr int kAccessBitsAt = 6;
constexpr int kAccessBitsSize = 4;

void checkBlock(const ClassicLayout& layout, int block, const char* what = "block") {
  if (block < 0 || block >= layout.blocks) {
    throw UsageError(std::string(what) + " " + std::to_string(block) + " is out of range for a " +
                     std::string(layout.name) + " card (0 to " + std::to_string(layout.blocks - 1) +
                     ")");
  }
}

void checkValueBlock(const ClassicLayout& layout, int block) {
  checkBlock(layout, block);
  if (block == kManufacturerBlock)
    throw UsageError("block 0 is the manufacturer block, not a value block");
  if (layout.isTrailer(block)) {
    throw UsageError("block " + std::to_string(block) + " is the trailer of sector " +
                     std::to_string(layout.sectorOf(block)) + ", not a value block");
  }
}

std::string kindOf(const ClassicLayout& layout, int block, ByteView data) {
  if (block == kManufacturerBlock) return "manufacturer";
  if (layout.isTrailer(block)) return "trailer";
  if (decodeValueBlock(data)) return "value";
  return "data";
}

json blockJson(const ClassicLayout& layout, int block, ByteView data) {
  json b = {{"block", block},
            {"sector", layout.sectorOf(block)},
            {"kind", kindOf(layout, block, data)},
            {"data", hex(data)}};
  if (const auto v = decodeValueBlock(data)) b["value"] = v->value;
  if (layout.isTrailer(block)) b["access_bits"] = hex(data.subspan(kAccessBitsAt, kAccessBitsSize));
  return b;
}

// One MF_Read; the result and, on status 1, the reader's detail byte.
struct ReadOutcome {
  int result;
  std::optional<std::uint8_t> detail;
  Bytes serial;
  Bytes data;
};

ReadOutcome readBlocks(Session& s, const ClassicKey& key, int block, int count) {
  Key k = key.bytes;
  Bytes data(static_cast<std::size_t>(count * kClassicBlockSize), 0);
  const int r = s.reader().MF_Read(key.mode, static_cast<std::uint8_t>(block),
                                   static_cast<std::uint8_t>(count), k.data(), data.data());
  ReadOutcome o{r, r == kStatusFailed ? detailIn(data[0]) : std::nullopt, {}, {}};
  s.record(Fn::MF_Read, r, o.detail);
  if (r == 0) {
    o.serial.assign(k.begin(), k.begin() + kClassicSerialSize);
    o.data = std::move(data);
  }
  return o;
}

json keyJson(const ClassicKey& key) { return std::string(1, key.name); }

// The card's serial number, which the value functions leave in key[0..3].
Bytes serialFrom(const Key& k) { return Bytes(k.begin(), k.begin() + kClassicSerialSize); }

}  // namespace

ClassicKey parseClassicKey(const std::string& hexKey, const std::string& type) {
  ClassicKey key{};
  const Bytes bytes = parseHexExact(hexKey, kClassicKeySize, "key");
  std::copy(bytes.begin(), bytes.end(), key.bytes.begin());
  if (type == "A" || type == "a") {
    key.mode = kKeyModeA;
    key.name = 'A';
  } else if (type == "B" || type == "b") {
    key.mode = kKeyModeB;
    key.name = 'B';
  } else {
    throw UsageError("key type '" + type + "' is not A or B");
  }
  return key;
}

json classicRead(Session& s, const ClassicTarget& t, int block, int count) {
  checkBlock(*t.layout, block);
  if (count < 1 || count > kMostBlocksPerCall) {
    throw UsageError("block count " + std::to_string(count) + " is out of range (1 to " +
                     std::to_string(kMostBlocksPerCall) + ")");
  }
  checkBlock(*t.layout, block + count - 1, "last block");
  ReadOutcome o = readBlocks(s, t.key, block, count);
  if (o.result != 0) throw CallFailed(Fn::MF_Read, o.result, o.detail);
  json blocks = json::array();
  for (int i = 0; i < count; ++i) {
    blocks.push_back(
        blockJson(*t.layout, block + i,
                  ByteView(o.data).subspan(static_cast<std::size_t>(i * kClassicBlockSize),
                                           kClassicBlockSize)));
  }
  return {{"serial", hex(o.serial)}, {"key", keyJson(t.key)}, {"blocks", std::move(blocks)}};
}

void renderClassicBlocks(const json& d, std::ostream& out) {
  printFields(out,
              {{"card serial", spacedHex(parseHex(d["serial"].get<std::string>(), "serial"))}});
  Table table({{"block", Align::kRight}, {"sector", Align::kRight}, {"data"}, {"ASCII"}, {"kind"}});
  for (const json& b : d["blocks"]) {
    const Bytes data = parseHex(b["data"].get<std::string>(), "data");
    std::string kind = b["kind"].get<std::string>();
    if (b.contains("value")) kind += " " + std::to_string(b["value"].get<std::int64_t>());
    table.row({std::to_string(b["block"].get<int>()), std::to_string(b["sector"].get<int>()),
               spacedHex(data), printable(data), kind});
  }
  table.print(out);
}

json classicWrite(Session& s, const ClassicTarget& t, int block, const Bytes& data,
                  bool allowTrailer) {
  checkBlock(*t.layout, block);
  if (data.empty() || data.size() % kClassicBlockSize != 0) {
    throw UsageError("data must be whole 16-byte blocks (32 hex digits each), got " +
                     std::to_string(data.size()) + " bytes");
  }
  const int count = static_cast<int>(data.size() / kClassicBlockSize);
  if (count > kMostBlocksPerCall) {
    throw UsageError("at most " + std::to_string(kMostBlocksPerCall) + " blocks per write, got " +
                     std::to_string(count));
  }
  checkBlock(*t.layout, block + count - 1, "last block");
  for (int b = block; b < block + count; ++b) {
    if (b == kManufacturerBlock)
      throw UsageError("block 0 is the manufacturer block: it cannot be written");
    if (t.layout->isTrailer(b) && !allowTrailer) {
      throw UsageError("block " + std::to_string(b) + " is the trailer of sector " +
                       std::to_string(t.layout->sectorOf(b)) +
                       " (keys and access bits; a wrong one locks the sector for good): add "
                       "--trailer to write it");
    }
  }
  Key k = t.key.bytes;
  Bytes sent = data;
  const int r = s.reader().MF_Write(t.key.mode, static_cast<std::uint8_t>(block),
                                    static_cast<std::uint8_t>(count), k.data(), sent.data());
  // On status 1 the reader's detail byte lands in data[0].
  s.require(Fn::MF_Write, r, r == kStatusFailed ? std::optional(sent[0]) : std::nullopt);
  return {{"message", "wrote " + std::to_string(count) + (count == 1 ? " block" : " blocks") +
                          " from block " + std::to_string(block)},
          {"serial", hex(serialFrom(k))},
          {"key", keyJson(t.key)},
          {"block", block},
          {"count", count}};
}

json classicDump(Session& s, const ClassicTarget& t) {
  const ClassicLayout& layout = *t.layout;
  json sectors = json::array();
  Bytes serial;
  int readable = 0;
  std::optional<ReadOutcome> lastFailure;
  for (int sector = 0; sector < layout.sectors; ++sector) {
    s.progress("reading sector " + std::to_string(sector + 1) + " of " +
               std::to_string(layout.sectors));
    const int first = layout.firstBlock(sector);
    const int blocks = layout.blocksInSector(sector);
    json entry = {{"sector", sector}};
    Bytes content;
    std::optional<ReadOutcome> failure;
    for (int at = first; at < first + blocks && !failure; at += kDumpChunk) {
      const int n = std::min(kDumpChunk, first + blocks - at);
      ReadOutcome o = readBlocks(s, t.key, at, n);
      if (o.result != 0) {
        // No card, or no reply at all, ends the dump; a refusal marks the sector.
        if (!o.detail || *o.detail == kDetailNoCard) {
          s.endProgress();
          throw CallFailed(Fn::MF_Read, o.result, o.detail, "sector " + std::to_string(sector));
        }
        failure = std::move(o);
        break;
      }
      if (serial.empty()) serial = o.serial;
      content.insert(content.end(), o.data.begin(), o.data.end());
    }
    if (failure) {
      entry["readable"] = false;
      entry["result"] = resultJson(Fn::MF_Read, failure->result, failure->detail);
      lastFailure = std::move(failure);
    } else {
      ++readable;
      entry["readable"] = true;
      json list = json::array();
      for (int i = 0; i < blocks; ++i) {
        list.push_back(
            blockJson(layout, first + i,
                      ByteView(content).subspan(static_cast<std::size_t>(i * kClassicBlockSize),
                                                kClassicBlockSize)));
      }
      entry["blocks"] = std::move(list);
    }
    sectors.push_back(std::move(entry));
  }
  s.endProgress();
  if (readable == 0) {
    throw CallFailed(Fn::MF_Read, lastFailure->result, lastFailure->detail,
                     "key " + std::string(1, t.key.name) + " opens no sector");
  }
  return {{"serial", hex(serial)},
          {"card", std::string(layout.name)},
          {"key", keyJson(t.key)},
          {"readable_sectors", readable},
          {"sectors", std::move(sectors)}};
}

void renderClassicDump(const json& d, std::ostream& out) {
  printFields(out, {{"card serial", spacedHex(parseHex(d["serial"].get<std::string>(), "serial"))},
                    {"card", d["card"].get<std::string>()},
                    {"sectors read", std::to_string(d["readable_sectors"].get<int>()) + " of " +
                                         std::to_string(d["sectors"].size()) + " with key " +
                                         d["key"].get<std::string>()}});
  Table table({{"sector", Align::kRight}, {"block", Align::kRight}, {"data"}, {"ASCII"}, {"kind"}});
  for (const json& sec : d["sectors"]) {
    const std::string sector = std::to_string(sec["sector"].get<int>());
    if (!sec["readable"].get<bool>()) {
      table.row({sector, "-",
                 "(not read: " + sec["result"]["detail"]["meaning"].get<std::string>() + ")", "",
                 ""});
      continue;
    }
    for (const json& b : sec["blocks"]) {
      const Bytes data = parseHex(b["data"].get<std::string>(), "data");
      std::string kind = b["kind"].get<std::string>();
      if (b.contains("value")) kind += " " + std::to_string(b["value"].get<std::int64_t>());
      table.row(
          {sector, std::to_string(b["block"].get<int>()), spacedHex(data), printable(data), kind});
    }
  }
  table.print(out);
}

json valueInit(Session& s, const ClassicTarget& t, int block, std::int32_t value) {
  checkValueBlock(*t.layout, block);
  Key k = t.key.bytes;
  const auto bytes = valueBytes(value);
  const int r =
      s.reader().MF_InitValue(t.key.mode, static_cast<std::uint8_t>(block), k.data(), bytes.data());
  // On status 1 the reader's detail byte lands in key[0].
  s.require(Fn::MF_InitValue, r, r == kStatusFailed ? std::optional(k[0]) : std::nullopt);
  return {{"message",
           "block " + std::to_string(block) + " now holds the value " + std::to_string(value)},
          {"serial", hex(serialFrom(k))},
          {"block", block},
          {"value", value}};
}

json valueChange(Session& s, const ClassicTarget& t, int block, std::int32_t amount,
                 bool increment) {
  checkValueBlock(*t.layout, block);
  Key k = t.key.bytes;
  auto bytes = valueBytes(amount);
  const Fn fn = increment ? Fn::MF_Inc : Fn::MF_Dec;
  const auto b = static_cast<std::uint8_t>(block);
  const int r = increment ? s.reader().MF_Inc(t.key.mode, b, k.data(), bytes.data())
                          : s.reader().MF_Dec(t.key.mode, b, k.data(), bytes.data());
  s.require(fn, r, r == kStatusFailed ? std::optional(k[0]) : std::nullopt);
  const std::int32_t now = valueFromBytes(bytes);
  return {{"message", std::string(increment ? "incremented" : "decremented") + " block " +
                          std::to_string(block) + " by " + std::to_string(amount) +
                          ": it now holds " + std::to_string(now)},
          {"serial", hex(serialFrom(k))},
          {"block", block},
          {"amount", amount},
          {"value", now}};
}

json valueShow(Session& s, const ClassicTarget& t, int block) {
  checkValueBlock(*t.layout, block);
  ReadOutcome o = readBlocks(s, t.key, block, 1);
  if (o.result != 0) throw CallFailed(Fn::MF_Read, o.result, o.detail);
  const auto v = decodeValueBlock(o.data);
  if (!v) {
    throw CommandFailed("block " + std::to_string(block) +
                        " does not hold a value block: " + spacedHex(o.data));
  }
  return {{"message",
           "block " + std::to_string(block) + " holds the value " + std::to_string(v->value)},
          {"serial", hex(o.serial)},
          {"block", block},
          {"value", v->value},
          {"address", v->address},
          {"data", hex(o.data)}};
}

json valueRestore(Session& s, const ClassicTarget& t, int from, int to) {
  checkValueBlock(*t.layout, from);
  checkValueBlock(*t.layout, to);
  if (t.layout->sectorOf(from) != t.layout->sectorOf(to)) {
    throw UsageError("blocks " + std::to_string(from) + " and " + std::to_string(to) +
                     " lie in different sectors; a restore stays within one sector");
  }
  std::array<std::uint8_t, kRestoreBuffer> data{};
  data[0] = static_cast<std::uint8_t>(from);
  data[1] = static_cast<std::uint8_t>(to);
  std::copy(t.key.bytes.begin(), t.key.bytes.end(), data.begin() + 2);
  const int r = s.reader().MF_Restore(t.key.mode, kRestoreFields, data.data());
  s.require(Fn::MF_Restore, r, r == kStatusFailed ? std::optional(data[0]) : std::nullopt);
  // The reply: the card's serial number and the value now in `to`.
  const std::int32_t value =
      valueFromBytes(ByteView(data).subspan(kClassicSerialSize, kClassicValueSize));
  return {{"message", "restored block " + std::to_string(from) + " into block " +
                          std::to_string(to) + ": it now holds " + std::to_string(value)},
          {"serial", hex(ByteView(data).first(kClassicSerialSize))},
          {"from", from},
          {"to", to},
          {"value", value}};
}

void renderValue(const json& d, std::ostream& out) {
  out << d["message"].get<std::string>() << '\n';
  printFields(out,
              {{"card serial", spacedHex(parseHex(d["serial"].get<std::string>(), "serial"))}});
}

}  // namespace vexa::cli
