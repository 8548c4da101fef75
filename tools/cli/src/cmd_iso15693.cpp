// ISO/IEC 15693 vicinity tags. A command is addressed to one tag when the
// user names its UID (the library then sends flags 0x22 and the UID), and
// otherwise goes to whichever tag answers.
#include <algorithm>
#include <array>

#include "commands.h"
#include "errors.h"
#include "reader_codes.h"
#include "table.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

using Uid = std::array<std::uint8_t, kVicinityUidSize>;
constexpr int kMostReplyData = 126;
constexpr int kMostBlockNumber = 255;
constexpr int kStandardBlockSize = 4;  // the library sends 4 bytes per block
// The write request's length byte, 4 per block plus 12 (addressed) or 4,
// must fit one byte.
constexpr int kMostWriteBlocksAddressed = 59;
constexpr int kMostWriteBlocks = 61;
constexpr std::size_t kMostRawRequest = 250;
constexpr std::size_t kLeastRawRequest = 2;  // flags and command code
constexpr std::uint8_t kLockedBit = 0x01;
constexpr std::size_t kInventoryBuffer = kMostInventoryRecords * kInventoryRecordSize;
constexpr std::size_t kDsfidAt = 1;
constexpr std::size_t kUidAt = 2;

struct Addressing {
  std::uint8_t flags;
  Uid uid{};  // zero when not addressed; the library does not read it then
};

Addressing addressing(const VicinityTarget& t) {
  Addressing a{kFlagsNonAddressed};
  if (t.uid) {
    a.flags = kFlagsAddressed;
    const Bytes wire = uidToWire(*t.uid);
    std::copy(wire.begin(), wire.end(), a.uid.begin());
  }
  return a;
}

json targetJson(const VicinityTarget& t) { return t.uid ? json(hex(*t.uid)) : json(nullptr); }

void checkBlockRange(int first, int count) {
  if (first < 0 || first > kMostBlockNumber) {
    throw UsageError("block " + std::to_string(first) + " is out of range (0 to 255)");
  }
  if (first + count - 1 > kMostBlockNumber) {
    throw UsageError("blocks " + std::to_string(first) + " to " +
                     std::to_string(first + count - 1) + " run past block 255");
  }
}

// The first-byte commands: D[0] lands in replyByte whatever the status.
json firstByteCommand(Session& s, Fn fn, const VicinityTarget& t, const std::string& message,
                      int (*call)(Reader&, const Addressing&, std::uint8_t*)) {
  const Addressing a = addressing(t);
  std::uint8_t reply = 0;
  const int r = call(s.reader(), a, &reply);
  s.require(fn, r, r == kStatusFailed ? detailIn(reply) : std::nullopt);
  return {{"message", message}, {"uid", targetJson(t)}, {"reply", hexByte(reply)}};
}

void requireConfirmation(bool confirmed, const std::string& what) {
  if (!confirmed) throw UsageError(what + " cannot be undone: add --yes to go ahead");
}

}  // namespace

VicinityTarget parseVicinityTarget(const std::string& uidText) {
  if (uidText.empty()) return {};
  return VicinityTarget{parseHexExact(uidText, kVicinityUidSize, "UID")};
}

json vicinityInventory(Session& s) {
  std::uint8_t count = 0;
  std::array<std::uint8_t, kInventoryBuffer> records{};
  const int r = s.reader().ISO15693_Inventory(&count, records.data());
  s.require(Fn::ISO15693_Inventory, r, r == kStatusFailed ? detailIn(count) : std::nullopt);
  json tags = json::array();
  for (int i = 0; i < count; ++i) {
    const ByteView record = ByteView(records).subspan(
        static_cast<std::size_t>(i * kInventoryRecordSize), kInventoryRecordSize);
    tags.push_back({{"uid", hex(uidFromWire(record.subspan(kUidAt, kVicinityUidSize)))},
                    {"dsfid", hexByte(record[kDsfidAt])}});
  }
  return {{"tags", std::move(tags)}};
}

void renderVicinityInventory(const json& d, std::ostream& out) {
  const json& tags = d["tags"];
  out << tags.size() << (tags.size() == 1 ? " tag" : " tags") << '\n';
  if (tags.empty()) return;
  Table t({{"UID"}, {"DSFID"}});
  for (const json& tag : tags) {
    t.row({spacedHex(parseHex(tag["uid"].get<std::string>(), "UID")),
           tag["dsfid"].get<std::string>()});
  }
  t.print(out, "  ");
}

