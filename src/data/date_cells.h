#pragma once
// How a date cell reads back: in the short date format ("2011-3-10"), whichever engine
// stored it.
#include <string>
#include <string_view>

namespace sitora::data {

// The stored form 'YYYY-MM-DD' (or any text ParseDate reads) in the short date format; any
// other text as it stands. The result may live in `buffer`.
std::string_view ShownDate(std::string_view stored, std::string& buffer);

}  // namespace sitora::data
