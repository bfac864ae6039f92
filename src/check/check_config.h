#pragma once
// A team's own registries, for the window and sitora-cli alike: check.conf in the program folder,
// lines "bootstrap = FILE|URL" and "whois SUFFIX = HOST[:PORT]"; "#" starts a comment.
#include <optional>
#include <string>
#include <string_view>

#include "check/registry_lookup.h"

namespace sitora::check {

// The settings of the file's text over `settings`; nothing with `why` (naming the line) for a line
// that is neither form, or a plain-HTTP bootstrap away from this machine.
std::optional<RegistrySettings> ApplyCheckConfig(std::string_view text, RegistrySettings settings, std::string* why);

// check.conf of a program folder applied to the defaults; no file gives the defaults. Throws
// std::runtime_error with the reason for a file that is wrong.
RegistrySettings ReadCheckConfig(const std::string& program_folder);

// Adds "SUFFIX=HOST[:PORT]" (a leading dot of the suffix dropped); false for text of another form.
bool AddWhoisServer(RegistrySettings& settings, std::string_view suffix, std::string_view server);

}  // namespace sitora::check
