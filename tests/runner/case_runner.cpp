// Runs the case tables against the library in this program's directory.
//   vexa_case_runner --stage=fake|absent|without-write|without-read
// The stage names the transport that stands beside the library there; only
// the cases written for it are registered.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>

#include "library_target.h"
#include "module.h"
#include "runner.h"

namespace vexa::test {

namespace {

LibraryTarget* theTarget = nullptr;
int casesRun = 0;

std::string identifier(const std::string& text) {
  std::string out;
  for (char c : text) out += (isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return out;
}

class CaseTest : public testing::Test {
 public:
  CaseTest(const Case& c, bool byOrdinal) : case_(c), byOrdinal_(byOrdinal) {}
  void TestBody() override {
    ++casesRun;
    for (const std::string& failure : runCase(*theTarget, case_, byOrdinal_)) {
      ADD_FAILURE() << failure;
    }
  }

 private:
  const Case& case_;
  bool byOrdinal_;
};

bool parseStage(const std::string& arg, TransportKind& stage) {
  for (TransportKind kind : {TransportKind::kFake, TransportKind::kAbsent,
                             TransportKind::kWithoutWrite, TransportKind::kWithoutRead}) {
    if (arg == std::string("--stage=") + transportKindName(kind)) {
      stage = kind;
      return true;
    }
  }
  return false;
}

}  // namespace

LibraryTarget& target() { return *theTarget; }

}  // namespace vexa::test

int main(int argc, char** argv) {
  using namespace vexa::test;
  TransportKind stage = TransportKind::kFake;
  for (int i = 1; i < argc; ++i) parseStage(argv[i], stage);
  testing::InitGoogleTest(&argc, argv);

  static LibraryTarget libraryTarget(executableDirectory(), stage);
  if (!libraryTarget.loaded()) {
    fprintf(stderr, "cannot load the library in %s\n", executableDirectory().c_str());
    return 1;
  }
  theTarget = &libraryTarget;

  int registered = 0;
  for (const Case& c : allCases()) {
    if (c.transport != stage) continue;
    for (bool byOrdinal : {false, true}) {
      if (byOrdinal && !libraryTarget.hasOrdinals()) continue;
      const std::string name = identifier(c.name) + (byOrdinal ? "__by_ordinal" : "");
      testing::RegisterTest(c.group.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [&c, byOrdinal]() -> testing::Test* { return new CaseTest(c, byOrdinal); });
      ++registered;
    }
  }
  registerProcessTests(stage);

  const int status = RUN_ALL_TESTS();
  printf("%d of %d table cases ran against %s\n", casesRun, registered,
         libraryTarget.description().c_str());
  return status;
}
