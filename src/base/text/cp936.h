#pragma once
// Conversion between the program's UTF-8 text and the code page 936 bytes in which
// lengths are counted, values are scrambled and files are written.
#include <optional>
#include <string>
#include <string_view>

namespace sitora::text {

// UTF-8 to Windows code page 936 as Windows maps it (GBK with the euro sign at 0x80, its
// user-defined areas in the private-use range, U+F8F5 as the lone byte 0xFF). Characters that code page
// 936 lacks are written in their GB18030 form, so nothing is lost. Malformed UTF-8 sequences
// become '?'.
std::string ToCp936(std::string_view utf8);
// The same into `out` (replaced), reusing its room: for converting many cells in a row.
void ToCp936Into(std::string_view utf8, std::string& out);

// The bytes Windows' code page 936 gives for the text, or nothing when a character has no
// place in it (no GB18030 fallback) or the UTF-8 is malformed: for bytes that must come back
// exactly as Windows stored them. U+F8F5 is Windows' reading of the lone byte 0xFF.
std::optional<std::string> ToCp936Exactly(std::string_view utf8);

// Code page 936 bytes (and the GB18030 forms of what code page 936 lacks) to UTF-8. A byte
// sequence that is neither becomes U+FFFD for its first byte and decoding goes on with the
// next one.
std::string FromCp936(std::string_view bytes);

// Length of a UTF-8 text in code page 936 bytes: the length rule of the whole program.
std::size_t Cp936Length(std::string_view utf8);

}  // namespace sitora::text
