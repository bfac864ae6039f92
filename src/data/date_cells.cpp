#include "data/date_cells.h"

#include <algorithm>

#include "base/text/dates.h"

namespace sitora::data {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view ShownDate(std::string_view stored, std::string& buffer) {
    // The stored form 'YYYY-MM-DD': drop the leading zeros of month and day (the hot path of
    // every list refresh).
    if (stored.size() == 10 && stored[4] == '-' && stored[7] == '-' && IsDigit(stored[5]) && IsDigit(stored[6]) &&
        IsDigit(stored[8]) && IsDigit(stored[9]) && stored[0] != '0') {
        buffer.resize(10);
        char* out = buffer.data();
        std::copy_n(stored.data(), 5, out);
        std::size_t length = 5;
        if (stored[5] != '0') out[length++] = stored[5];
        out[length++] = stored[6];
        out[length++] = '-';
        if (stored[8] != '0') out[length++] = stored[8];
        out[length++] = stored[9];
        return std::string_view(out, length);
    }
    auto date = text::ParseDate(stored);
    if (!date) return stored;
    buffer = text::ShortDate(*date);
    return buffer;
}

}  // namespace sitora::data
