// APDU cards: the Type B card and the ISO/IEC 14443-4 Type A card, reached
// through the two layouts of the transparent command.
#include "cards/cpu_card_a.h"
#include "cards/mifare_classic.h"
#include "cards/typeb_card.h"
#include "test_support.h"

namespace vr::testing {
namespace {

const Bytes kAid{0xF0, 0x01, 0x02};
const Bytes kSelect = concat({{0x00, 0xA4, 0x04, 0x00, 0x03}, kAid});
const Bytes kIdSerial{1, 2, 3, 4, 5, 6, 7, 8};

// The Type B layout: a count byte, then the command; LEN counts both.
Answer typeBApdu(Reader& r, const Bytes& apdu) {
  return send(r, cmd::kTransparent14443, concat({{std::uint8_t(apdu.size())}, apdu}));
}

// The Type A layout as the library sends it: LEN one greater than the
// command bytes need.
Answer typeAApdu(Reader& r, const Bytes& apdu) {
  Bytes f = frame(cmd::kTransparent14443, apdu);
  f[2] = static_cast<std::uint8_t>(f[2] + 1);
  f[f.size() - 2] = xorOf(ByteView(f).subspan(1, f.size() - 3));
  return exchangeRaw(r, f);
}

ApduApplet appletWith(const Bytes& file) {
  ApduApplet applet;
  applet.aid = kAid;
  applet.file = file;
  return applet;
}

class TypeB : public ::testing::Test {
 protected:
  void SetUp() override {
    auto card = std::make_unique<TypeBCard>();
    card->pupi = {0xB1, 0xB2, 0xB3, 0xB4};
    card->protocolInfo = {0x00, 0x81, 0x71};
    card->idSerial = kIdSerial;
    card->applet = appletWith(bytesOf("type B file"));
    card_ = card.get();
    reader_.field.cards.push_back(std::move(card));
  }
  Reader reader_;
  TypeBCard* card_ = nullptr;
};

TEST_F(TypeB, ApdusNeedAnActiveCard) {
  EXPECT_EQ(typeBApdu(reader_, kSelect).data, Bytes{detail::kNoCard});
  send(reader_, cmd::kTypeBRequest);
  EXPECT_EQ(typeBApdu(reader_, {0x00, 0xB0, 0x00, 0x00, 0x04}).data, (Bytes{0x69, 0x85}));
  EXPECT_EQ(typeBApdu(reader_, kSelect).data, (Bytes{0x90, 0x00}));
  EXPECT_EQ(typeBApdu(reader_, {0x00, 0xB0, 0x00, 0x05, 0x01}).data, (Bytes{'B', 0x90, 0x00}));
  EXPECT_EQ(typeBApdu(reader_, {0x00, 0xB0, 0x00, 0x08, 0x08}).data,
            (Bytes{'i', 'l', 'e', 0x62, 0x82}));  // the file ends first
  EXPECT_EQ(typeBApdu(reader_, {0x00, 0x36, 0x00, 0x00, 0x08}).data,
            concat({kIdSerial, {0x90, 0x00}}));
  // Type_B halts the card: no more APDUs until the next request.
  EXPECT_EQ(send(reader_, cmd::kTypeBHalt).data, Bytes{0x00});
  EXPECT_EQ(typeBApdu(reader_, kSelect).data, Bytes{detail::kNoCard});
  EXPECT_EQ(send(reader_, cmd::kTypeBHalt).data, Bytes{detail::kNoCard});
}

TEST_F(TypeB, IdentitySerialWithRequestModes) {
  EXPECT_EQ(send(reader_, cmd::kTypeBIdSerial, {0x00, 0x01}).data, concat({{0x01}, kIdSerial}));
  EXPECT_EQ(card_->state, TypeBState::kHalt);
  // REQB leaves a halted card silent; WUPB wakes it.
  EXPECT_EQ(send(reader_, cmd::kTypeBIdSerial, {0x01, 0x00}).data, Bytes{detail::kNoCard});
  EXPECT_EQ(send(reader_, cmd::kTypeBIdSerial, {0x00, 0x00}).status, status::kOk);
  EXPECT_EQ(card_->state, TypeBState::kActive);
  EXPECT_EQ(send(reader_, cmd::kTypeBIdSerial, {0x02, 0x00}).data, Bytes{detail::kBadParameter});

  card_->idSerial.clear();  // not an identity card
  EXPECT_EQ(send(reader_, cmd::kTypeBIdSerial, {0x00, 0x00}).data, Bytes{detail::kWrongCard});
}

TEST(CpuCardTypeA, AnswersApdusOnceSelected) {
  Reader reader;
  auto cpu = std::make_unique<CpuCardA>(Bytes{0x08, 0x01, 0x02, 0x03}, CpuCardA::kDefaultAtqa,
                                        Bytes{0x05, 0x78});
  cpu->applet = appletWith(Bytes(8, 0x00));
  CpuCardA* card = cpu.get();
  reader.field.cards.push_back(std::move(cpu));
  reader.field.cards.push_back(std::make_unique<MifareClassic>(Bytes{1, 2, 3, 4}));

  EXPECT_EQ(typeAApdu(reader, kSelect).data, Bytes{detail::kNoCard});
  send(reader, cmd::kMfRequest, {0x26});
  send(reader, cmd::kMfSelect, {0x08, 0x01, 0x02, 0x03});
  EXPECT_EQ(typeAApdu(reader, kSelect).data, (Bytes{0x90, 0x00}));
  EXPECT_EQ(typeAApdu(reader, {0x00, 0xD6, 0x00, 0x02, 0x02, 0xAB, 0xCD}).data,
            (Bytes{0x90, 0x00}));
  EXPECT_EQ(card->applet.file, (Bytes{0, 0, 0xAB, 0xCD, 0, 0, 0, 0}));
  EXPECT_EQ(typeAApdu(reader, {0x00, 0xD6, 0x00, 0x07, 0x02, 0x01, 0x02}).data,
            (Bytes{0x6B, 0x00}));
  Answer challenge = typeAApdu(reader, {0x00, 0x84, 0x00, 0x00, 0x08});
  EXPECT_EQ(challenge.data.size(), 10u);
  EXPECT_EQ(typeAApdu(reader, {0x00, 0x12, 0x00, 0x00}).data, (Bytes{0x6D, 0x00}));
  EXPECT_EQ(typeAApdu(reader, {0x80, 0xA4, 0x04, 0x00}).data, (Bytes{0x6E, 0x00}));
  EXPECT_EQ(typeAApdu(reader, {0x00, 0xA4}).data, (Bytes{0x67, 0x00}));

  // A MIFARE Classic has no APDUs: it drops out.
  send(reader, cmd::kMfHalt);
  send(reader, cmd::kMfRequest, {0x26});
  send(reader, cmd::kMfSelect, {1, 2, 3, 4});
  EXPECT_EQ(typeAApdu(reader, kSelect).data, Bytes{detail::kWrongCard});
  EXPECT_EQ(reader.field.activeA(), nullptr);
}

}  // namespace
}  // namespace vr::testing
