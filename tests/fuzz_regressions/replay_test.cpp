// Every input that once made a fuzzer fail is replayed through the same entry,
// with the peer judges switched on.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "fuzz_entries.h"

using namespace korvel::fuzz;
namespace fs = std::filesystem;

namespace korvel::fuzz {
void PrintTo(const TFuzzTarget& target, std::ostream* os) {
    *os << target.Name;
}
} // namespace korvel::fuzz

class FuzzRegressionTest : public ::testing::TestWithParam<TFuzzTarget> {};

TEST_P(FuzzRegressionTest, SavedInputsStaySound) {
    const TFuzzTarget target = GetParam();
    const fs::path folder = fs::path(KORVEL_FUZZ_REGRESSIONS) / target.Name;
    if (!fs::is_directory(folder))
        GTEST_SKIP() << "no saved inputs in " << folder;
    int replayed = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (!e.is_regular_file() || e.path().filename().string().front() == '.')
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        TEntryOptions options;
        options.PeerJudge = true;
        EXPECT_EQ(target.Run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), options), "")
            << e.path();
        ++replayed;
    }
    RecordProperty("replayed", replayed);
}

INSTANTIATE_TEST_SUITE_P(AllTargets, FuzzRegressionTest, ::testing::ValuesIn(FuzzTargets()),
                         [](const ::testing::TestParamInfo<TFuzzTarget>& info) {
                             return std::string(info.param.Name);
                         });
