#include "remind/check_findings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "base/files/file_ops.h"
#include "base/files/private_folder.h"
#include "base/text/byte_strings.h"

namespace sitora::remind {
namespace {

constexpr std::size_t kLargestFile = 4 << 20;

std::string Field(std::string value) {
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return value;
}

struct Line {
    std::string register_id, kind, date, number, name, address;
};

std::vector<Line> ReadLines(const std::filesystem::path& file) {
    std::vector<Line> lines;
    const auto text = files::ReadWholeFile(file, /*no_follow=*/true);
    if (!text || text->size() > kLargestFile) return lines;
    std::istringstream in(*text);
    std::string row;
    while (std::getline(in, row)) {
        const std::vector<std::string> cells = text::SplitAt(row, '\t');
        if (cells.size() == 6) lines.push_back({cells[0], cells[1], cells[2], cells[3], cells[4], cells[5]});
    }
    return lines;
}

std::filesystem::path FindingsFile() { return files::StateFolder() / "check-findings"; }

// The line of a register's last whole check; earlier versions pass over a kind they do not know.
constexpr const char* kCheckedKind = "checked";

}  // namespace

bool KeepCheckFindings(const std::string& register_id, const std::vector<DueItem>& items,
                       const text::Date& checked_on, const std::optional<std::string>& only_address) {
    try {
        const auto file = FindingsFile();
        const int lock = open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock < 0) return false;
        flock(lock, LOCK_EX);
        std::vector<Line> lines = ReadLines(file);
        std::erase_if(lines, [&](const Line& line) {
            return line.register_id == Field(register_id) && (!only_address || line.address == Field(*only_address));
        });
        for (const DueItem& item : items)
            lines.push_back({Field(register_id), item.kind == DueKind::kCertificate ? "certificate" : "registry",
                             text::IsoDate(item.date), Field(item.number), Field(item.name), Field(item.address)});
        if (!only_address) lines.push_back({Field(register_id), kCheckedKind, text::IsoDate(checked_on), "", "", ""});
        std::string content;
        for (const Line& line : lines)
            content += line.register_id + "\t" + line.kind + "\t" + line.date + "\t" + line.number + "\t" + line.name +
                       "\t" + line.address + "\n";
        const auto scratch = file.string() + ".new";
        const bool kept = files::CreatePrivateFile(scratch, content) && files::RenameFile(scratch, file);
        close(lock);
        return kept;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<text::Date> LastCheckOf(const std::string& register_id) {
    try {
        for (const Line& line : ReadLines(FindingsFile()))
            if (line.register_id == Field(register_id) && line.kind == kCheckedKind) return text::ParseDate(line.date);
    } catch (const std::exception&) {
        // No state folder: no check known.
    }
    return std::nullopt;
}

std::vector<DueItem> FindingsToCarry(const std::vector<check::RecordFinding>& findings) {
    std::vector<DueItem> items;
    for (const check::RecordFinding& finding : findings) {
        const check::CheckedRecord& record = finding.record;
        if (finding.certificate.error.empty() && finding.certificate.not_after)
            items.push_back({*finding.certificate.not_after, DueKind::kCertificate, record.number, record.name,
                             record.address});
        if (finding.domain_verdict == check::DomainVerdict::kEarlier)
            items.push_back({*finding.registry.expiry, DueKind::kRegistryEarlier, record.number, record.name,
                             record.address});
    }
    return items;
}

std::vector<DueItem> CheckFindingsDue(const std::string& register_id, const data::Thresholds& thresholds) {
    std::vector<DueItem> items;
    try {
        for (const Line& line : ReadLines(FindingsFile())) {
            const auto date = text::ParseDate(line.date);
            if (line.register_id != Field(register_id) || !date) continue;
            if (line.kind == "certificate" && *date <= thresholds.space)
                items.push_back({*date, DueKind::kCertificate, line.number, line.name, line.address});
            else if (line.kind == "registry")
                items.push_back({*date, DueKind::kRegistryEarlier, line.number, line.name, line.address});
        }
    } catch (const std::exception&) {
        // No state folder: nothing kept to carry on.
    }
    return items;
}

}  // namespace sitora::remind
