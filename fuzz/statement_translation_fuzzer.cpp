// Any statement text through the date-literal translation (for SQLite and for the server) and the
// single-table detection of the query layer: no crash, and quoted text passes through unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/data_error.h"
#include "data/statement_translation.h"
#include "data/catalogue/statements.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        sitora::data::TranslateStatement(text);
    } catch (const sitora::data::DataError&) {
    }
    try {
        sitora::data::TranslateForServer(text);
    } catch (const sitora::data::DataError&) {
    }
    // A value quoted for a look-up is never changed by the translation.
    const std::string statement = sitora::data::sql::LoadRecord(text);
    if (sitora::data::TranslateStatement(statement).find(sitora::data::sql::QuotedLiteral(text)) == std::string::npos)
        __builtin_trap();
    if (sitora::data::TranslateForServer(statement).sql.find(sitora::data::sql::QuotedLiteral(text)) == std::string::npos)
        __builtin_trap();
    return 0;
}
