// The stores hold their texts in the platform's ANSI code page: the system's on
// Windows (run these under a Russian locale: code page 1251), UTF-8 on POSIX.

#include <optional>

#include "platform/codepage.h"
#include "store_fixture.h"
#include "tasks/store_text.h"
#include "tasks/tasks_u.h"

using namespace korvel;

namespace {

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::string kPhoto = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE"; // "Фото"
const std::string kSun = "\xE6\x97\xA5"; // a CJK character: in no Western or Cyrillic page

// "Фото" as the ANSI code page stores it, or nothing when the page lacks Cyrillic.
std::optional<std::string> PhotoBytes() {
    switch (AnsiCodePage()) {
    case 1251:
        return std::string("\xD4\xEE\xF2\xEE");
    case 65001:
        return kPhoto;
    default:
        return std::nullopt;
    }
}

bool PageLacksSun() {
    return !Utf8ToAnsi(kSun).has_value();
}

class StoreCodePageTest : public StoreListTest {};

TEST_F(StoreCodePageTest, CyrillicIsStoredInTheAnsiCodePageAndReadBackAsUtf8) {
    const auto expected = PhotoBytes();
    if (!expected)
        GTEST_SKIP() << "code page " << AnsiCodePage() << " has no Cyrillic";
    TTasksList list = MakeList();
    TTask& t = list.Add(std::make_unique<TTask>());
    t.TaskName = kPhoto;
    t.SourceDirs = {"C:\\" + kPhoto + "\\"};
    ASSERT_TRUE(list.SaveTasks());
    list.AddToHistory(0);
    list.Schedules.AddSchedule(kPhoto, 7);
    ASSERT_TRUE(list.SaveHistory());

    // Count, ParentIndex and four flags come before the name.
    EXPECT_EQ(ReadBytes("tasks.bin").substr(12, 4 + expected->size()), StrBytes(*expected));
    EXPECT_EQ(ReadBytes("history.bin").substr(4, 4 + expected->size()), StrBytes(*expected));
    EXPECT_TRUE(Holds(ReadBytes("history.bin"), StrBytes(*expected) + Int32Bytes(7)));

    TTasksList back = MakeList();
    ASSERT_TRUE(back.LoadTasks());
    ASSERT_TRUE(back.LoadHistory());
    EXPECT_EQ(back.Item(0).TaskName, kPhoto);
    EXPECT_EQ(back.Item(0).SourceDirs, std::vector<std::string>{"C:\\" + kPhoto + "\\"});
    EXPECT_EQ(back.History[0].TaskName, kPhoto);
    EXPECT_EQ(back.Schedules.Items.at(0).TaskName, kPhoto);
    EXPECT_TRUE(errors.empty());
}

// Where the code page lacks a character of a task, saving refuses: stored with "?" a
// path, filter or password would come back as another one.
struct TUnstorableField {
    const char* Name;
    void (*Set)(TTask&, const std::string&);
    const char* Reported; // what the message names
};

const TUnstorableField kUnstorableFields[] = {
    {"TaskName", [](TTask& t, const std::string& s) { t.TaskName = s; }, "\"x"},
    {"SourceDir", [](TTask& t, const std::string& s) { t.SourceDirs = {s}; }, "\"x"},
    {"ExcludeFilter", [](TTask& t, const std::string& s) { t.Filters[0].ExcludeFilter = s; }, "\"x"},
    {"Password", [](TTask& t, const std::string& s) { t.ProtectArchivePassword = s; },
     "its archive password"},
};

class UnstorableTaskTest : public StoreListTest, public ::testing::WithParamInterface<TUnstorableField> {};

TEST_P(UnstorableTaskTest, SaveRefusesAndKeepsTheStoreAndTheModifiedFlag) {
    TTasksList list = MakeList();
    list.Add(std::make_unique<TTask>()).TaskName = "Good";
    ASSERT_TRUE(list.SaveTasks());
    const std::string before = ReadBytes("tasks.bin");

    TTask& t = list.Add(std::make_unique<TTask>());
    t.TaskName = "Odd";
    GetParam().Set(t, "x" + kSun + "y");
    list.Modified = true;
    if (!PageLacksSun()) {
        EXPECT_TRUE(list.SaveTasks()) << "code page " << AnsiCodePage() << " holds every character";
        return;
    }
    EXPECT_FALSE(list.SaveTasks());
    EXPECT_TRUE(list.Modified);
    EXPECT_EQ(ReadBytes("tasks.bin"), before);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(Holds(errors[0], "code page " + std::to_string(AnsiCodePage())));
    EXPECT_TRUE(Holds(errors[0], GetParam().Reported));
    if (std::string(GetParam().Name) == "Password") {
        EXPECT_FALSE(Holds(errors[0], "x" + kSun)) << "a password is never shown";
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, UnstorableTaskTest, ::testing::ValuesIn(kUnstorableFields),
                         [](const auto& info) { return std::string(info.param.Name); });

// Runs are written at every close without a question: their names lose only the
// characters the code page lacks, the loss is reported, and the next save does not
// take the stored entry for another process's run.
TEST_F(StoreCodePageTest, HistoryNameLosesOnlyWhatThePageLacksAndSaysSo) {
    if (!PageLacksSun())
        GTEST_SKIP() << "code page " << AnsiCodePage() << " holds every character";
    TTasksList list = MakeList();
    TTask& t = list.Add(std::make_unique<TTask>());
    t.TaskName = "Run " + kSun + " end";
    list.AddToHistory(0);
    list.Schedules.AddSchedule(t.TaskName, 9);
    ASSERT_TRUE(list.SaveHistory());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(Holds(errors[0], "\"?\""));
    EXPECT_TRUE(Holds(errors[0], t.TaskName));
    EXPECT_EQ(list.History[0].TaskName, "Run ? end");
    EXPECT_EQ(list.Schedules.Items.at(0).TaskName, "Run ? end");

    list.HistoryModified = true;
    ASSERT_TRUE(list.SaveHistory());
    TTasksList back = MakeList();
    ASSERT_TRUE(back.LoadHistory());
    ASSERT_EQ(back.HistoryCount, 1);
    EXPECT_EQ(back.History[0].TaskName, "Run ? end");
    EXPECT_EQ(back.Schedules.Count(), 1);
    EXPECT_EQ(errors.size(), 1u) << "nothing more was lost";
}

TEST(StoreText, EachUnstorableCharacterOrBrokenByteBecomesOneQuestionMark) {
    if (AnsiCodePage() == 65001) {
        // The POSIX stores keep every byte: a file name need not be UTF-8 there.
        const TStoreText kept = ToStoreText("a\xFF" + kSun);
        EXPECT_EQ(kept.Bytes, "a\xFF" + kSun);
        EXPECT_TRUE(kept.Lossless);
        return;
    }
    const TStoreText stored = ToStoreText("a" + kSun + "b\xFF\xE6\x97" + "c");
    EXPECT_FALSE(stored.Lossless);
    EXPECT_EQ(stored.Bytes, "a?b???c");
    EXPECT_TRUE(ToStoreText("plain").Lossless);
}

} // namespace
