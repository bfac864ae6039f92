// Any text as a date: parsing never crashes, and what it accepts is a real date that prints
// and parses back to itself.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text/dates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto date = sitora::text::ParseDate(text);
    if (!date) return 0;
    if (!date->ok()) __builtin_trap();
    if (sitora::text::ParseDate(sitora::text::ShortDate(*date)) != date) __builtin_trap();
    if (sitora::text::ParseDate(sitora::text::IsoDate(*date)) != date) __builtin_trap();
    return 0;
}
