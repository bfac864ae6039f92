#pragma once
// Rows for COPY ... FROM STDIN in PostgreSQL's text format.
#include <string>
#include <string_view>

namespace sitora::data {

// One cell: text with its backslashes, tabs and line breaks escaped, or bytes in bytea's hex form.
void AppendCopyCell(std::string_view cell, bool bytes, std::string& out);
// A NULL cell.
inline void AppendCopyNull(std::string& out) { out += "\\N"; }

}  // namespace sitora::data
