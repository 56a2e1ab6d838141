#pragma once
// What kestrow-updater --version prints.

#include <string>

namespace kestrow::updater {

// "kestrow-updater <version>" from the program's own version record, then
// one line per library it uses with the version it runs with.
std::string VersionText();

}  // namespace kestrow::updater