json vicinityStayQuiet(Session& s, const Bytes& uid) {
  return firstByteCommand(s, Fn::ISO15693_StayQuiet, VicinityTarget{uid},
                          "tag " + hex(uid) + " is quiet",
                          [](Reader& r, const Addressing& a, std::uint8_t* reply) {
                            return r.ISO15693_StayQuiet(a.flags, a.uid.data(), reply);
                          });
}

json vicinitySelect(Session& s, const Bytes& uid) {
  return firstByteCommand(s, Fn::ISO15693_Select, VicinityTarget{uid},
                          "tag " + hex(uid) + " is selected",
                          [](Reader& r, const Addressing& a, std::uint8_t* reply) {
                            return r.ISO15693_Select(a.flags, a.uid.data(), reply);
                          });
}

json vicinityResetToReady(Session& s, const VicinityTarget& t) {
  return firstByteCommand(s, Fn::ISO15693_ResetToReady, t,
                          t.uid ? "tag " + hex(*t.uid) + " is ready" : "the tag is ready",
                          [](Reader& r, const Addressing& a, std::uint8_t* reply) {
                            return r.ISO15693_ResetToReady(a.flags, a.uid.data(), reply);
                          });
}

json vicinityRead(Session& s, const VicinityTarget& t, int first, int count, int blockSize,
                  bool withLockStatus) {
  if (withLockStatus && t.uid) {
    throw UsageError(
        "--lock-status cannot be combined with --uid: the library sends the UID only "
        "with the flags 0x22, and the lock status needs the option flag");
  }
  if (blockSize < 1 || blockSize > kMostReplyData) {
    throw UsageError("block size " + std::to_string(blockSize) + " is out of range (1 to 126)");
  }
  const int perBlock = blockSize + (withLockStatus ? 1 : 0);
  const int most = kMostReplyData / perBlock;
  if (count < 1 || count > most) {
    throw UsageError("block count " + std::to_string(count) + " is out of range (1 to " +
                     std::to_string(most) + " blocks of " + std::to_string(blockSize) +
                     " bytes fit one reply)");
  }
  checkBlockRange(first, count);
  Addressing a = addressing(t);
  if (withLockStatus) a.flags |= kFlagOption;
  std::array<std::uint8_t, kMostReplyData> data{};
  const int r =
      s.reader().ISO15693_Read(a.flags, static_cast<std::uint8_t>(first),
                               static_cast<std::uint8_t>(count), a.uid.data(), data.data());
  s.require(Fn::ISO15693_Read, r, r == kStatusFailed ? detailIn(data[0]) : std::nullopt);
  json blocks = json::array();
  for (int i = 0; i < count; ++i) {
    ByteView one = ByteView(data).subspan(static_cast<std::size_t>(i * perBlock),
                                          static_cast<std::size_t>(perBlock));
    json b = {{"block", first + i}};
    if (withLockStatus) {
      b["locked"] = (one[0] & kLockedBit) != 0;
      one = one.subspan(1);
    }
    b["data"] = hex(one);
    blocks.push_back(std::move(b));
  }
  return {{"uid", targetJson(t)}, {"blocks", std::move(blocks)}};
}

void renderVicinityBlocks(const json& d, std::ostream& out) {
  if (!d["uid"].is_null())
    printFields(out, {{"tag", spacedHex(parseHex(d["uid"].get<std::string>(), "UID"))}});
  const bool locks = !d["blocks"].empty() && d["blocks"][0].contains("locked");
  std::vector<Table::Column> columns = {{"block", Align::kRight}, {"data"}, {"ASCII"}};
  if (locks) columns.push_back({"locked"});
  Table t(columns);
  for (const json& b : d["blocks"]) {
    const Bytes data = parseHex(b["data"].get<std::string>(), "data");
    std::vector<std::string> row = {std::to_string(b["block"].get<int>()), spacedHex(data),
                                    printable(data)};
    if (locks) row.push_back(b["locked"].get<bool>() ? "yes" : "no");
    t.row(row);
  }
  t.print(out);
}

