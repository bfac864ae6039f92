#pragma once
// What a reminder tells: the register's spaces and domains that run out, and what the last
// registry check found.
#include <string>

#include "base/text/dates.h"

namespace sitora::remind {

// Spaces and domains come from the register; certificates and registry dates earlier than the
// register's from the last registry check.
enum class DueKind { kSpace, kDomain, kCertificate, kRegistryEarlier };

// One item that is due, with the record it belongs to.
struct DueItem {
    text::Date date;  // when it runs out
    DueKind kind;
    std::string number, name, address;
};

}  // namespace sitora::remind
