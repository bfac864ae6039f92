#include "check/site_check.h"

#include <map>
#include <mutex>
#include <thread>

#include "base/text/byte_strings.h"
#include "check/site_names.h"

namespace sitora::check {
namespace {

std::string DaysText(int days) {
    if (days == 0) return "今天到期";
    if (days > 0) return "还有 " + std::to_string(days) + " 天到期";
    return "已过期 " + std::to_string(-days) + " 天";
}

void JudgeDomain(RecordFinding& finding) {
    const DomainLookup& registry = finding.registry;
    const auto& registered = finding.record.domain_runs_out;
    switch (registry.outcome) {
    case LookupOutcome::kNotFound:
        finding.domain_verdict = DomainVerdict::kNotFound;
        finding.domain_text = "注册局查无此域名（未注册或已删除）";
        return;
    case LookupOutcome::kNoExpiry:
        finding.domain_verdict = DomainVerdict::kNoExpiry;
        finding.domain_text = "注册局不公布到期日期";
        return;
    case LookupOutcome::kNoService:
        finding.domain_verdict = DomainVerdict::kNoService;
        finding.domain_text = "该后缀没有查询服务";
        return;
    case LookupOutcome::kFailed:
        finding.domain_verdict = DomainVerdict::kFailed;
        finding.domain_text = "查询失败：" + registry.reason;
        return;
    case LookupOutcome::kStopped:
        finding.domain_verdict = DomainVerdict::kStopped;
        finding.domain_text = "已停止";
        return;
    case LookupOutcome::kFound: break;
    }
    if (!registered) {
        finding.domain_verdict = DomainVerdict::kNoRegisterDate;
        finding.domain_text = "登记没有到期日期";
        return;
    }
    const int ahead = text::DaysBetween(*registered, *registry.expiry);
    if (ahead > 1) {
        finding.domain_verdict = DomainVerdict::kRenewed;
        finding.domain_text = "已续费，登记未更新";
    } else if (ahead < -1) {
        finding.domain_verdict = DomainVerdict::kEarlier;
        finding.domain_text = "注册局日期早于登记";
    } else {
        finding.domain_verdict = DomainVerdict::kAgrees;
        finding.domain_text = "日期一致";
    }
}

void JudgeCertificate(RecordFinding& finding, const CheckSettings& settings) {
    const CertificateAnswer& certificate = finding.certificate;
    if (finding.site.empty()) {
        const bool typed = !text::TrimBlanks(finding.record.address).empty();
        finding.certificate_verdict = typed ? CertificateVerdict::kInvalidAddress : CertificateVerdict::kNoAddress;
        finding.certificate_text = typed ? "网址无效" : "没有网址";
        return;
    }
    if (certificate.error == "已停止") {
        finding.certificate_verdict = CertificateVerdict::kStopped;
        finding.certificate_text = "已停止";
        return;
    }
    if (!certificate.error.empty()) {
        finding.certificate_verdict = CertificateVerdict::kNoAnswer;
        finding.certificate_text = "没有应答：" + certificate.error;
        return;
    }
    const int days = certificate.not_after ? text::DaysBetween(settings.today, *certificate.not_after) : 0;
    const std::string left = certificate.not_after ? DaysText(days) : std::string();
    if (certificate.not_after && days < 0) {
        finding.certificate_verdict = CertificateVerdict::kExpired;
        finding.certificate_text = "证书" + left;
    } else if (!certificate.verified) {
        finding.certificate_verdict = CertificateVerdict::kNotVerified;
        finding.certificate_text = "未通过验证：" + certificate.not_verified_why + (left.empty() ? "" : "（" + left + "）");
    } else if (days <= settings.certificate_lead_days) {
        finding.certificate_verdict = CertificateVerdict::kRunningOut;
        finding.certificate_text = "证书" + left;
    } else {
        finding.certificate_verdict = CertificateVerdict::kValid;
        finding.certificate_text = "证书" + left;
    }
}

// The questions of a run: each distinct domain and each distinct site once.
struct Question {
    bool is_domain;
    std::string subject;  // the domain, or host:port
    std::string host;
    int port = 443;
};

}  // namespace

void Judge(RecordFinding& finding, const CheckSettings& settings) {
    if (finding.registered_domain.empty()) {
        finding.domain_verdict = DomainVerdict::kNoDomain;
        finding.domain_text = "没有可查询的域名";
    } else {
        JudgeDomain(finding);
    }
    JudgeCertificate(finding, settings);
    finding.needs_attention = StandingOf(finding.domain_verdict) == Standing::kAttention ||
                              StandingOf(finding.certificate_verdict) == Standing::kAttention;
}

Standing StandingOf(DomainVerdict verdict) {
    switch (verdict) {
    case DomainVerdict::kAgrees: return Standing::kFine;
    case DomainVerdict::kRenewed:
    case DomainVerdict::kEarlier:
    case DomainVerdict::kNoRegisterDate:
    case DomainVerdict::kNotFound:
    case DomainVerdict::kFailed: return Standing::kAttention;
    case DomainVerdict::kNoExpiry:
    case DomainVerdict::kNoService:
    case DomainVerdict::kNoDomain:
    case DomainVerdict::kStopped: return Standing::kNeutral;
    }
    return Standing::kNeutral;
}

Standing StandingOf(CertificateVerdict verdict) {
    switch (verdict) {
    case CertificateVerdict::kValid: return Standing::kFine;
    case CertificateVerdict::kRunningOut:
    case CertificateVerdict::kExpired:
    case CertificateVerdict::kNotVerified:
    case CertificateVerdict::kNoAnswer:
    case CertificateVerdict::kInvalidAddress: return Standing::kAttention;
    case CertificateVerdict::kNoAddress:
    case CertificateVerdict::kStopped: return Standing::kNeutral;
    }
    return Standing::kNeutral;
}

std::vector<RecordFinding> CheckRecords(const std::vector<CheckedRecord>& records, const CheckSettings& settings,
                                        LookupCache& cache, const StopFlag& stop,
                                        const std::function<void(std::size_t index, const RecordFinding& finding)>& on_finding,
                                        const std::function<void(int, int)>& on_progress) {
    std::vector<RecordFinding> findings(records.size());
    std::vector<Question> domain_questions, site_questions;
    std::map<std::string, std::vector<std::size_t>> waiting;  // question subject -> records
    std::vector<int> unanswered(records.size(), 0);
    for (std::size_t r = 0; r < records.size(); ++r) {
        RecordFinding& finding = findings[r];
        finding.record = records[r];
        finding.registered_domain = RegisteredDomainOf(records[r].domain, records[r].address).value_or("");
        if (!finding.registered_domain.empty()) {
            const std::string subject = "domain " + finding.registered_domain;
            if (!waiting.count(subject)) domain_questions.push_back({true, finding.registered_domain, {}, 0});
            waiting[subject].push_back(r);
            ++unanswered[r];
        }
        if (const auto site = SiteHostOf(records[r].address)) {
            finding.site = site->port == 443 ? site->host : site->host + ":" + std::to_string(site->port);
            const std::string subject = "site " + site->host + ":" + std::to_string(site->port);
            if (!waiting.count(subject)) site_questions.push_back({false, finding.site, site->host, site->port});
            waiting[subject].push_back(r);
            ++unanswered[r];
        }
    }
    // Domains and sites taken in turn, so that a worker waiting for a registry's next turn does not
    // hold up the sites behind it.
    std::vector<Question> questions;
    for (std::size_t i = 0; i < std::max(domain_questions.size(), site_questions.size()); ++i) {
        if (i < domain_questions.size()) questions.push_back(domain_questions[i]);
        if (i < site_questions.size()) questions.push_back(site_questions[i]);
    }

    RegistryLookup registry(settings.registry, cache, settings.today);
    std::mutex mutex;
    std::size_t next = 0;
    int done = 0;
    const int total = static_cast<int>(questions.size());
    const auto finish = [&](std::size_t r) {  // with the mutex held
        Judge(findings[r], settings);
        if (on_finding) on_finding(r, findings[r]);
    };
    {
        const std::lock_guard lock(mutex);
        for (std::size_t r = 0; r < records.size(); ++r)
            if (unanswered[r] == 0) finish(r);
        if (on_progress) on_progress(0, total);
    }
    const auto work = [&] {
        while (true) {
            Question question;
            {
                const std::lock_guard lock(mutex);
                if (next >= questions.size()) return;
                question = questions[next++];
            }
            DomainLookup lookup;
            CertificateAnswer certificate;
            if (question.is_domain) {
                lookup = stop ? DomainLookup{LookupOutcome::kStopped, std::nullopt, {}, "已停止"}
                              : registry.LookUp(question.subject, stop);
            } else if (stop) {
                certificate.error = "已停止";
            } else {
                certificate = ProbeCertificate(question.host, question.port, stop, kRequestTimeoutMs, settings.verify_at);
            }
            const bool stopped = question.is_domain ? lookup.outcome == LookupOutcome::kStopped : certificate.error == "已停止";
            const std::lock_guard lock(mutex);
            const std::string subject = question.is_domain ? "domain " + question.subject
                                                           : "site " + question.host + ":" + std::to_string(question.port);
            for (const std::size_t r : waiting[subject]) {
                if (question.is_domain) findings[r].registry = lookup;
                else findings[r].certificate = certificate;
                if (--unanswered[r] == 0) finish(r);
            }
            // A question the stop cut short is not done: the bar shows where the check ended.
            if (!stopped && on_progress) on_progress(++done, total);
        }
    };
    std::vector<std::thread> workers;
    const int count = std::max(1, std::min<int>(settings.parallel, total));
    for (int i = 0; i < count; ++i) workers.emplace_back(work);
    for (std::thread& worker : workers) worker.join();
    {
        const std::lock_guard lock(mutex);
        cache.Save();
    }
    return findings;
}

}  // namespace sitora::check
