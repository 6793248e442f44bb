// The seed of the traditional encryption header's random bytes.

#include "archive/zip_encryption.h"

#include <chrono>
#include <random>

namespace korvel {

namespace {

// Two entries begun within one clock tick must still get different headers, so a
// running count joins the clock; a draw from the system's entropy source makes the
// headers of separate runs unpredictable as well.
std::uint64_t ClockSeed() {
    static std::uint64_t counter = 0;
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::uint64_t entropy = 0;
    try {
        std::random_device device;
        entropy = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (const std::exception&) {
        // No entropy source: the clock and the count still give distinct seeds.
    }
    ++counter;
    return ticks ^ (counter * 0x9E3779B97F4A7C15ull) ^ entropy;
}

} // namespace

std::unique_ptr<TZipEncryptor> MakeTraditionalEncryptor(const std::string& password, std::uint32_t crc) {
    return MakeTraditionalEncryptor(password, crc, ClockSeed());
}

} // namespace korvel
