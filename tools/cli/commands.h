#pragma once
// The commands of sitora-cli. Each returns the process's exit code.
#include <string>
#include <vector>

namespace sitora::cli {

using Arguments = std::vector<std::string>;

// newdb PATH: a starter register with empty tables and t_set (3, 3); never replaces a file.
int NewDb(const Arguments& args);

// export --list main|expiry --format xls|csv|htm|rtf|txt --out FILE [--folder DIR] [--as-of DATE]
int Export(const Arguments& args);

}  // namespace sitora::cli
