#include "update/scan_summary.h"

namespace kestrow::update {

std::string ScanSummaryLine(const ScanSummary& s) {
    std::string line = "Scan summary: ";
    const auto pair = [&line](const char* key, std::int64_t value) {
        line.append(key).append("=").append(std::to_string(value)).append(", ");
    };
    pair("list_files", s.list_files);
    pair("client_archive_count", s.client_archive_count);
    pair("patch_archive_count", s.patch_archive_count);
    pair("crit_count", s.crit_count);
    pair("missing_files", s.missing_files);
    pair("size_checked", s.size_checked);
    pair("size_mismatch", s.size_mismatch);
    pair("crc_skipped_by_size", s.crc_skipped_by_size);
    pair("crc_checked", s.crc_checked);
    pair("crc_mismatch", s.crc_mismatch);
    pair("readonly_files", s.readonly_files);
    pair("queued_files", s.queued_files);
    pair("client_xml_download_ms", s.client_xml_download_ms);
    pair("patch_xml_download_ms", s.patch_xml_download_ms);
    pair("client_xml_parse_ms", s.client_xml_parse_ms);
    pair("patch_xml_parse_ms", s.patch_xml_parse_ms);
    pair("file_check_ms", s.file_check_ms);
    pair("crc_total_ms", s.crc_total_ms);
    pair("slowest_crc_ms", s.slowest_crc_ms);
    line.append("slowest_crc_file=\"").append(s.slowest_crc_file).append("\", ");
    pair("scan_total_ms", s.scan_total_ms);
    line.append("unsafe_names=").append(std::to_string(s.unsafe_names));
    return line;
}

const char* QueueReasonName(QueueReason reason) {
    switch (reason) {
        case QueueReason::Missing:
            return "missing";
        case QueueReason::Size:
            return "size";
        case QueueReason::Checksum:
            return "checksum";
        case QueueReason::ReadOnlyRule:
            return "read-only rule";
        case QueueReason::Unreadable:
            return "unreadable";
    }
    return "?";
}

}  // namespace kestrow::update
