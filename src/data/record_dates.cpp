#include "data/record_dates.h"

#include "data/catalogue/statements.h"
#include "data/result_set.h"

namespace sitora::data {

void PrepareDatesSave(TADOQuery& query, const RecordDates& dates) {
    query.Close();
    query.SetSQL(sql::kUpdateDates);
    query.SetParameter("web_time", dates.space_purchase);
    query.SetParameter("web_endtime", dates.space_expiry);
    query.SetParameter("web_domaintime", dates.domain_application);
    query.SetParameter("web_enddomaintime", dates.domain_expiry);
}

std::optional<RecordDates> LoadDates(TADOQuery& query, std::string_view address) {
    query.Close();
    query.SetSQL(sql::LoadRecord(address));
    query.Open();
    if (query.RecordCount() == 0) return std::nullopt;
    RecordDates dates{AsString(query.FieldByName("web_time")), AsString(query.FieldByName("web_endtime")),
                      AsString(query.FieldByName("web_domaintime")), AsString(query.FieldByName("web_enddomaintime"))};
    query.Close();
    return dates;
}

}  // namespace sitora::data
