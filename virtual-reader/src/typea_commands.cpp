// ISO/IEC 14443 Type A: activation, MIFARE Classic blocks and values,
// Ultralight pages, and APDUs through the transparent command.
#include <algorithm>

#include "cards/cpu_card_a.h"
#include "cards/mifare_classic.h"
#include "cards/ultralight.h"
#include "codes.h"
#include "reader.h"

namespace vr {
namespace {

constexpr std::uint8_t kReqa = 0x26;
constexpr std::uint8_t kWupa = 0x52;
// Mode bytes of the reader's one-step commands: WUPA or REQA.
constexpr std::uint8_t kModeWakeUp = 0x00;
constexpr std::uint8_t kModeIdleOnly = 0x01;
// What to do with the card after MF_Getsnr.
constexpr std::uint8_t kLeaveSelected = 0x00;
constexpr std::uint8_t kHaltAfter = 0x01;
constexpr std::uint8_t kKeyModeA = 0x00;
constexpr std::uint8_t kKeyModeB = 0x01;
constexpr std::size_t kMaxBlocksPerCommand = 15;
constexpr std::size_t kValueSize = 4;
constexpr std::size_t kRestoreFields = 2 + MifareClassic::kKeySize;  // from, to, key
constexpr std::uint8_t kUlPagesPerWrite = 1;
constexpr int kByteBits = 8;

// True for WUPA, false for REQA; empty for a mode the reader does not know.
std::optional<bool> wakeUpMode(std::uint8_t mode) {
  if (mode == kModeWakeUp || mode == kWupa) return true;
  if (mode == kModeIdleOnly || mode == kReqa) return false;
  return std::nullopt;
}

std::optional<MifareClassic::KeyType> keyType(std::uint8_t keyMode) {
  if (keyMode == kKeyModeA) return MifareClassic::KeyType::kA;
  if (keyMode == kKeyModeB) return MifareClassic::KeyType::kB;
  return std::nullopt;
}

std::int32_t valueFrom(ByteView bytes) {
  std::uint32_t v = 0;
  for (std::size_t i = kValueSize; i-- > 0;) v = (v << kByteBits) | bytes[i];
  return static_cast<std::int32_t>(v);
}

void appendValue(Bytes& out, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < kValueSize; ++i, v >>= kByteBits) {
    out.push_back(static_cast<std::uint8_t>(v));
  }
}

template <class T>
T* firstReady(const Field& field) {
  for (TypeACard* card : field.readyA()) {
    if (auto* t = dynamic_cast<T*>(card)) return t;
  }
  return nullptr;
}

// The one-step commands run an activation of their own. The card selected
// before is released first (back to IDLE, or HALT if woken from it). A card
// left READY by an earlier command ignores a request and falls back in the
// same way, so the reader sends the request a second time when the first
// brings no card of the kind it wants.
constexpr int kRequestAttempts = 2;

template <class T>
T* wakeFirst(Field& field, bool wakeUp, int* answered = nullptr) {
  if (TypeACard* active = field.activeA()) active->dropOut();
  for (int attempt = 0; attempt < kRequestAttempts; ++attempt) {
    const Field::RequestAnswer answer = field.requestA(wakeUp);
    if (answered) *answered = answer.cards;
    if (T* card = firstReady<T>(field)) return card;
  }
  return nullptr;
}

// The card of kind T that a one-step command works on: the selected card
// if it is one; otherwise the reader wakes the field and selects the first
// card of that kind. A selected card of another kind does not understand
// the command and drops out.
template <class T>
T* target(Field& field, bool wakeUp) {
  if (auto* card = dynamic_cast<T*>(field.activeA())) {
    field.commandForActiveA();
    return card;
  }
  T* chosen = wakeFirst<T>(field, wakeUp);
  if (chosen) field.selectA(*chosen);
  field.commandForActiveA();
  return chosen;
}

Reply request(Reader& r, const Request&, FieldReader& f) {
  const std::uint8_t code = f.byte();
  f.end();
  if (code != kReqa && code != kWupa) return failed(detail::kBadParameter);
  const Field::RequestAnswer answer = r.field.requestA(code == kWupa);
  if (answer.cards == 0) return failed(detail::kNoCard);
  return ok({answer.atqa[0], answer.atqa[1]});
}

Reply anticollision(Reader& r, const Request&, FieldReader& f) {
  f.end();
  const auto ready = r.field.readyA();
  if (ready.empty()) return failed(detail::kNoCard);
  // The first card in the field wins every collision.
  Bytes data{static_cast<std::uint8_t>(ready.size())};
  append(data, ready.front()->cascadeLevel1());
  return ok(std::move(data));
}

// The four bytes a selection answers with: the UID of a single-size card;
// for a double-size UID, whose first part anticollision gave, the rest.
Bytes selectionBytes(const TypeACard& card) {
  const Bytes& uid = card.uid();
  if (uid.size() == kSingleUidSize) return uid;
  return Bytes(uid.end() - kSingleUidSize, uid.end());
}

Reply select(Reader& r, const Request&, FieldReader& f) {
  const ByteView serial = f.take(kSingleUidSize);
  f.end();
  TypeACard* card = r.field.selectA(serial);
  if (!card) return failed(detail::kNoCard);
  return ok(selectionBytes(*card));
}

Reply halt(Reader& r, const Request&, FieldReader& f) {
  f.end();
  // A halted card never answers, so the reader reports success either way.
  r.field.haltA();
  return ok();
}

Reply getSerial(Reader& r, const Request&, FieldReader& f) {
  const auto wakeUp = wakeUpMode(f.byte());
  const std::uint8_t after = f.byte();
  f.end();
  if (!wakeUp || (after != kLeaveSelected && after != kHaltAfter)) {
    return failed(detail::kBadParameter);
  }
  int answered = 0;
  TypeACard* card = wakeFirst<TypeACard>(r.field, *wakeUp, &answered);
  if (!card) return failed(detail::kNoCard);
  r.field.selectA(*card);
  Bytes data{static_cast<std::uint8_t>(answered)};
  data.insert(data.end(), card->uid().begin(), card->uid().begin() + kSingleUidSize);
  if (after == kHaltAfter) r.field.haltA();
  return ok(std::move(data));
}

struct KeyedAccess {
  MifareClassic::KeyType key;
  ByteView keyBytes;
};

// Authenticates the sector of `block` unless this command already did.
Outcome authenticateFor(MifareClassic& card, const KeyedAccess& access, int block,
                        int& authenticatedSector) {
  const int sector = MifareClassic::sectorOf(block);
  if (sector == authenticatedSector) return kDone;
  const Outcome o = card.authenticate(sector, access.key, access.keyBytes);
  if (o == kDone) authenticatedSector = sector;
  return o;
}

Bytes serialOf(const MifareClassic& card) { return card.uid(); }

Reply mfRead(Reader& r, const Request&, FieldReader& f) {
  const auto key = keyType(f.byte());
  const std::size_t count = f.byte();
  const int first = f.byte();
  const ByteView keyBytes = f.take(MifareClassic::kKeySize);
  f.end();
  if (!key || count == 0 || count > kMaxBlocksPerCommand) return failed(detail::kBadParameter);
  if (first + static_cast<int>(count) > MifareClassic::kBlocks) return failed(detail::kBadBlock);
  MifareClassic* card = target<MifareClassic>(r.field, true);
  if (!card) return failed(detail::kNoCard);
  Bytes data = serialOf(*card);
  int sector = -1;
  for (int block = first; block < first + static_cast<int>(count); ++block) {
    if (Outcome o = authenticateFor(*card, {*key, keyBytes}, block, sector); o != kDone) {
      return failed(o);
    }
    MifareClassic::Block content{};
    if (Outcome o = card->read(block, content); o != kDone) return failed(o);
    append(data, content);
  }
  return ok(std::move(data));
}

Reply mfWrite(Reader& r, const Request&, FieldReader& f) {
  const auto key = keyType(f.byte());
  const std::size_t count = f.byte();
  const int first = f.byte();
  const ByteView keyBytes = f.take(MifareClassic::kKeySize);
  const ByteView data = f.take(count * MifareClassic::kBlockSize);
  f.end();
  if (!key || count == 0 || count > kMaxBlocksPerCommand) return failed(detail::kBadParameter);
  if (first + static_cast<int>(count) > MifareClassic::kBlocks) return failed(detail::kBadBlock);
  MifareClassic* card = target<MifareClassic>(r.field, true);
  if (!card) return failed(detail::kNoCard);
  int sector = -1;
  // Block by block, as the card is written: a refusal leaves the blocks
  // before it written.
  for (std::size_t i = 0; i < count; ++i) {
    const int block = first + static_cast<int>(i);
    if (Outcome o = authenticateFor(*card, {*key, keyBytes}, block, sector); o != kDone) {
      return failed(o);
    }
    MifareClassic::Block content{};
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(i * MifareClassic::kBlockSize),
                MifareClassic::kBlockSize, content.begin());
    if (Outcome o = card->write(block, content); o != kDone) return failed(o);
  }
  return ok(serialOf(*card));
}

