// ISO/IEC 15693: the reader turns each command frame into a request on the
// air, which every tag hears, and reports the one answer, a collision, or
// silence.
#include <optional>

#include "cards/vicinity_tag.h"
#include "codes.h"
#include "reader.h"

namespace vr {
namespace {

using namespace iso15693;

constexpr std::size_t kMaxReplyData = 126;  // what the library copies from a reply
constexpr std::size_t kMaxInventoryRecords = 24;
constexpr std::size_t kSecurityStatusEcho = 1;
constexpr int kMaxMaskBits = 64;
constexpr int kByteBits = 8;
constexpr std::uint8_t kQuietAcknowledge = kResponseOk;

struct TagAnswer {
  std::optional<Reply> failure;
  Bytes response;  // from the tag's flags byte on
};

TagAnswer ask(Reader& r, const Bytes& request) {
  const auto responses = r.field.transceive15693(request);
  if (responses.empty()) return {failed(detail::kNoCard), {}};
  if (responses.size() > 1) return {failed(detail::kCollision), {}};
  const Bytes& response = responses.front();
  if (response.empty()) return {failed(detail::kNoCard), {}};
  if (response[0] & kResponseError) {
    return {failed(response.size() > 1 ? response[1] : kErrorNotRecognised), {}};
  }
  return {std::nullopt, response};
}

// A UID where the frame has room for one: the frame's length says whether
// the request is addressed.
std::optional<ByteView> optionalUid(FieldReader& f) {
  if (f.remaining() == 0) return std::nullopt;
  ByteView uid = f.take(kUidSize);
  f.end();
  return uid;
}

// The request on the air: flags with the address flag as the UID demands,
// the command code, the UID, the parameters.
Bytes airRequest(std::uint8_t flags, std::uint8_t command, std::optional<ByteView> uid,
                 ByteView params = {}) {
  flags = static_cast<std::uint8_t>(uid ? (flags | kFlagAddress) & ~kFlagSelect
                                        : flags & ~kFlagAddress);
  Bytes request{flags, command};
  if (uid) append(request, *uid);
  append(request, params);
  return request;
}

Bytes dataAfterFlags(const Bytes& response) { return Bytes(response.begin() + 1, response.end()); }

// Commands whose reply is the tag's response itself, flags byte first.
Reply answerOf(Reader& r, const Bytes& request) {
  TagAnswer a = ask(r, request);
  if (a.failure) return *a.failure;
  return ok(std::move(a.response));
}

Reply inventory(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const std::uint8_t afiFilter = f.byte();
  const int maskBits = f.byte();
  if (maskBits > kMaxMaskBits) return failed(detail::kBadParameter);
  const ByteView mask = f.take(static_cast<std::size_t>(maskBits + kByteBits - 1) / kByteBits);
  f.end();
  if (!(flags & kFlagInventory)) return failed(detail::kBadParameter);
  Bytes request{flags, kInventory};
  if (flags & kFlagAfi) request.push_back(afiFilter);
  request.push_back(static_cast<std::uint8_t>(maskBits));
  append(request, mask);
  // The reader runs through the slots until every tag has answered alone.
  const auto responses = r.field.transceive15693(request);
  Bytes data{0};
  for (const Bytes& record : responses) {
    if (data[0] == kMaxInventoryRecords) break;
    append(data, record);
    ++data[0];
  }
  return ok(std::move(data));
}

Reply stayQuiet(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const ByteView uid = f.take(kUidSize);
  f.end();
  r.field.transceive15693(airRequest(flags, kStayQuiet, uid));
  // A tag never answers stay quiet: silence is success.
  return ok({kQuietAcknowledge});
}

Reply select(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const ByteView uid = f.take(kUidSize);
  f.end();
  return answerOf(r, airRequest(flags, kSelect, uid));
}

Reply resetToReady(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const auto uid = optionalUid(f);
  return answerOf(r, airRequest(flags, kResetToReady, uid));
}

Reply read(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const std::uint8_t first = f.byte();
  const std::size_t count = f.byte();
  const auto uid = optionalUid(f);
  const std::size_t perBlock = VicinityTag::kBlockSize + ((flags & kFlagOption) ? 1 : 0);
  if (count == 0 || count * perBlock > kMaxReplyData) return failed(detail::kBadParameter);
  const Bytes params{first, static_cast<std::uint8_t>(count - 1)};
  TagAnswer a = ask(r, airRequest(flags, kReadBlocks, uid, params));
  if (a.failure) return *a.failure;
  return ok(dataAfterFlags(a.response));
}

Reply write(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const std::uint8_t first = f.byte();
  const std::size_t count = f.byte();
  const std::size_t dataSize = count * VicinityTag::kBlockSize;
  std::optional<ByteView> uid;
  if (f.remaining() == dataSize + kUidSize) uid = f.take(kUidSize);
  const ByteView data = f.take(dataSize);
  f.end();
  if (count == 0) return failed(detail::kBadParameter);
  Bytes params{first};
  if (count > 1) params.push_back(static_cast<std::uint8_t>(count - 1));
  append(params, data);
  return answerOf(r, airRequest(flags, count == 1 ? kWriteBlock : kWriteBlocks, uid, params));
}

Reply lock(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const std::uint8_t block = f.byte();
  const auto uid = optionalUid(f);
  return answerOf(r, airRequest(flags, kLockBlock, uid, Bytes{block}));
}

Reply securityStatus(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const std::uint8_t first = f.byte();
  const std::uint8_t count = f.byte();
  const auto uid = optionalUid(f);
  if (count == 0) return ok({count});
  if (count + kSecurityStatusEcho > kMaxReplyData) return failed(detail::kBadParameter);
  const Bytes params{first, static_cast<std::uint8_t>(count - 1)};
  TagAnswer a = ask(r, airRequest(flags, kSecurityStatus, uid, params));
  if (a.failure) return *a.failure;
  Bytes data{count};
  append(data, dataAfterFlags(a.response));
  return ok(std::move(data));
}

Reply valueWrite(Reader& r, FieldReader& f, std::uint8_t command) {
  const std::uint8_t flags = f.byte();
  const std::uint8_t value = f.byte();
  const auto uid = optionalUid(f);
  return answerOf(r, airRequest(flags, command, uid, Bytes{value}));
}

Reply valueLock(Reader& r, FieldReader& f, std::uint8_t command) {
  const std::uint8_t flags = f.byte();
  const auto uid = optionalUid(f);
  return answerOf(r, airRequest(flags, command, uid));
}

Reply writeAfi(Reader& r, const Request&, FieldReader& f) { return valueWrite(r, f, kWriteAfi); }
Reply lockAfi(Reader& r, const Request&, FieldReader& f) { return valueLock(r, f, kLockAfi); }
Reply writeDsfid(Reader& r, const Request&, FieldReader& f) {
  return valueWrite(r, f, kWriteDsfid);
}
Reply lockDsfid(Reader& r, const Request&, FieldReader& f) { return valueLock(r, f, kLockDsfid); }

Reply systemInfo(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t flags = f.byte();
  const auto uid = optionalUid(f);
  return answerOf(r, airRequest(flags, kSystemInfo, uid));
}

// The caller's bytes go on the air as they are; the reply carries the
// tag's response as it came.
Reply transparent(Reader& r, const Request&, FieldReader& f) {
  const ByteView request = f.rest();
  const Bytes bytes(request.begin(), request.end());
  constexpr std::size_t kCommandAt = 1;
  if (bytes.size() > kCommandAt && bytes[kCommandAt] == kStayQuiet &&
      !(bytes[0] & kFlagInventory)) {
    r.field.transceive15693(bytes);
    return ok();
  }
  const auto responses = r.field.transceive15693(bytes);
  if (responses.empty()) return failed(detail::kNoCard);
  if (responses.size() > 1) return failed(detail::kCollision);
  return ok(responses.front());
}

constexpr CommandEntry kTable[] = {
    {cmd::kIsoInventory, "ISO15693_Inventory", inventory},
    {cmd::kIsoRead, "ISO15693_Read", read},
    {cmd::kIsoWrite, "ISO15693_Write", write},
    {cmd::kIsoLock, "ISO15693_Lock", lock},
    {cmd::kIsoStayQuiet, "ISO15693_StayQuiet", stayQuiet},
    {cmd::kIsoSelect, "ISO15693_Select", select},
    {cmd::kIsoResetToReady, "ISO15693_ResetToReady", resetToReady},
    {cmd::kIsoWriteAfi, "ISO15693_WriteAFI", writeAfi},
    {cmd::kIsoLockAfi, "ISO15693_LockAFI", lockAfi},
    {cmd::kIsoWriteDsfid, "ISO15693_WriteDSFID", writeDsfid},
    {cmd::kIsoLockDsfid, "ISO15693_LockDSFID", lockDsfid},
    {cmd::kIsoSystemInfo, "ISO15693_GetSysInfo", systemInfo},
    {cmd::kIsoSecurityStatus, "ISO15693_GetMulSecurity", securityStatus},
    {cmd::kIsoTransparent, "ISO15693_TransCOSCmd", transparent},
};

}  // namespace

std::span<const CommandEntry> vicinityCommandTable() { return kTable; }

}  // namespace vr
