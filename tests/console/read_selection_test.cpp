#include "console/read_selection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace mirbo {
namespace {

constexpr std::int32_t kUntouched = 1;

struct SelectionCase {
  std::string text;
  std::optional<std::int32_t> read;  // none: refused
};

class ReadSelectionReads : public testing::TestWithParam<SelectionCase> {};

TEST_P(ReadSelectionReads, AWholeNumberOrRefusesTheTextLeavingTheSelectionAlone) {
  std::int32_t selection = kUntouched;
  EXPECT_EQ(ReadSelection(GetParam().text, &selection), GetParam().read.has_value());
  EXPECT_EQ(selection, GetParam().read.value_or(kUntouched));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadSelectionReads,
    testing::Values(
        SelectionCase{"3", 3},
        SelectionCase{"0", 0},
        SelectionCase{"007", 7},
        SelectionCase{"", std::nullopt},
        SelectionCase{" \t ", std::nullopt},
        SelectionCase{" \t2", 2},
        SelectionCase{"2 \t", 2},
        SelectionCase{"2x", std::nullopt},
        SelectionCase{"x2", std::nullopt},
        SelectionCase{"2 3", std::nullopt},
        SelectionCase{"+2", 2},
        SelectionCase{"-2", -2},
        SelectionCase{"- 2", std::nullopt},
        SelectionCase{"-0", std::nullopt},
        SelectionCase{"+0", std::nullopt},
        SelectionCase{"0-", std::nullopt},
        SelectionCase{"12345678901", 2147483647},
        SelectionCase{"-12345678901", -2147483647 - 1},
        SelectionCase{"2147483647", 2147483647},
        SelectionCase{"-2147483648", -2147483647 - 1},
        // Only the first 31 bytes are read: what follows them is never seen.
        SelectionCase{"5" + std::string(30, ' ') + "x", 5},
        SelectionCase{std::string(31, '1') + "x", 2147483647},
        SelectionCase{std::string(31, ' ') + "5", std::nullopt},
        // Other white space than blanks is skipped only before the number.
        SelectionCase{"\n4", 4},
        SelectionCase{"\n0", std::nullopt},
        SelectionCase{"4\n", std::nullopt},
        SelectionCase{"４", std::nullopt}));

}  // namespace
}  // namespace mirbo
