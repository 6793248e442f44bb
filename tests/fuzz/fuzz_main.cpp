// One libFuzzer program per entry; KORVEL_FUZZ_ENTRY names the entry.

#include <cstdio>
#include <cstdlib>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = korvel::fuzz::KORVEL_FUZZ_ENTRY(data, size, {});
    if (!problem.empty()) {
        std::fprintf(stderr, "korvel fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
