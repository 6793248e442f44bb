#include "store_fixture.h"
#include "tasks/options.h"

using namespace korvel;

class OptionsStoreTest : public StoreDirTest {};

TEST_F(OptionsStoreTest, FirstStartIsRussian) {
    const TOptionsData o = LoadOptions(Dir());
    EXPECT_TRUE(o.Language);
    EXPECT_FALSE(o.LanguageChosen);
}

TEST_F(OptionsStoreTest, ChosenLanguageIsOneByte) {
    TOptionsData o = LoadOptions(Dir());
    o.Language = false;
    o.LanguageChosen = true;
    std::string error;
    ASSERT_TRUE(SaveOptions(o, Dir(), error));
    EXPECT_EQ(ReadBytes("options.bin"), std::string(1, '\0'));
    EXPECT_FALSE(LoadOptions(Dir()).Language);

    // Choosing the language that was already set still counts as a choice.
    o.Language = true;
    ASSERT_TRUE(SaveOptions(o, Dir(), error));
    EXPECT_EQ(ReadBytes("options.bin"), "\x01");
    EXPECT_TRUE(LoadOptions(Dir()).Language);
}

TEST_F(OptionsStoreTest, UntouchedLanguageWritesNothing) {
    std::string error;
    ASSERT_TRUE(SaveOptions(LoadOptions(Dir()), Dir(), error));
    EXPECT_FALSE(std::filesystem::exists(Path("options.bin")));

    WriteBytes("options.bin", std::string(1, '\0'));
    const TOptionsData o = LoadOptions(Dir());
    EXPECT_FALSE(o.Language);
    ASSERT_TRUE(SaveOptions(o, Dir(), error));
    EXPECT_EQ(ReadBytes("options.bin"), std::string(1, '\0'));
}
