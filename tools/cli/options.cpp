#include "options.h"

#include "translation.h"

namespace sitora::cli {

Options::Options(const std::vector<std::string>& args, const std::set<std::string>& valued,
                 const std::set<std::string>& flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            positional_.push_back(arg);
        } else if (valued.count(arg)) {
            if (i + 1 >= args.size()) throw UsageError(Fill(Tr("%s needs a value"), {arg}));
            values_[arg] = args[++i];
            all_values_[arg].push_back(values_[arg]);
        } else if (flags.count(arg)) {
            flags_.insert(arg);
        } else {
            throw UsageError(Fill(Tr("unknown option %s"), {arg}));
        }
    }
}

std::optional<std::string> Options::Value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> Options::Values(const std::string& name) const {
    auto it = all_values_.find(name);
    return it == all_values_.end() ? std::vector<std::string>{} : it->second;
}

std::string Options::ValueOr(const std::string& name, const std::string& fallback) const {
    return Value(name).value_or(fallback);
}

std::string Options::Required(const std::string& name) const {
    auto value = Value(name);
    if (!value) throw UsageError(Fill(Tr("%s is required"), {name}));
    return *value;
}

}  // namespace sitora::cli
