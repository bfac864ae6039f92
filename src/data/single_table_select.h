#pragma once
// "select <columns> from <table> [where ...] [order ...]": where the columns begin and which
// table a select reads, so that its rows can carry their identity (the lists do not select it)
// and be deleted later.
#include <optional>
#include <string>
#include <string_view>

namespace sitora::data {

struct SingleTableSelect {
    std::size_t columns_begin = 0;
    std::string table;
    bool computes = false;  // its columns call functions (count(*), ...): no row is a table row
    bool ordered = false;   // it has an order by of its own
};

// Nothing for any other statement (joins, groups, several tables).
std::optional<SingleTableSelect> ParseSingleTableSelect(std::string_view sql);

}  // namespace sitora::data
