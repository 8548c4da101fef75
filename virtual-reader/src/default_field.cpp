#include "default_field.h"

#include <algorithm>
#include <string_view>

#include "cards/cpu_card_a.h"
#include "cards/mifare_classic.h"
#include "cards/typeb_card.h"
#include "cards/ultralight.h"
#include "cards/vicinity_tag.h"

namespace vr {
namespace {

constexpr std::string_view kGreeting = "Hello from vexa!";  // 16 bytes: one Classic block
constexpr int kGreetingBlock = 1;
constexpr int kValueBlock = 4;
constexpr std::int32_t kStartingValue = 100;
constexpr std::size_t kVicinityBlocks = 28;
constexpr std::uint8_t kVicinityIcReference = 0x01;
constexpr std::size_t kCpuFileSize = 64;

Bytes greeting() { return Bytes(kGreeting.begin(), kGreeting.end()); }

ApduApplet greetingApplet() {
  ApduApplet applet;
  applet.aid = {0xF0, 0x76, 0x65, 0x78, 0x61, 0x01};  // F0 "vexa" 01
  applet.file = greeting();
  applet.file.resize(kCpuFileSize);
  return applet;
}

}  // namespace

void fillDefaultField(Field& field) {
  auto classic = std::make_unique<MifareClassic>(Bytes{0x3A, 0x7F, 0x01, 0xC4});
  classic->name = "MIFARE Classic 1K";
  MifareClassic::Block text{};
  std::copy(kGreeting.begin(), kGreeting.end(), text.begin());
  classic->setBlock(kGreetingBlock, text);
  classic->setBlock(kValueBlock, MifareClassic::valueBlock(kStartingValue,
                                                           static_cast<std::uint8_t>(kValueBlock)));
  field.cards.push_back(std::move(classic));

  auto ultralight = std::make_unique<Ultralight>(Bytes{0x04, 0x5C, 0x8A, 0x1A, 0x2B, 0x3C, 0x80});
  ultralight->name = "MIFARE Ultralight";
  Ultralight::Memory memory = ultralight->memory();
  std::copy(kGreeting.begin(), kGreeting.end(),
            memory.begin() + Ultralight::kFirstDataPage * Ultralight::kPageSize);
  ultralight->setMemory(memory);
  field.cards.push_back(std::move(ultralight));

  auto tag = std::make_unique<VicinityTag>();
  tag->name = "ISO 15693 tag";
  tag->uid = {0x78, 0x56, 0x34, 0x12, 0x50, 0x01, 0x04, 0xE0};  // E0 04 01 50 12 34 56 78
  tag->blocks.assign(kVicinityBlocks, VicinityTag::Block{});
  tag->locked.assign(kVicinityBlocks, false);
  const Bytes g = greeting();
  for (std::size_t i = 0; i < g.size(); ++i) {
    tag->blocks[i / VicinityTag::kBlockSize][i % VicinityTag::kBlockSize] = g[i];
  }
  tag->icReference = kVicinityIcReference;
  field.cards.push_back(std::move(tag));

  auto cpu = std::make_unique<CpuCardA>(Bytes{0x08, 0x12, 0x34, 0x56}, CpuCardA::kDefaultAtqa,
                                        Bytes{0x05, 0x78, 0x80, 0x70, 0x02});
  cpu->name = "ISO 14443-4 Type A card";
  cpu->applet = greetingApplet();
  field.cards.push_back(std::move(cpu));

  auto typeB = std::make_unique<TypeBCard>();
  typeB->name = "Type B identity card";
  typeB->pupi = {0x1B, 0x2C, 0x3D, 0x4E};
  typeB->protocolInfo = {0x00, 0x81, 0x71};
  typeB->idSerial = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  typeB->applet = greetingApplet();
  field.cards.push_back(std::move(typeB));
}

}  // namespace vr
