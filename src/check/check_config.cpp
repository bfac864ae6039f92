#include "check/check_config.h"

#include <stdexcept>

#include "base/files/file_ops.h"
#include "base/text/byte_strings.h"
#include "check/registry_transport.h"

namespace sitora::check {
namespace {

std::string_view Trimmed(std::string_view text) { return text::TrimBlanks(text); }

}  // namespace

bool AddWhoisServer(RegistrySettings& settings, std::string_view suffix, std::string_view server) {
    suffix = Trimmed(suffix);
    if (suffix.starts_with('.')) suffix.remove_prefix(1);
    if (suffix.empty() || suffix.find_first_of(" \t/") != std::string_view::npos) return false;
    if (!HostAndPort(std::string(Trimmed(server)), 43)) return false;
    settings.whois_servers[std::string(suffix)] = std::string(Trimmed(server));
    return true;
}

CheckConfigError::CheckConfigError(int line, std::string reason)
    : std::runtime_error("check.conf 第 " + std::to_string(line) + " 行无效" + (reason.empty() ? "" : "：" + reason)),
      line(line),
      reason(std::move(reason)) {}

RegistrySettings ApplyCheckConfig(std::string_view text, RegistrySettings settings) {
    int number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const auto equals = line.find('=');
        const std::string_view name = Trimmed(line.substr(0, equals));
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : Trimmed(line.substr(equals + 1));
        if (name == "bootstrap" && !value.empty()) {
            const std::string source(value);
            const bool url = source.starts_with("http://") || source.starts_with("https://");
            if (auto refusal = url ? UrlRefusal(source) : std::nullopt) throw CheckConfigError(number, std::move(*refusal));
            settings.bootstrap = source;
            continue;
        }
        if (name.starts_with("whois ") && AddWhoisServer(settings, name.substr(6), value)) continue;
        throw CheckConfigError(number, {});
    }
    return settings;
}

RegistrySettings ReadCheckConfig(const std::string& program_folder) {
    const auto text = files::ReadWholeFile(program_folder + "check.conf");
    if (!text) return {};
    return ApplyCheckConfig(*text, {});
}

}  // namespace sitora::check