json vicinityWrite(Session& s, const VicinityTarget& t, int first, const Bytes& data) {
  if (data.empty() || data.size() % kStandardBlockSize != 0) {
    throw UsageError("data must be whole 4-byte blocks (8 hex digits each), got " +
                     std::to_string(data.size()) + " bytes");
  }
  const int count = static_cast<int>(data.size() / kStandardBlockSize);
  const int most = t.uid ? kMostWriteBlocksAddressed : kMostWriteBlocks;
  if (count > most) {
    throw UsageError("at most " + std::to_string(most) + " blocks per write" +
                     (t.uid ? " to a UID" : "") + ", got " + std::to_string(count));
  }
  checkBlockRange(first, count);
  const Addressing a = addressing(t);
  Bytes sent = data;
  const int r =
      s.reader().ISO15693_Write(a.flags, static_cast<std::uint8_t>(first),
                                static_cast<std::uint8_t>(count), a.uid.data(), sent.data());
  // On status 1 the reader's detail byte replaces data[0].
  const bool changed = sent[0] != data[0];
  s.require(Fn::ISO15693_Write, r,
            r == kStatusFailed && changed ? std::optional(sent[0]) : std::nullopt);
  return {{"message", "wrote " + std::to_string(count) + (count == 1 ? " block" : " blocks") +
                          " from block " + std::to_string(first)},
          {"uid", targetJson(t)},
          {"block", first},
          {"count", count}};
}

json vicinityLock(Session& s, const VicinityTarget& t, int block, bool confirmed) {
  checkBlockRange(block, 1);
  if (block == 0)
    throw UsageError("block 0 cannot be locked through the library (it refuses block number 0)");
  requireConfirmation(confirmed, "locking block " + std::to_string(block));
  const Addressing a = addressing(t);
  std::uint8_t reply = 0;
  const int r =
      s.reader().ISO15693_Lock(a.flags, static_cast<std::uint8_t>(block), a.uid.data(), &reply);
  s.require(Fn::ISO15693_Lock, r, r == kStatusFailed ? detailIn(reply) : std::nullopt);
  return {{"message", "block " + std::to_string(block) + " is locked"},
          {"uid", targetJson(t)},
          {"block", block}};
}

json vicinitySecurity(Session& s, const VicinityTarget& t, int first, int count) {
  const int most = kMostReplyData - 1;  // the reply echoes the count first
  if (count < 1 || count > most) {
    throw UsageError("block count " + std::to_string(count) + " is out of range (1 to " +
                     std::to_string(most) + ")");
  }
  checkBlockRange(first, count);
  const Addressing a = addressing(t);
  std::array<std::uint8_t, kMostReplyData> status{};
  const int r = s.reader().ISO15693_GetMulSecurity(a.flags, static_cast<std::uint8_t>(first),
                                                   static_cast<std::uint8_t>(count), a.uid.data(),
                                                   status.data());
  s.require(Fn::ISO15693_GetMulSecurity, r);
  json blocks = json::array();
  for (int i = 0; i < count; ++i) {
    const std::uint8_t b = status[static_cast<std::size_t>(1 + i)];
    blocks.push_back(
        {{"block", first + i}, {"status", hexByte(b)}, {"locked", (b & kLockedBit) != 0}});
  }
  return {{"uid", targetJson(t)}, {"blocks", std::move(blocks)}};
}

void renderVicinitySecurity(const json& d, std::ostream& out) {
  if (!d["uid"].is_null())
    printFields(out, {{"tag", spacedHex(parseHex(d["uid"].get<std::string>(), "UID"))}});
  Table t({{"block", Align::kRight}, {"status"}, {"locked"}});
  for (const json& b : d["blocks"]) {
    t.row({std::to_string(b["block"].get<int>()), b["status"].get<std::string>(),
           b["locked"].get<bool>() ? "yes" : "no"});
  }
  t.print(out);
}

json vicinityWriteAfi(Session& s, const VicinityTarget& t, std::uint8_t afi) {
  const Addressing a = addressing(t);
  std::uint8_t reply = 0;
  const int r = s.reader().ISO15693_WriteAFI(a.flags, afi, a.uid.data(), &reply);
  s.require(Fn::ISO15693_WriteAFI, r, r == kStatusFailed ? detailIn(reply) : std::nullopt);
  return {{"message", "AFI set to " + hexByte(afi)}, {"uid", targetJson(t)}, {"afi", hexByte(afi)}};
}

json vicinityLockAfi(Session& s, const VicinityTarget& t, bool confirmed) {
  requireConfirmation(confirmed, "locking the AFI");
  return firstByteCommand(s, Fn::ISO15693_LockAFI, t, "the AFI is locked",
                          [](Reader& r, const Addressing& a, std::uint8_t* reply) {
                            return r.ISO15693_LockAFI(a.flags, a.uid.data(), reply);
                          });
}

