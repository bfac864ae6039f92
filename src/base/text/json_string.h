#pragma once
// A JSON string literal of UTF-8 text, quotes included: what sitora-cli's JSON output and the
// chat robots' messages write.
#include <string>
#include <string_view>

namespace sitora::text {

std::string JsonString(std::string_view utf8);

}  // namespace sitora::text
