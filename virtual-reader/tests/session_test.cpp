// The session: the transport calls, the field file kept across sessions
// (each stands for one process), the malformed file, the trace.
#include "session.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace vr::testing {
namespace {

namespace fs = std::filesystem;

class SessionFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vr-session-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "field.json").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  Session open(bool persist, bool trace = false) {
    Settings s;
    s.fieldPath = path_;
    s.persist = persist;
    s.trace = trace;
    return Session(s, [this](const std::string& line) { lines_.push_back(line); });
  }

  static Answer call(Session& session, const Bytes& request) {
    EXPECT_EQ(session.write(request.data(), static_cast<std::int32_t>(request.size())),
              static_cast<std::int32_t>(request.size()));
    std::uint8_t buffer[248] = {};
    const std::int32_t n = session.read(buffer, sizeof buffer);
    return parseAnswer(Bytes(buffer, buffer + n));
  }

  std::string fileText() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
  std::string path_;
  std::vector<std::string> lines_;
};

const Bytes kKey(6, 0xFF);

TEST_F(SessionFiles, ChangesReachTheNextSession) {
  {
    Session first = open(true);  // no file yet: the built-in field, saved
    ASSERT_TRUE(fs::exists(path_));
    const Bytes data(16, 0x5C);
    Answer w = call(first, frame(cmd::kMfWrite, concat({{0x00, 0x01, 0x08}, kKey, data})));
    ASSERT_EQ(w.status, status::kOk);
    call(first, frame(cmd::kSetSerial, {9, 9, 9, 9, 9, 9, 9, 9}));
  }
  EXPECT_TRUE(lines_.empty());
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename(), "field.json");  // no temporary file left over
  }
  Session second = open(false);
  Answer r = call(second, frame(cmd::kMfRead, concat({{0x00, 0x01, 0x08}, kKey})));
  ASSERT_EQ(r.status, status::kOk);
  EXPECT_EQ(Bytes(r.data.begin() + 4, r.data.end()), Bytes(16, 0x5C));
  EXPECT_EQ(call(second, frame(cmd::kGetSerial)).data.at(8), 9);

  // Without persistence nothing is written back.
  const std::string before = fileText();
  call(second, frame(cmd::kSetSerial, {1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(fileText(), before);
}

TEST_F(SessionFiles, MalformedFileGivesAnEmptyFieldAndStaysUntouched) {
  { std::ofstream(path_) << R"({"cards": [{"type": "mifare-classic-1k", "uid": "01"}]})"; }
  const std::string before = fileText();
  Session session = open(true);
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find(path_), std::string::npos);
  EXPECT_NE(lines_[0].find("cards[0].uid"), std::string::npos);
  EXPECT_EQ(call(session, frame(cmd::kMfRequest, {0x52})).data, Bytes{detail::kNoCard});
  EXPECT_EQ(call(session, frame(cmd::kIsoInventory, {0x06, 0x00, 0x00})).data, Bytes{0x00});
  EXPECT_EQ(call(session, frame(cmd::kSetAddress, {0x03})).status, status::kOk);
  EXPECT_EQ(fileText(), before);
  EXPECT_FALSE(session.persisting());
  EXPECT_EQ(lines_.size(), 1u);  // reported once
}

TEST_F(SessionFiles, MissingFileWithoutPersistenceIsReported) {
  Session session = open(false);
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find("cannot read field file " + path_), std::string::npos);
  EXPECT_EQ(call(session, frame(cmd::kTypeBRequest)).data, Bytes{detail::kNoCard});
}

TEST_F(SessionFiles, TraceShowsFramesWithTheirCommandNames) {
  Session session = open(true, true);
  lines_.clear();
  call(session, frame(cmd::kGetVersion));
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_NE(lines_[0].find("-> GetVersionNum: AA 00 01 86 87 BB"), std::string::npos);
  EXPECT_NE(lines_[1].find("<- GetVersionNum: status 00: AA 00"), std::string::npos);
  lines_.clear();
  call(session, frame(cmd::kControlBuzzer, {0x05, 0x02}));
  EXPECT_EQ(lines_.size(), 3u);  // the frame, the buzzer, the reply
}

TEST(SessionCalls, ReadGivesTheReplyOnceAndAtMostTheSizeAskedFor) {
  Session session(Settings{}, nullptr);
  const Bytes request = frame(cmd::kGetVersion);
  ASSERT_EQ(session.write(request.data(), static_cast<std::int32_t>(request.size())),
            static_cast<std::int32_t>(request.size()));
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(session.read(buffer, 3), 3);
  EXPECT_EQ(buffer[2], 1 + 24);  // LEN: status, the text, its terminator
  EXPECT_EQ(session.read(buffer, 8), 0);
  EXPECT_EQ(session.write(nullptr, 6), 0);
  EXPECT_EQ(session.write(request.data(), 0), 0);
}

}  // namespace
}  // namespace vr::testing
