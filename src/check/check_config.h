#pragma once
// A team's own registries, for the window and sitora-cli alike: check.conf in the program folder,
// lines "bootstrap = FILE|URL" and "whois SUFFIX = HOST[:PORT]"; "#" starts a comment.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "check/registry_lookup.h"

namespace sitora::check {

// A line of check.conf that is neither form, or a plain-HTTP bootstrap away from this machine.
struct CheckConfigError : std::runtime_error {
    CheckConfigError(int line, std::string reason);
    int line;
    std::string reason;  // the URL's refusal, or empty
};

// The settings of the file's text over `settings`. Throws CheckConfigError.
RegistrySettings ApplyCheckConfig(std::string_view text, RegistrySettings settings);

// check.conf of a program folder applied to the defaults; no file gives the defaults. Throws
// CheckConfigError for a file that is wrong.
RegistrySettings ReadCheckConfig(const std::string& program_folder);

// Adds "SUFFIX=HOST[:PORT]" (a leading dot of the suffix dropped); false for text of another form.
bool AddWhoisServer(RegistrySettings& settings, std::string_view suffix, std::string_view server);

}  // namespace sitora::check