enum class ValueOp { kInit, kDecrement, kIncrement };

Reply valueCommand(Reader& r, FieldReader& f, ValueOp op) {
  const auto key = keyType(f.byte());
  const int block = f.byte();
  const ByteView keyBytes = f.take(MifareClassic::kKeySize);
  const std::int32_t value = valueFrom(f.take(kValueSize));
  f.end();
  if (!key) return failed(detail::kBadParameter);
  if (block >= MifareClassic::kBlocks) return failed(detail::kBadBlock);
  MifareClassic* card = target<MifareClassic>(r.field, true);
  if (!card) return failed(detail::kNoCard);
  int sector = -1;
  if (Outcome o = authenticateFor(*card, {*key, keyBytes}, block, sector); o != kDone) {
    return failed(o);
  }
  Bytes data = serialOf(*card);
  if (op == ValueOp::kInit) {
    if (Outcome o = card->initValue(block, value); o != kDone) return failed(o);
    return ok(std::move(data));
  }
  std::int32_t result = 0;
  if (Outcome o = card->changeValue(block, op == ValueOp::kIncrement, value, result); o != kDone) {
    return failed(o);
  }
  appendValue(data, result);
  return ok(std::move(data));
}

Reply mfInitValue(Reader& r, const Request&, FieldReader& f) {
  return valueCommand(r, f, ValueOp::kInit);
}
Reply mfDecrement(Reader& r, const Request&, FieldReader& f) {
  return valueCommand(r, f, ValueOp::kDecrement);
}
Reply mfIncrement(Reader& r, const Request&, FieldReader& f) {
  return valueCommand(r, f, ValueOp::kIncrement);
}

