// Runs the case tables on the 32-bit vexa.dll itself, under x86 emulation.
//   vexa_emulated_runner <path to vexa.dll> [gtest options]
// Every case runs twice: by name on the image at its preferred base, and by
// ordinal on the image relocated elsewhere. Before the cases, the loader's
// view of the image is checked and DllEntryPoint gets each notification;
// after them the emulator's own checks show that it catches broken images.
#include <ctype.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "emulated_target.h"
#include "self_test.h"

namespace vexa::emulator {

namespace {

constexpr uint32_t kProcessDetach = 0;
constexpr uint32_t kProcessAttach = 1;
constexpr uint32_t kThreadAttach = 2;
constexpr uint32_t kThreadDetach = 3;
constexpr const char* kModuleName = "vexa.dll";
constexpr uint32_t kOrdinalBase = 1;

struct LoadedDll {
  const char* label;  // in test names
  std::unique_ptr<EmulatedTarget> target;
  bool byOrdinal;
  std::vector<std::string> attachFailures;
};

int casesByName = 0;
int casesByOrdinal = 0;

std::string identifier(const std::string& text) {
  std::string out;
  for (char c : text) out += (isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return out;
}

void report(const std::vector<std::string>& failures) {
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
}

// What the cases take for granted: every import is provided, the loader's
// process attach went through, and every export of the table is where the
// export directory says, by name and by ordinal.
void checkLoaded(const LoadedDll& run) {
  const EmulatedTarget& t = *run.target;
  for (const std::string& import : t.unknownImports()) {
    ADD_FAILURE() << "the DLL imports " << import << ", which the emulator does not provide";
  }
  report(run.attachFailures);
  EXPECT_EQ(t.image().exportModuleName(), kModuleName);
  EXPECT_EQ(t.image().ordinalBase(), kOrdinalBase);
  size_t named = 0;
  for (const PeExport& e : t.image().exports()) named += e.name.empty() ? 0 : 1;
  EXPECT_EQ(named, test::exportTable().size()) << "names in the export directory";
  for (const test::ExportEntry& entry : test::exportTable()) {
    const PeExport* byName = t.image().exportByName(entry.name);
    if (byName == nullptr) {
      ADD_FAILURE() << entry.name << " is not exported by name";
      continue;
    }
    EXPECT_EQ(byName->ordinal, static_cast<uint32_t>(entry.ordinal)) << entry.name;
  }
  if (run.byOrdinal) {
    EXPECT_NE(t.base(), t.image().preferredBase()) << "the relocated run is not relocated";
    EXPECT_FALSE(t.image().relocations().empty()) << "the image has no base relocations";
  }
}

// DllEntryPoint on a freshly loaded image, as the loader calls it over a
// process's life: TRUE each time, its arguments removed, no call out of
// the DLL and no change to its data.
void checkEntryPoint(const std::string& path, const Bytes& file, const Placement& where) {
  EmulatedTarget t(path, file, where);
  const Bytes before = t.writableData();
  for (uint32_t reason : {kProcessAttach, kThreadAttach, kThreadDetach, kProcessDetach}) {
    std::vector<std::string> failures;
    t.notify(reason, failures);
    report(failures);
  }
  EXPECT_EQ(t.stubs().stubCalls(), 0u) << "the entry routine called out of the DLL";
  EXPECT_TRUE(t.writableData() == before) << "the entry routine changed the DLL's data";
}

class CaseTest : public testing::Test {
 public:
  CaseTest(const test::Case& c, LoadedDll& run) : case_(c), run_(run) {}
  void TestBody() override {
    ++(run_.byOrdinal ? casesByOrdinal : casesByName);
    report(test::runCase(*run_.target, case_, run_.byOrdinal));
  }

 private:
  const test::Case& case_;
  LoadedDll& run_;
};

}  // namespace

}  // namespace vexa::emulator

int main(int argc, char** argv) {
  using namespace vexa::emulator;
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    fprintf(stderr, "usage: %s <path to the 32-bit vexa.dll> [gtest options]\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  std::ifstream in(path, std::ios::binary);
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }

  static LoadedDll runs[2] = {{"PreferredBase", nullptr, false, {}},
                              {"Relocated", nullptr, true, {}}};
  std::vector<Placement> placements;
  try {
    const uint32_t preferred = PeImage::parse(file).preferredBase();
    placements = {atPreferredBase(), relocated(preferred)};
    for (size_t i = 0; i < std::size(runs); ++i) {
      runs[i].target = std::make_unique<EmulatedTarget>(path, file, placements[i]);
      runs[i].target->notify(kProcessAttach, runs[i].attachFailures);
    }
  } catch (const std::exception& e) {
    fprintf(stderr, "cannot load %s: %s\n", path.c_str(), e.what());
    return 1;
  }

  for (size_t i = 0; i < std::size(runs); ++i) {
    LoadedDll& run = runs[i];
    registerFunctionTest("Loader", run.label, [&run] { checkLoaded(run); });
    registerFunctionTest("EntryPoint", run.label, [path, &file, where = placements[i]] {
      checkEntryPoint(path, file, where);
    });
  }
  for (const vexa::test::Case& c : vexa::test::allCases()) {
    for (LoadedDll& run : runs) {
      const std::string name = identifier(c.name) + (run.byOrdinal ? "__by_ordinal" : "");
      testing::RegisterTest(c.group.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [&c, &run]() -> testing::Test* { return new CaseTest(c, run); });
    }
  }
  registerSelfTests(path, file);
  // The loader's last notification, once the cases are done.
  for (LoadedDll& run : runs) {
    registerFunctionTest("Unload", run.label, [&run] {
      std::vector<std::string> failures;
      run.target->notify(kProcessDetach, failures);
      report(failures);
    });
  }

  const int status = RUN_ALL_TESTS();
  const std::string cases = casesByName == casesByOrdinal
                                ? std::to_string(casesByName) + " cases"
                                : std::to_string(casesByName) + " cases by name and " +
                                      std::to_string(casesByOrdinal) + " by ordinal";
  printf(
      "%s (%d calls by name and ordinal, %llu calls into the DLL) ran against %s, PE32 under "
      "emulation: by name at 0x%08x (its preferred base), by ordinal relocated to 0x%08x\n",
      cases.c_str(), casesByName + casesByOrdinal,
      static_cast<unsigned long long>(runs[0].target->callsMade() + runs[1].target->callsMade()),
      path.c_str(), runs[0].target->base(), runs[1].target->base());
  return status;
}
