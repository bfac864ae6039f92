#pragma once
// The command line of one sitora-cli command: "--name value" options, "--flag" switches and
// positional arguments.
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace sitora::cli {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Options {
public:
    // `valued` options take the next argument; `flags` take none. Anything else starting with
    // "--" is a usage error.
    Options(const std::vector<std::string>& args, const std::set<std::string>& valued,
            const std::set<std::string>& flags);

    std::optional<std::string> Value(const std::string& name) const;
    // Every value of an option that may be given more than once, in order (Value gives the last).
    std::vector<std::string> Values(const std::string& name) const;
    std::string ValueOr(const std::string& name, const std::string& fallback) const;
    std::string Required(const std::string& name) const;
    bool Flag(const std::string& name) const { return flags_.count(name) > 0; }
    const std::vector<std::string>& Positional() const { return positional_; }

private:
    std::map<std::string, std::string> values_;
    std::map<std::string, std::vector<std::string>> all_values_;
    std::set<std::string> flags_;
    std::vector<std::string> positional_;
};

}  // namespace sitora::cli
