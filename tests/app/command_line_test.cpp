#include <gtest/gtest.h>

#include "app/command_line.h"

using namespace korvel;

TEST(CommandLineTest, TaskIdsMapToIndicesInOrder) {
    TTasksList tasks("/nonexistent/");
    for (int i = 0; i < 7; ++i)
        tasks.Add(std::make_unique<TTask>()); // ids 1..7 at indices 0..6
    tasks.Delete(2);                          // id 3 is gone
    struct Case {
        std::vector<std::string> args;
        bool runStart;
        std::vector<int> indices;
    };
    const Case cases[] = {
        {{}, false, {}},
        {{"/t"}, true, {}},
        {{"/T", "5"}, true, {3}},
        {{"/t", "2", "99", "2"}, true, {1, 1}},
        {{"/t", "3", "7"}, true, {5}},
        {{"/t", "abc", "4x", "", "-1", "+6", "0x2", "99999999999", "1"}, true, {4, 0}},
        {{"backup.zip", "/t", "1"}, false, {}},
        {{"/tt", "1"}, false, {}},
        {{"t", "1"}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0]);
        EXPECT_EQ(IsTaskRunStart(c.args), c.runStart);
        if (!c.runStart)
            continue;
        const TIntArray got = CollectTaskIndices(c.args, tasks);
        std::vector<int> v;
        for (int i = 0; i < got.Count(); ++i)
            v.push_back(got.Get(i));
        EXPECT_EQ(v, c.indices);
    }
}

TEST(CommandLineTest, CatchUpIsItsOwnStart) {
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"/catchup"}, true}, {{"/CatchUp", "5"}, true},   {{"/catchups"}, false},
        {{"catchup"}, false}, {{"/t", "/catchup"}, false}, {{}, false},
    };
    for (const auto& [args, catchUp] : cases) {
        SCOPED_TRACE(args.empty() ? std::string("(none)") : args[0]);
        EXPECT_EQ(IsCatchUpStart(args), catchUp);
        if (catchUp) {
            EXPECT_FALSE(IsTaskRunStart(args));
        }
    }
}
