#include "vicinity_tag.h"

#include <algorithm>

namespace vr {
namespace {

using namespace iso15693;

constexpr std::uint8_t kAllInfoFlags = 0x0F;  // DSFID, AFI, memory size, IC reference
constexpr std::uint8_t kBlockLocked = 0x01;
constexpr std::uint8_t kAnyAfi = 0x00;
constexpr int kMaxMaskBits = 64;
constexpr int kByteBits = 8;
constexpr std::size_t kRequestHeader = 2;  // flags and command code

Bytes ok(Bytes data = {}) {
  data.insert(data.begin(), kResponseOk);
  return data;
}

Bytes error(std::uint8_t code) { return Bytes{kResponseError, code}; }

}  // namespace

std::optional<Bytes> VicinityTag::process(ByteView request) {
  if (request.size() < kRequestHeader) return std::nullopt;
  const std::uint8_t flags = request[0];
  const std::uint8_t command = request[1];
  ByteView rest = request.subspan(kRequestHeader);

  if (flags & kFlagInventory) {
    if (command != kInventory || state == VicinityState::kQuiet) return std::nullopt;
    return inventory(flags, rest);
  }

  const bool addressed = flags & kFlagAddress;
  const bool selectOnly = flags & kFlagSelect;
  if (addressed && selectOnly) return std::nullopt;
  bool forThisTag = false;
  if (addressed) {
    if (rest.size() < kUidSize) return std::nullopt;
    forThisTag = std::equal(uid.begin(), uid.end(), rest.begin());
    rest = rest.subspan(kUidSize);
  }

  if (command == kSelect) {
    if (!addressed) return std::nullopt;
    if (!forThisTag) {
      if (state == VicinityState::kSelected) state = VicinityState::kReady;
      return std::nullopt;
    }
    state = VicinityState::kSelected;
    return ok();
  }
  if (command == kStayQuiet) {
    if (forThisTag) state = VicinityState::kQuiet;
    return std::nullopt;  // never answered
  }

  if (addressed) {
    if (!forThisTag) return std::nullopt;
  } else if (selectOnly) {
    if (state != VicinityState::kSelected) return std::nullopt;
  } else if (state == VicinityState::kQuiet) {
    return std::nullopt;
  }
  return execute(flags, command, rest);
}

std::optional<Bytes> VicinityTag::inventory(std::uint8_t flags, ByteView params) const {
  if (flags & kFlagAfi) {
    if (params.empty()) return std::nullopt;
    const std::uint8_t wanted = params[0];
    params = params.subspan(1);
    if (wanted != kAnyAfi && wanted != afi) return std::nullopt;
  }
  if (params.empty()) return std::nullopt;
  const int maskBits = params[0];
  const std::size_t maskBytes = (static_cast<std::size_t>(maskBits) + kByteBits - 1) / kByteBits;
  if (maskBits > kMaxMaskBits || params.size() != 1 + maskBytes) return std::nullopt;
  for (int bit = 0; bit < maskBits; ++bit) {
    const int byte = bit / kByteBits;
    const int shift = bit % kByteBits;
    if (((uid[byte] >> shift) & 1) != ((params[1 + byte] >> shift) & 1)) return std::nullopt;
  }
  Bytes data{dsfid};
  append(data, uid);
  return ok(std::move(data));
}

Bytes VicinityTag::execute(std::uint8_t flags, std::uint8_t command, ByteView p) {
  auto needs = [&](std::size_t n) { return p.size() == n; };
  switch (command) {
    case kReadBlock:
      if (!needs(1)) return error(kErrorNotRecognised);
      return readBlocks(flags, p[0], 1);
    case kReadBlocks:
      if (!needs(2)) return error(kErrorNotRecognised);
      return readBlocks(flags, p[0], p[1] + 1);
    case kWriteBlock:
      if (!needs(1 + kBlockSize)) return error(kErrorNotRecognised);
      return writeBlocks(p[0], 1, p.subspan(1));
    case kWriteBlocks: {
      if (p.size() < 2) return error(kErrorNotRecognised);
      const int count = p[1] + 1;
      if (!needs(2 + count * kBlockSize)) return error(kErrorNotRecognised);
      return writeBlocks(p[0], count, p.subspan(2));
    }
    case kLockBlock:
      if (!needs(1)) return error(kErrorNotRecognised);
      return lockBlock(p[0]);
    case kSecurityStatus:
      if (!needs(2)) return error(kErrorNotRecognised);
      return securityStatus(p[0], p[1] + 1);
    case kResetToReady:
      if (!needs(0)) return error(kErrorNotRecognised);
      state = VicinityState::kReady;
      return ok();
    case kWriteAfi:
      if (!needs(1)) return error(kErrorNotRecognised);
      if (afiLocked) return error(kErrorLocked);
      afi = p[0];
      return ok();
    case kLockAfi:
      if (!needs(0)) return error(kErrorNotRecognised);
      if (afiLocked) return error(kErrorAlreadyLocked);
      afiLocked = true;
      return ok();
    case kWriteDsfid:
      if (!needs(1)) return error(kErrorNotRecognised);
      if (dsfidLocked) return error(kErrorLocked);
      dsfid = p[0];
      return ok();
    case kLockDsfid:
      if (!needs(0)) return error(kErrorNotRecognised);
      if (dsfidLocked) return error(kErrorAlreadyLocked);
      dsfidLocked = true;
      return ok();
    case kSystemInfo:
      if (!needs(0)) return error(kErrorNotRecognised);
      return systemInfo();
    default:
      return error(kErrorNotSupported);
  }
}

Bytes VicinityTag::readBlocks(std::uint8_t flags, int first, int count) const {
  if (!blockExists(first) || !blockExists(first + count - 1)) {
    return error(kErrorBlockUnavailable);
  }
  Bytes data;
  for (int b = first; b < first + count; ++b) {
    if (flags & kFlagOption) data.push_back(locked[b] ? kBlockLocked : 0);
    append(data, blocks[b]);
  }
  return ok(std::move(data));
}

Bytes VicinityTag::writeBlocks(int first, int count, ByteView data) {
  if (!blockExists(first) || !blockExists(first + count - 1)) {
    return error(kErrorBlockUnavailable);
  }
  for (int b = first; b < first + count; ++b) {
    if (locked[b]) return error(kErrorLocked);
  }
  for (int i = 0; i < count; ++i) {
    std::copy_n(data.begin() + i * kBlockSize, kBlockSize, blocks[first + i].begin());
  }
  return ok();
}

Bytes VicinityTag::lockBlock(int block) {
  if (!blockExists(block)) return error(kErrorBlockUnavailable);
  if (locked[block]) return error(kErrorAlreadyLocked);
  locked[block] = true;
  return ok();
}

Bytes VicinityTag::securityStatus(int first, int count) const {
  if (!blockExists(first) || !blockExists(first + count - 1)) {
    return error(kErrorBlockUnavailable);
  }
  Bytes data;
  for (int b = first; b < first + count; ++b) data.push_back(locked[b] ? kBlockLocked : 0);
  return ok(std::move(data));
}

Bytes VicinityTag::systemInfo() const {
  Bytes data{kAllInfoFlags};
  append(data, uid);
  data.push_back(dsfid);
  data.push_back(afi);
  data.push_back(static_cast<std::uint8_t>(blocks.size() - 1));
  data.push_back(static_cast<std::uint8_t>(kBlockSize - 1));
  data.push_back(icReference);
  return ok(std::move(data));
}

}  // namespace vr
