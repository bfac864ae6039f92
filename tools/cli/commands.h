#pragma once
// The commands of sitora-cli. Each returns the process's exit code.
#include <string>
#include <vector>

namespace sitora::cli {

using Arguments = std::vector<std::string>;

// newdb PATH: a starter register with empty tables and t_set (3, 3); never replaces a file.
// newdb --server URI [--from DIR/db.mdb]: the same on an empty server database, or a verified
// copy of a register.
int NewDb(const Arguments& args);

// import-access OLD.mdb [--out NEW.mdb]: an Access register as a new register (never replaces a
// file; default: db.mdb of the program folder); exit 0 when done, 2 when refused.
int ImportAccess(const Arguments& args);

// import FILE [--dry-run] [--skip-refused]: records from a CSV or text list; exit 0 all went in,
// 1 some were refused (with --skip-refused), 2 nothing written.
int Import(const Arguments& args);

// export --list main|expiry --format xls|csv|htm|rtf|txt --out FILE [--folder DIR] [--as-of DATE]
int Export(const Arguments& args);

// compact [--folder DIR]: the settings window's compaction; exit 0 on success, 2 on failure.
int Compact(const Arguments& args);

// check [--address A] [--refresh] [--bootstrap FILE|URL] [--whois SUFFIX=HOST[:PORT]]...:
// domain dates against the registries and the sites' certificates; exit 0 all agrees, 1 something
// needs attention, 2 the run could not be made.
int Check(const Arguments& args);

// protect [--leave-other-keys]: every account of the register sealed under the register key;
// exit 0 done (or nothing to do), 2 nothing written.
int Protect(const Arguments& args);

// key --to-keyring | --to-file: the data key moved into the user's keyring or back into sk.exe;
// exit 0 done, 2 nothing changed.
int Key(const Arguments& args);

// due [--format text|csv|json] [--as-of DATE]: exit 0 when nothing is due, 1 when something is.
int Due(const Arguments& args);
// list [--format text|csv|json]: the main list in table order.
int List(const Arguments& args);
// show ADDRESS [--reveal] [--format text|json]: one record with every column.
int Show(const Arguments& args);

}  // namespace sitora::cli
