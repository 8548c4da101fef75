// The same number means different things from different functions.
#include "results.h"

#include <gtest/gtest.h>

namespace vexa::cli {
namespace {

struct MeaningCase {
  Fn fn;
  int result;
  bool library;
  const char* meaning;  // a part of it
};

class Meanings : public ::testing::TestWithParam<MeaningCase> {};

TEST_P(Meanings, DependOnTheFunction) {
  const MeaningCase& c = GetParam();
  EXPECT_EQ(isLibraryCode(c.fn, c.result), c.library);
  const std::string meaning = resultMeaning(c.fn, c.result);
  EXPECT_NE(meaning.find(c.meaning), std::string::npos)
      << functionName(c.fn) << " " << c.result << ": " << meaning;
}

INSTANTIATE_TEST_SUITE_P(
    Results, Meanings,
    ::testing::Values(MeaningCase{Fn::MF_Select, 0, false, "success"},
                      MeaningCase{Fn::MF_Select, 5, true, "no reply"},
                      // MF_Read returns a foreign reply's status: 5 is the reader's.
                      MeaningCase{Fn::MF_Read, 5, false, "reader status 5"},
                      MeaningCase{Fn::MF_Read, 1, false, "failed, or no reply"},
                      MeaningCase{Fn::MF_Select, 1, false, "the command failed"},
                      MeaningCase{Fn::ISO15693_Inventory, 2, true, "no reply"},
                      MeaningCase{Fn::ISO15693_Inventory, 5, true, "does not answer the request"},
                      MeaningCase{Fn::MF_Read, 2, false, "checksum"},
                      MeaningCase{Fn::MF_Request, 4, true, "no card"},
                      MeaningCase{Fn::MF_Halt, 4, false, "does not know the command"},
                      MeaningCase{Fn::MF_Write, 10, true, "out of range"},
                      MeaningCase{Fn::MF_Select, 10, false, "reader status 10"},
                      MeaningCase{Fn::ISO15693_Lock, 1, false, "failed, or no reply"},
                      MeaningCase{Fn::ISO15693_GetSysInfo, 5, true, "does not answer"},
                      MeaningCase{Fn::MF_Halt, -1, false, "reader status -1"}));

TEST(Describe, NamesFunctionResultAndDetail) {
  EXPECT_EQ(describeResult(Fn::MF_Read, 1, 0x82),
            "MF_Read returned 1: the command failed, or no reply from the reader: authentication "
            "failed (wrong key?) (detail 0x82)");
  EXPECT_EQ(describeResult(Fn::GetSerNum, 5, std::nullopt),
            "GetSerNum returned 5: no reply from the reader (or the transport library is missing)");
}

TEST(Names, FollowTheExportOrder) {
  EXPECT_EQ(functionName(Fn::GetRecData), "GetRecData");
  EXPECT_EQ(functionName(Fn::MF_Read), "MF_Read");
  EXPECT_EQ(functionName(Fn::ISO15693_GetSysInfo), "ISO15693_GetSysInfo");
  EXPECT_EQ(functionName(Fn::UL_Request), "UL_Request");
}

}  // namespace
}  // namespace vexa::cli
