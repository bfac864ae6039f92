#include "data/catalogue/columns.h"

#include <algorithm>

namespace sitora::data {

bool IsDateColumn(std::string_view column) {
    return std::find(kDateColumns.begin(), kDateColumns.end(), column) != kDateColumns.end();
}

bool IsProtectedColumn(std::string_view column) {
    return std::find(kProtectedColumns.begin(), kProtectedColumns.end(), column) !=
           kProtectedColumns.end();
}

bool IsLeadTimeColumn(std::string_view column) {
    return std::find(kLeadTimeColumns.begin(), kLeadTimeColumns.end(), column) != kLeadTimeColumns.end();
}

ValueKind KindOf(std::string_view column) {
    return IsDateColumn(column)        ? ValueKind::kDate
           : IsProtectedColumn(column) ? ValueKind::kProtected
           : IsLeadTimeColumn(column) || column == "id" ? ValueKind::kNumber
                                       : ValueKind::kText;
}

const std::array<ValueKind, kRecordColumns.size()>& RecordColumnKinds() {
    static const auto kinds = [] {
        std::array<ValueKind, kRecordColumns.size()> kinds{};
        for (std::size_t c = 0; c < kinds.size(); ++c) kinds[c] = KindOf(kRecordColumns[c]);
        return kinds;
    }();
    return kinds;
}

}  // namespace sitora::data
