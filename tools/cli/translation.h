#pragma once
// The command line's own texts in the user's language, through gettext as Debian's programs do:
// the English texts in the code are the keys, the Chinese ones come from the catalogue in the
// program folder's locale/ folder.
#include <initializer_list>
#include <string>
#include <string_view>

namespace sitora::cli {

// Takes the language from the environment (LC_ALL, LC_MESSAGES, LANG, LANGUAGE). A language
// whose locale is not generated on this machine is still used for the texts.
void UseUsersLanguage();

// The text in the user's language; English where the catalogue has none.
const char* Tr(const char* english);
// The form for `count` ("1 day left", "2 days left").
const char* TrPlural(const char* one, const char* many, unsigned long count);

// True when the user reads Chinese: the catalogue is in use.
bool ReadsChinese();

// Marks a text whose translation is looked up later, where it is shown.
constexpr const char* TrLater(const char* english) { return english; }

// `pattern` with each "%s" replaced by the next of `values`.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace sitora::cli
