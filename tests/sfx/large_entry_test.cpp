// An entry beyond 4 GiB: sizes only in the Zip64 blocks, a CRC over all of it.
// Slow (it writes the whole file), so it lives in its own labelled program.

#include "sfx_fixture.h"

#include <gtest/gtest.h>

namespace korvel::sfx::test {
namespace {

TEST(LargeEntry, BeyondFourGibibytesExtractsAndVerifies) {
    if (!HaveProgram("zip") || !HaveProgram("truncate")) {
        GTEST_SKIP() << "zip or truncate not installed";
    }
    TScratch scratch;
    constexpr std::uintmax_t kSize = 4'300'000'000; // above 2^32
    // A sparse file of zeros: cheap to make, and deflate shrinks it to a few MiB.
    ASSERT_EQ(RunShell("cd " + Quote(scratch.Path()) + " && mkdir src && truncate -s " +
                           std::to_string(kSize) + " src/big.bin && printf tail >> src/big.bin",
                       scratch.Path())
                  .status,
              0);
    ASSERT_EQ(RunShell("cd " + Quote((scratch / "src").string()) + " && zip -q -1 ../big.zip big.bin",
                       scratch.Path())
                  .status,
              0);
    fs::remove(scratch / "src/big.bin");
    // "zip -A" refuses archives with Zip64 blocks; the stub finds unadjusted offsets itself.
    const fs::path exe = MakeSfx(scratch / "big.zip", scratch / "big.exe", /*adjust=*/false);
    const TRunResult list = RunShell(Quote(exe) + " -l", scratch.Path());
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find(std::to_string(kSize + 4)), std::string::npos) << list.out;

    const TRunResult r = RunShell(Quote(exe) + " -q -d " + Quote(scratch / "out"), scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err; // the CRC over all 4 GiB was checked
    EXPECT_EQ(fs::file_size(scratch / "out/big.bin"), kSize + 4);
    const TRunResult tail = RunShell("tail -c 4 " + Quote(scratch / "out/big.bin"), scratch.Path());
    EXPECT_EQ(tail.out, "tail");
}

} // namespace
} // namespace korvel::sfx::test
