// The session: the transport calls and a field file that cannot be read.
// Persistence, malformed files and the trace run end to end, one process
// each.
#include "session.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

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

  fs::path dir_;
  std::string path_;
  std::vector<std::string> lines_;
};

TEST_F(SessionFiles, MissingFileWithoutPersistenceIsReported) {
  Session session = open(false);
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find("cannot read field file " + path_), std::string::npos);
  EXPECT_EQ(call(session, frame(cmd::kTypeBRequest)).data, Bytes{detail::kNoCard});
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
