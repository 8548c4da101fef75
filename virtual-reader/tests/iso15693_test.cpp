// ISO/IEC 15693 through the reader: inventory, addressing and the tag
// states, blocks and their locks, AFI and DSFID, system information.
#include "cards/vicinity_tag.h"
#include "test_support.h"

namespace vr::testing {
namespace {

constexpr std::uint8_t kAddressed = 0x22;
constexpr std::uint8_t kNonAddressed = 0x02;
constexpr std::uint8_t kSelectedOnly = 0x12;
constexpr std::uint8_t kIsoLocked = 0x12;
constexpr std::uint8_t kIsoAlreadyLocked = 0x11;
constexpr std::uint8_t kIsoNoBlock = 0x10;

Bytes uidOf(std::uint8_t last) { return {last, 0x11, 0x22, 0x33, 0x44, 0x01, 0x04, 0xE0}; }

class Vicinity : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::uint8_t i = 1; i <= 3; ++i) {
      auto tag = std::make_unique<VicinityTag>();
      const Bytes uid = uidOf(i);
      std::copy(uid.begin(), uid.end(), tag->uid.begin());
      tag->blocks.assign(8, VicinityTag::Block{i, i, i, i});
      tag->locked.assign(8, false);
      tag->dsfid = static_cast<std::uint8_t>(0x40 + i);
      tags_.push_back(tag.get());
      reader_.field.cards.push_back(std::move(tag));
    }
  }

  Answer inventory() { return send(reader_, cmd::kIsoInventory, {0x06, 0x00, 0x00}); }
  Answer readAt(int tag, int first, int count) {
    return send(reader_, cmd::kIsoRead,
                concat({{kAddressed, std::uint8_t(first), std::uint8_t(count)}, uidOf(tag)}));
  }
  Answer writeAt(int tag, int first, const Bytes& data) {
    return send(
        reader_, cmd::kIsoWrite,
        concat(
            {{kAddressed, std::uint8_t(first), std::uint8_t(data.size() / 4)}, uidOf(tag), data}));
  }

  Reader reader_;
  std::vector<VicinityTag*> tags_;
};

TEST_F(Vicinity, InventoryNeedsTheInventoryFlag) {
  EXPECT_EQ(inventory().data.size(), 1u + 30u);
  EXPECT_EQ(send(reader_, cmd::kIsoInventory, {0x02, 0x00, 0x00}).data,
            Bytes{detail::kBadParameter});
}

TEST_F(Vicinity, NonAddressedRequestsCollideAmongSeveralTags) {
  EXPECT_EQ(send(reader_, cmd::kIsoRead, {kNonAddressed, 0, 1}).data, Bytes{detail::kCollision});
  send(reader_, cmd::kIsoStayQuiet, concat({{kAddressed}, uidOf(1)}));
  send(reader_, cmd::kIsoStayQuiet, concat({{kAddressed}, uidOf(3)}));
  // A quiet tag still answers when addressed; alone, tag 2 answers plainly.
  EXPECT_EQ(send(reader_, cmd::kIsoRead, {kNonAddressed, 0, 1}).data, (Bytes{2, 2, 2, 2}));
  EXPECT_EQ(readAt(1, 0, 1).data, (Bytes{1, 1, 1, 1}));
}

TEST_F(Vicinity, SelectedTagAnswersTheSelectFlag) {
  EXPECT_EQ(send(reader_, cmd::kIsoSelect, concat({{kAddressed}, uidOf(3)})).data, Bytes{0x00});
  EXPECT_EQ(send(reader_, cmd::kIsoRead, {kSelectedOnly, 2, 1}).data, (Bytes{3, 3, 3, 3}));
  // Selecting another tag deselects the first.
  send(reader_, cmd::kIsoSelect, concat({{kAddressed}, uidOf(1)}));
  EXPECT_EQ(tags_[2]->state, VicinityState::kReady);
  EXPECT_EQ(send(reader_, cmd::kIsoRead, {kSelectedOnly, 2, 1}).data, (Bytes{1, 1, 1, 1}));
  EXPECT_EQ(send(reader_, cmd::kIsoSelect, concat({{kAddressed}, uidOf(9)})).data,
            Bytes{detail::kNoCard});
}