json vicinityWriteDsfid(Session& s, const VicinityTarget& t, std::uint8_t dsfid) {
  const Addressing a = addressing(t);
  std::uint8_t reply = 0;
  const int r = s.reader().ISO15693_WriteDSFID(a.flags, dsfid, a.uid.data(), &reply);
  s.require(Fn::ISO15693_WriteDSFID, r, r == kStatusFailed ? detailIn(reply) : std::nullopt);
  return {{"message", "DSFID set to " + hexByte(dsfid)},
          {"uid", targetJson(t)},
          {"dsfid", hexByte(dsfid)}};
}

json vicinityLockDsfid(Session& s, const VicinityTarget& t, bool confirmed) {
  requireConfirmation(confirmed, "locking the DSFID");
  return firstByteCommand(s, Fn::ISO15693_LockDSFID, t, "the DSFID is locked",
                          [](Reader& r, const Addressing& a, std::uint8_t* reply) {
                            return r.ISO15693_LockDSFID(a.flags, a.uid.data(), reply);
                          });
}

json systemInfoJson(const SystemInfo& info) {
  json out = {{"uid", hex(info.uid)}, {"info_flags", hexByte(info.infoFlags)}};
  if (info.dsfid) out["dsfid"] = hexByte(*info.dsfid);
  if (info.afi) out["afi"] = hexByte(*info.afi);
  if (info.blocks) out["blocks"] = *info.blocks;
  if (info.blockSize) out["block_size"] = *info.blockSize;
  if (info.icReference) out["ic_reference"] = hexByte(*info.icReference);
  return out;
}

json vicinitySystemInfo(Session& s, const VicinityTarget& t) {
  const Addressing a = addressing(t);
  std::array<std::uint8_t, kSysInfoSize> info{};
  const int r = s.reader().ISO15693_GetSysInfo(a.flags, a.uid.data(), info.data());
  // A failed command's reply is too short: 5, with the detail byte in info[0].
  s.require(Fn::ISO15693_GetSysInfo, r,
            r == VEXA_RESULT_NO_REPLY ? detailIn(info[0]) : std::nullopt);
  const auto parsed = parseSystemInfo(info);
  if (!parsed)
    throw CommandFailed("the system information does not hold what its flags announce: " +
                        spacedHex(info));
  json out = systemInfoJson(*parsed);
  out["raw"] = hex(info);
  return out;
}

void renderVicinitySystemInfo(const json& d, std::ostream& out) {
  Fields f{{"UID", spacedHex(parseHex(d["uid"].get<std::string>(), "UID"))},
           {"information flags", d["info_flags"].get<std::string>()}};
  if (d.contains("dsfid")) f.emplace_back("DSFID", d["dsfid"].get<std::string>());
  if (d.contains("afi")) f.emplace_back("AFI", d["afi"].get<std::string>());
  if (d.contains("blocks")) {
    f.emplace_back("memory", std::to_string(d["blocks"].get<int>()) + " blocks of " +
                                 std::to_string(d["block_size"].get<int>()) + " bytes");
  }
  if (d.contains("ic_reference"))
    f.emplace_back("IC reference", d["ic_reference"].get<std::string>());
  printFields(out, f);
}

json vicinityRaw(Session& s, const Bytes& request) {
  if (request.size() < kLeastRawRequest || request.size() > kMostRawRequest) {
    throw UsageError("request must be 2 to 250 bytes (flags, command code, parameters), got " +
                     std::to_string(request.size()));
  }
  ReplyBuffer response;
  const int r = s.reader().ISO15693_TransCOSCmd(request.data(), static_cast<int>(request.size()),
                                                response.data());
  s.require(Fn::ISO15693_TransCOSCmd, r,
            r == kStatusFailed ? std::optional(response.data()[0]) : std::nullopt);
  // The library does not say how many bytes came back: they end where the
  // buffer's fill pattern begins.
  return {{"request", hex(request)}, {"response", hex(response.first(response.written()))}};
}

void renderRaw(const json& d, std::ostream& out) {
  printFields(out,
              {{"request", spacedHex(parseHex(d["request"].get<std::string>(), "request"))},
               {"response", spacedHex(parseHex(d["response"].get<std::string>(), "response"))}});
}

}  // namespace vexa::cli
