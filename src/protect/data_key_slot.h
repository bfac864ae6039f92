#pragma once
// The data key of a running program: held once, in locked memory, and lent by view to whoever
// reveals or seals an account, never copied into ordinary memory. A key that is in a keyring
// that could not give it is unavailable: asking for it throws, so nothing is revealed or written
// under a wrong (empty) key.
#include <stdexcept>
#include <string_view>

#include "protect/secret_bytes.h"

namespace sitora::protect {

struct DataKeyUnavailable : std::runtime_error {
    DataKeyUnavailable() : std::runtime_error("the data key is in a keyring that could not be opened") {}
};

class DataKeySlot {
public:
    void Hold(std::string_view key) {
        key_ = SecretBytes(key);
        unavailable_ = false;
    }
    void MarkUnavailable() {
        key_ = SecretBytes(std::string_view());
        unavailable_ = true;
    }
    bool Available() const { return !unavailable_; }
    // Valid until the next Hold; the empty key before any.
    std::string_view View() const {
        if (unavailable_) throw DataKeyUnavailable();
        return key_.view();
    }

private:
    SecretBytes key_{std::string_view()};
    bool unavailable_ = false;
};

}  // namespace sitora::protect
