#include "app/updater/check_report.h"

#include <array>
#include <cstddef>
#include <unordered_map>

namespace kestrow::updater {

std::vector<Difference> Differences(const update::TextList& items,
                                    const std::vector<update::QueueReason>& reasons) {
    std::vector<Difference> out;
    std::vector<std::size_t> item_of;  // which item each kept difference came from
    std::unordered_map<std::string, std::size_t> kept_at;
    for (std::size_t i = 0; i < items.size() && i < reasons.size(); ++i) {
        Difference d{items[i].substr(0, items[i].find(update::kItemSeparator)), reasons[i]};
        std::string key = update::ItemNameKey(items[i]);
        if (!key.empty()) {
            if (const auto found = kept_at.find(key); found != kept_at.end()) {
                // The rule of the update phase: a patch line replaces a client line.
                if (update::PatchOverridesClient(items[i], items[item_of[found->second]])) {
                    out[found->second] = std::move(d);
                    item_of[found->second] = i;
                }
                continue;
            }
            kept_at.emplace(std::move(key), out.size());
        }
        out.push_back(std::move(d));
        item_of.push_back(i);
    }
    return out;
}

std::string DifferenceLine(const Difference& difference) {
    return difference.name + "\t" + update::QueueReasonName(difference.reason);
}

std::string CheckSummaryLine(const std::vector<Difference>& differences,
                             const update::ScanSummary& scan) {
    using update::QueueReason;
    constexpr std::array kReasons = {QueueReason::Missing, QueueReason::Size, QueueReason::Checksum,
                                     QueueReason::ReadOnlyRule, QueueReason::Unreadable};
    std::string line = "check: " + std::to_string(differences.size()) + " to download (";
    for (std::size_t r = 0; r < kReasons.size(); ++r) {
        std::size_t count = 0;
        for (const Difference& d : differences) {
            count += d.reason == kReasons[r] ? 1 : 0;
        }
        line += std::string(r > 0 ? ", " : "") + update::QueueReasonName(kReasons[r]) + " " +
                std::to_string(count);
    }
    line += "), " + std::to_string(scan.list_files) + " entries compared, " +
            std::to_string(scan.readonly_files) + " read-only files left alone";
    return line;
}

}  // namespace kestrow::updater
