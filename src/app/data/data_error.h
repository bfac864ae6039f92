#pragma once
#include <stdexcept>

namespace sitora::data {

// Every failure of the data layer; the windows catch it and show their own message.
class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sitora::data
