#include "data/engine/server/copy_text.h"

namespace sitora::data {

void AppendCopyCell(std::string_view cell, bool bytes, std::string& out) {
    if (bytes) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\\\x";
        for (unsigned char c : cell) {
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        return;
    }
    for (char c : cell) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
}

}  // namespace sitora::data