// The key mode byte, then source block, destination block and key in the
// data bytes.
Reply mfRestore(Reader& r, const Request&, FieldReader& f) {
  const auto key = keyType(f.byte());
  const std::size_t count = f.byte();
  const ByteView data = f.take(count);
  f.end();
  if (!key || count != kRestoreFields) return failed(detail::kBadParameter);
  const int from = data[0];
  const int to = data[1];
  if (from >= MifareClassic::kBlocks || to >= MifareClassic::kBlocks) {
    return failed(detail::kBadBlock);
  }
  MifareClassic* card = target<MifareClassic>(r.field, true);
  if (!card) return failed(detail::kNoCard);
  int sector = -1;
  if (Outcome o = authenticateFor(*card, {*key, data.subspan(2)}, from, sector); o != kDone) {
    return failed(o);
  }
  std::int32_t result = 0;
  if (Outcome o = card->restoreTransfer(from, to, result); o != kDone) return failed(o);
  Bytes reply = serialOf(*card);
  appendValue(reply, result);
  return ok(std::move(reply));
}

Reply ulRequest(Reader& r, const Request&, FieldReader& f) {
  const auto wakeUp = wakeUpMode(f.byte());
  f.end();
  if (!wakeUp) return failed(detail::kBadParameter);
  Ultralight* card = wakeFirst<Ultralight>(r.field, *wakeUp);
  if (!card) return failed(detail::kNoCard);
  r.field.selectA(*card);
  return ok(card->uid());
}

Reply ulRead(Reader& r, const Request&, FieldReader& f) {
  const auto wakeUp = wakeUpMode(f.byte());
  const int page = f.byte();
  f.end();
  if (!wakeUp) return failed(detail::kBadParameter);
  if (page >= Ultralight::kPages) return failed(detail::kBadBlock);
  Ultralight* card = target<Ultralight>(r.field, *wakeUp);
  if (!card) return failed(detail::kNoCard);
  const auto pages = card->read(page);
  Bytes data(pages.begin(), pages.end());
  append(data, card->uid());
  return ok(std::move(data));
}

Reply ulWrite(Reader& r, const Request&, FieldReader& f) {
  const auto wakeUp = wakeUpMode(f.byte());
  const std::uint8_t pages = f.byte();
  const int page = f.byte();
  const ByteView data = f.take(Ultralight::kPageSize);
  f.end();
  if (!wakeUp || pages != kUlPagesPerWrite) return failed(detail::kBadParameter);
  if (page >= Ultralight::kPages) return failed(detail::kBadBlock);
  Ultralight* card = target<Ultralight>(r.field, *wakeUp);
  if (!card) return failed(detail::kNoCard);
  if (Outcome o = card->write(page, data); o != kDone) return failed(o);
  return ok(card->uid());
}

}  // namespace

// Shared with the Type B family, which owns the other layout of 0x0D.
Reply typeATransparent(Reader& r, ByteView command) {
  TypeACard* active = r.field.activeA();
  if (!active) return failed(detail::kNoCard);
  r.field.commandForActiveA();
  auto* card = dynamic_cast<CpuCardA*>(active);
  if (!card) {
    active->dropOut();
    return failed(detail::kWrongCard);
  }
  return ok(card->transceive(command));
}

namespace {

constexpr CommandEntry kTable[] = {
    {cmd::kMfRequest, "MF_Request", request},    {cmd::kMfAnticoll, "MF_Anticoll", anticollision},
    {cmd::kMfSelect, "MF_Select", select},       {cmd::kMfHalt, "MF_Halt", halt},
    {cmd::kMfGetSerial, "MF_Getsnr", getSerial}, {cmd::kMfRead, "MF_Read", mfRead},
    {cmd::kMfWrite, "MF_Write", mfWrite},        {cmd::kMfInitValue, "MF_InitValue", mfInitValue},
    {cmd::kMfDecrement, "MF_Dec", mfDecrement},  {cmd::kMfIncrement, "MF_Inc", mfIncrement},
    {cmd::kMfRestore, "MF_Restore", mfRestore},  {cmd::kUlRequest, "UL_Request", ulRequest},
    {cmd::kUlRead, "UL_HLRead", ulRead},         {cmd::kUlWrite, "UL_HLWrite", ulWrite},
};

}  // namespace

std::span<const CommandEntry> typeACommandTable() { return kTable; }

}  // namespace vr
