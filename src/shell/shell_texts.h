#pragma once
// Texts the launcher shell shows or logs, to the character.

namespace kestrow::shell {

inline constexpr char kAlreadyRunningMessage[] = "Программа уже запущена!";
inline constexpr char kCleanErrorMessage[] = "Code Error: #033";

inline constexpr char kPatchUpdateRequestedLine[] = "Manual update requested: mode=patch_only";
inline constexpr char kClientUpdateRequestedLine[] = "Manual update requested: mode=full_client";

inline constexpr char kVersionThreadStartedLine[] = "Version downloader thread started";
inline constexpr char kVersionThreadExceptionContext[] = "Version downloader thread exception";
inline constexpr char kClientFolderMissingLine[] =
    "Auto full-client update suppressed; use Update Client button for full verification.";

}  // namespace kestrow::shell
