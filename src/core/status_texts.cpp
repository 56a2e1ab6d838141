#include "core/status_texts.h"

#include <array>

#include "core/launcher_state.h"

namespace kestrow::core {
namespace {

struct StatusPair {
    const char* russian;
    const char* english;
};

// Each text as the user sees it; the two languages are not always translations.
constexpr std::array<StatusPair, kLastStatusId + 1> kStatusTexts = {{
    {"Скачиваю", "Download"},                                                                 // 0
    {"Updater готов к работе!", "Checking successfully completed!"},                          // 1
    {"Произошла ошибка, попробуйте позже.", "An error occurred, try again later."},           // 2
    {"Идет проверка файлов, пожалуйста подождите.", "Scan of files, please wait."},           // 3
    {"Все файлы успешно обновлены, приятной игры!", "All files were successfully updated!"},  // 4
    {"Отмена", "Cancel"},                                                                     // 5
    {"Вы отменили выполнение обновлений.", "You canceled Updates."},                          // 6
    {"Клиент не нуждается в обновлении.", "Your patch is up to date."},                       // 7
    {"Ошибка, пожайлуйста попробуйте позже.", "Error, please try late again!"},               // 8
    {"Обновляю", "Updating"},                                                                 // 9
    {"Проверка версии программы...", "Checking program version..."},                          // 10
    {"Произошла ошибка обновления программы.", "An error occurred while trying to update."},  // 11
    {"Обновляется программа Updater, ожидайте...", "Wait for the software update!"},          // 12
    {"Сейчас программа перезагрузится...", "The program restart now."},                       // 13
    {"Запущен процесс L2, закройте и обновитесь.",
     "To start the process of L2, and close the Update."},                                    // 14
    {"Обновление клиента, временно недоступно!", "Client update, temporarily unavailable!"},  // 15
}};

constexpr int kUpToDateId = 7;
constexpr const char* kUpToDateWithReadOnlyRu = "Клиент не нуждается в обновлении. (";
constexpr const char* kUpToDateWithReadOnlyRuEnd = ")";

}  // namespace

std::optional<std::string> StatusText(int id, int language, int filesOnlyRead) {
    if (id < kFirstStatusId || id > kLastStatusId)
        return std::nullopt;
    const StatusPair& pair = kStatusTexts[static_cast<size_t>(id)];
    switch (language) {
        case kLanguageRussian:
            if (id == kUpToDateId && filesOnlyRead != 0) {
                return kUpToDateWithReadOnlyRu + std::to_string(filesOnlyRead) +
                       kUpToDateWithReadOnlyRuEnd;
            }
            return pair.russian;
        case kLanguageEnglish:
            return pair.english;
        default:
            return std::nullopt;
    }
}

void setStatus(int msg) {
    Launcher().messageId.store(msg);
}

void getStatus() {
    LauncherState& state = Launcher();
    if (auto text =
            StatusText(state.messageId.load(), state.language.load(), state.g_nFilesOnlyRead)) {
        state.g_msg = std::move(*text);
    }
}

int getLanguage() {
    return Launcher().language.load();
}

}  // namespace kestrow::core
