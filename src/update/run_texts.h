#pragma once
// Texts of the update run that the user sees, in the two interface languages.
// nullopt for any other language value: the caller then keeps its text.

#include <optional>
#include <string>

namespace kestrow::update {

// Status line after a failed catalogue stage (1 client, 2 patch), with the
// options-load state.
std::optional<std::string> CatalogueUnavailableText(int language, int stage, int error_connect);

// Status line while the local files are compared.
std::optional<std::string> ScanStatusText(int language);

// The catalogue error messages; paragraphs separated by an empty line.
std::optional<std::string> CatalogueError044Text(int language);
std::optional<std::string> CatalogueError042Text(int language);

// The download phase's compact status: the prefix before a single file name,
// and the text while both workers are idle.
std::optional<std::string> DownloadingPrefixText(int language);
std::optional<std::string> WaitingForDownloadText(int language);

// Status line while the extract worker finishes the queue.
std::optional<std::string> ApplyingUpdateText(int language);

// Status line when the run's closing steps failed.
std::optional<std::string> ClosingFailedText(int language);

}  // namespace kestrow::update
