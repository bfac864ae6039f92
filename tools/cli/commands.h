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

// compact [--folder DIR]: the settings window's compaction; exit 0 on success, 2 on failure.
int Compact(const Arguments& args);

// due [--format text|csv|json] [--as-of DATE]: exit 0 when nothing is due, 1 when something is.
int Due(const Arguments& args);
// list [--format text|csv|json]: the main list in table order.
int List(const Arguments& args);
// show ADDRESS [--reveal] [--format text|json]: one record with every column.
int Show(const Arguments& args);

}  // namespace sitora::cli
