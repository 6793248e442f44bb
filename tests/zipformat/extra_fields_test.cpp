// Walking the blocks of an extra field, and reading the WinZip AES block.

#include "zipformat/zip_extra_fields.h"
#include "zipformat/zip_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel {
namespace {

std::string Block(std::uint16_t tag, const std::string& data) {
    std::string out;
    PutU16(out, tag);
    PutU16(out, static_cast<std::uint16_t>(data.size()));
    return out + data;
}

struct TWalkCase {
    const char* label;
    std::string extra;
    std::vector<std::uint16_t> tags; // the blocks visited
    std::size_t stop;                // where the walk ends
};

void PrintTo(const TWalkCase& c, std::ostream* os) {
    *os << c.label;
}

const std::string kTwo = Block(0x000A, std::string(8, 'n')) + Block(0x5455, "t");

class WalkExtraTest : public ::testing::TestWithParam<TWalkCase> {};

TEST_P(WalkExtraTest, VisitsWholeBlocksAndStopsAtTheFirstBrokenOne) {
    const TWalkCase& c = GetParam();
    std::vector<std::uint16_t> tags;
    const std::size_t stop = WalkExtraBlocks(c.extra, [&](std::uint16_t tag, std::string_view block) {
        EXPECT_EQ(block.size(), 4u + GetU16(block.data() + 2));
        tags.push_back(tag);
        return true;
    });
    EXPECT_EQ(tags, c.tags);
    EXPECT_EQ(stop, c.stop);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, WalkExtraTest,
    ::testing::Values(TWalkCase{"empty", "", {}, 0},
                      TWalkCase{"two_blocks", kTwo, {0x000A, 0x5455}, kTwo.size()},
                      TWalkCase{"padding_shorter_than_a_head", kTwo + "xy", {0x000A, 0x5455}, kTwo.size()},
                      TWalkCase{"block_running_past_the_end",
                                kTwo + Block(0x0001, "12345678").substr(0, 9),
                                {0x000A, 0x5455},
                                kTwo.size()}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(WalkExtra, VisitorCanStopTheWalk) {
    int visits = 0;
    EXPECT_EQ(WalkExtraBlocks(kTwo, [&](std::uint16_t, std::string_view) { return ++visits < 1; }), 0u);
    EXPECT_EQ(visits, 1);
}

TEST(AesExtra, FieldsComeFromTheirPlaces) {
    std::string data;
    PutU16(data, 2);
    PutU16(data, kAesVendorId);
    data.push_back(3);
    PutU16(data, kMethodDeflate);
    const std::string block = Block(kAesTag, data);
    ASSERT_EQ(block.size(), kAesBlockSize);
    const TAesExtra aes = ParseAesExtra(block.data());
    EXPECT_EQ(aes.VendorVersion, 2);
    EXPECT_EQ(aes.Strength, 3);
    EXPECT_EQ(aes.Method, kMethodDeflate);
}

} // namespace
} // namespace korvel
