#include "translation.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

namespace sitora::cli {
namespace {

constexpr const char* kDomain = "sitora-cli";

// "zh_CN.UTF-8" -> "zh_CN": the language part of the first locale variable that is set.
std::string LanguageOfEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            const std::string locale = value;
            return locale.substr(0, locale.find_first_of(".@"));
        }
    }
    return {};
}

}  // namespace

void UseUsersLanguage() {
    if (!std::setlocale(LC_ALL, "")) {
        // The locale is not generated here: gettext still finds the language through LANGUAGE
        // under a UTF-8 locale that always exists.
        const std::string language = LanguageOfEnvironment();
        std::setlocale(LC_ALL, "C.UTF-8");
        // An empty LANGUAGE, as a script may pass on, is no choice of its own.
        const char* chosen = std::getenv("LANGUAGE");
        if (!language.empty() && language != "C" && language != "POSIX") setenv("LANGUAGE", language.c_str(), !chosen || !*chosen);
    }
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) bindtextdomain(kDomain, (program.parent_path() / "locale").c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    textdomain(kDomain);
}

const char* Tr(const char* english) { return gettext(english); }

bool ReadsChinese() {
    // The catalogue's own entry for its language: translated only where the catalogue is read.
    static const bool chinese = std::string_view(Tr("language: English")) != "language: English";
    return chinese;
}

const char* TrPlural(const char* one, const char* many, unsigned long count) { return ngettext(one, many, count); }

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string filled;
    auto next = values.begin();
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern.compare(at, 2, "%s") == 0 && next != values.end()) {
            filled += *next++;
            ++at;
        } else {
            filled += pattern[at];
        }
    }
    return filled;
}

}  // namespace sitora::cli
