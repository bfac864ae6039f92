// check: the register's domain dates against the registries, and its sites' certificates.
#include <unistd.h>

#include <iostream>
#include <mutex>

#include "base/files/private_folder.h"
#include "base/text/clock.h"
#include "check/check_config.h"
#include "check/register_records.h"
#include "check/registry_lookup.h"
#include "check/site_check.h"
#include "commands.h"
#include "output_formats.h"
#include "register_access.h"
#include "remind/check_findings.h"
#include "remind/reminder_log.h"
#include "translation.h"

namespace sitora::cli {
namespace {

// check.conf of the program folder, then what the command line says.
check::RegistrySettings RegistrySettingsOf(const Options& options) {
    check::RegistrySettings settings;
    try {
        settings = check::ReadCheckConfig(ProgramFolder(options));
    } catch (const check::CheckConfigError& fault) {
        const std::string line = Fill(Tr("check.conf line %s is neither bootstrap = FILE|URL nor whois SUFFIX = HOST[:PORT]"),
                                      {std::to_string(fault.line)});
        throw CommandError(fault.reason.empty() ? line : Fill(Tr("check.conf line %s: %s"), {std::to_string(fault.line), fault.reason}));
    }
    settings.refresh = options.Flag("--refresh");
    if (const auto bootstrap = options.Value("--bootstrap")) {
        const bool url = bootstrap->starts_with("http://") || bootstrap->starts_with("https://");
        if (const auto refusal = url ? check::UrlRefusal(*bootstrap) : std::nullopt) throw UsageError(*refusal);
        settings.bootstrap = *bootstrap;
    }
    for (const std::string& named : options.Values("--whois")) {
        const auto equals = named.find('=');
        if (equals == std::string::npos || !check::AddWhoisServer(settings, named.substr(0, equals), named.substr(equals + 1)))
            throw UsageError(Fill(Tr("--whois wants SUFFIX=HOST[:PORT], not %s"), {named}));
    }
    return settings;
}

}  // namespace

int Check(const Arguments& args) {
    const Options options(args, {"--folder", "--as-of", "--format", "--address", "--bootstrap", "--whois"},
                          {"--password-stdin", "--refresh", "--quiet"});
    const OutputFormat format = ParseFormat(options.ValueOr("--format", "text"), {"text", "csv", "json"});
    check::CheckSettings settings;
    settings.registry = RegistrySettingsOf(options);
    settings.today = Today(options);
    // Certificates are judged on the day the days are counted from.
    if (options.Value("--as-of")) settings.verify_at = text::NoonOf(settings.today);
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    data::TDataModule1 module;
    Connect(module, folder);
    settings.certificate_lead_days = check::CertificateLeadDays(module.ADOQuery4, settings.today);
    const auto address = options.Value("--address");
    const std::vector<check::CheckedRecord> records = check::ReadCheckedRecords(module.ADOQuery5, address);
    if (address && records.empty()) throw CommandError(Fill(Tr("no record has the address %s"), {*address}));

    check::LookupCache cache(files::CacheFolder());
    const check::StopFlag stop{false};
    const bool quiet = options.Flag("--quiet");
    const bool show_progress = !quiet && isatty(STDERR_FILENO);
    const auto findings = check::CheckRecords(records, settings, cache, stop, {}, [show_progress](int done, int total) {
        if (show_progress) std::cerr << "\r" << Fill(Tr("checked %s of %s"), {std::to_string(done), std::to_string(total)})
                                     << (done == total ? "\n" : "") << std::flush;
    });
    remind::KeepCheckFindings(remind::RegisterIdOf(folder), remind::FindingsToCarry(findings), settings.today, address);

    Table table{{"web_id", "web_name", "web_address", "registered_domain", "register_date", "registry_date", "source",
                 "domain_state", "certificate_expiry", "issuer", "certificate_state"}, {}, {}};
    bool attention = false;
    for (const check::RecordFinding& finding : findings) {
        attention = attention || finding.needs_attention;
        table.rows.push_back({finding.record.number, finding.record.name, finding.record.address,
                              finding.registered_domain, text::ShortDateOrBlank(finding.record.domain_runs_out),
                              text::ShortDateOrBlank(finding.registry.expiry), finding.registry.source, finding.domain_text,
                              text::ShortDateOrBlank(finding.certificate.not_after), finding.certificate.issuer,
                              finding.certificate_text});
    }
    if (!quiet) WriteTable(std::cout, table, format);
    return attention ? 1 : 0;
}

}  // namespace sitora::cli
