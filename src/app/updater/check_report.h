#pragma once
// What kestrow-updater --check prints: one line per file an update would
// download, with the reason, and a summary line.

#include <cstdint>
#include <string>
#include <vector>

#include "update/item_fields.h"
#include "update/scan_summary.h"

namespace kestrow::updater {

struct Difference {
    std::string name;  // as the catalogue writes it
    update::QueueReason reason;
};

// The queued items as an update would download them: one per name (letter
// case and separators aside), a patch line taking the place of a client line
// of the same name, in the order of first appearance.
std::vector<Difference> Differences(const update::TextList& items,
                                    const std::vector<update::QueueReason>& reasons);

// "<name>\t<reason>"; a name never holds a control character.
std::string DifferenceLine(const Difference& difference);

// "check: N to download (missing a, size b, checksum c, read-only rule d,
// unreadable e), M entries compared, R read-only files left alone".
std::string CheckSummaryLine(const std::vector<Difference>& differences,
                             const update::ScanSummary& scan);

}  // namespace kestrow::updater