TEST_F(Vicinity, AddressedWritesAndLocks) {
  EXPECT_EQ(writeAt(2, 3, {0xA1, 0xA2, 0xA3, 0xA4}).data, Bytes{0x00});
  EXPECT_EQ(writeAt(2, 4, {1, 1, 1, 1, 2, 2, 2, 2}).status, status::kOk);
  EXPECT_EQ(readAt(2, 3, 3).data, (Bytes{0xA1, 0xA2, 0xA3, 0xA4, 1, 1, 1, 1, 2, 2, 2, 2}));
  EXPECT_EQ(readAt(1, 3, 1).data, (Bytes{1, 1, 1, 1}));  // the other tags are untouched

  const Bytes lock = concat({{kAddressed, 3}, uidOf(2)});
  EXPECT_EQ(send(reader_, cmd::kIsoLock, lock).data, Bytes{0x00});
  EXPECT_EQ(send(reader_, cmd::kIsoLock, lock).data, Bytes{kIsoAlreadyLocked});
  EXPECT_EQ(writeAt(2, 3, {0, 0, 0, 0}).data, Bytes{kIsoLocked});
  EXPECT_EQ(writeAt(2, 2, {9, 9, 9, 9, 8, 8, 8, 8}).data, Bytes{kIsoLocked});
  EXPECT_EQ(readAt(2, 2, 1).data, (Bytes{2, 2, 2, 2}));  // nothing of the refused write
  EXPECT_EQ(readAt(2, 7, 2).data, Bytes{kIsoNoBlock});

  Answer security = send(reader_, cmd::kIsoSecurityStatus, concat({{kAddressed, 2, 3}, uidOf(2)}));
  EXPECT_EQ(security.data, (Bytes{3, 0x00, 0x01, 0x00}));  // the echoed count first
  EXPECT_EQ(send(reader_, cmd::kIsoSecurityStatus, concat({{kAddressed, 2, 0}, uidOf(2)})).data,
            Bytes{0});
  // With the option flag each block comes after its security status.
  Answer withStatus = send(reader_, cmd::kIsoRead, concat({{0x62, 3, 1}, uidOf(2)}));
  EXPECT_EQ(withStatus.data, (Bytes{0x01, 0xA1, 0xA2, 0xA3, 0xA4}));
}

TEST_F(Vicinity, AfiAndDsfidWithTheirLocks) {
  struct Case {
    std::uint8_t write, lock;
  };
  for (const Case c :
       {Case{cmd::kIsoWriteAfi, cmd::kIsoLockAfi}, Case{cmd::kIsoWriteDsfid, cmd::kIsoLockDsfid}}) {
    EXPECT_EQ(send(reader_, c.write, concat({{kAddressed, 0x07}, uidOf(1)})).data, Bytes{0x00});
    EXPECT_EQ(send(reader_, c.lock, concat({{kAddressed}, uidOf(1)})).data, Bytes{0x00});
    EXPECT_EQ(send(reader_, c.lock, concat({{kAddressed}, uidOf(1)})).data,
              Bytes{kIsoAlreadyLocked});
    EXPECT_EQ(send(reader_, c.write, concat({{kAddressed, 0x09}, uidOf(1)})).data,
              Bytes{kIsoLocked});
  }
  EXPECT_EQ(tags_[0]->afi, 0x07);
  EXPECT_EQ(tags_[0]->dsfid, 0x07);
  EXPECT_EQ(tags_[1]->dsfid, 0x42);
}

TEST_F(Vicinity, TransparentCommandCarriesRawRequests) {
  // Read single block 1 of tag 3, addressed, sent with LEN one over.
  const Bytes request = concat({{0x22, 0x20}, uidOf(3), {0x01}});
  Bytes f = frame(cmd::kIsoTransparent, request);
  f[2] = static_cast<std::uint8_t>(f[2] + 1);
  f[f.size() - 2] = xorOf(ByteView(f).subspan(1, f.size() - 3));
  EXPECT_EQ(exchangeRaw(reader_, f).data, (Bytes{0x00, 3, 3, 3, 3}));
  // An error of the tag comes back as the tag sent it.
  EXPECT_EQ(send(reader_, cmd::kIsoTransparent, concat({{0x22, 0x20}, uidOf(3), {0x20}})).data,
            (Bytes{0x01, kIsoNoBlock}));
  EXPECT_EQ(send(reader_, cmd::kIsoTransparent, {0x02, 0x2B}).data, Bytes{detail::kCollision});
  EXPECT_EQ(send(reader_, cmd::kIsoTransparent, concat({{0x22, 0x2B}, uidOf(7)})).data,
            Bytes{detail::kNoCard});
}

TEST_F(Vicinity, FramesMustHoldTheirUidAndData) {
  // An addressed read one byte short of its UID, a write whose data does
  // not match its count.
  EXPECT_EQ(send(reader_, cmd::kIsoRead, {kAddressed, 0, 1, 1, 2, 3, 4, 5, 6, 7}).status,
            status::kFrameError);
  EXPECT_EQ(
      send(reader_, cmd::kIsoWrite, concat({{kAddressed, 0, 2}, uidOf(1), {1, 2, 3, 4}})).status,
      status::kFrameError);
  EXPECT_EQ(send(reader_, cmd::kIsoRead, concat({{kAddressed, 0, 0}, uidOf(1)})).data,
            Bytes{detail::kBadParameter});
}

}  // namespace
}  // namespace vr::testing
