#pragma once
// What the updater takes from the launcher's own settings.

namespace kestrow::updater {

// The interface language the player chose in the launcher: 0 Russian, 1
// English; anything else the store may hold reads as Russian.
int StoredLanguage();

}  // namespace kestrow::updater
