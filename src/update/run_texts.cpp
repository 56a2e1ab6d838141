#include "update/run_texts.h"

#include "core/status_texts.h"

namespace kestrow::update {

namespace {

constexpr const char* kParagraphBreak = "\r\n\r\n";

}  // namespace

std::optional<std::string> CatalogueUnavailableText(int language, int stage, int error_connect) {
    const std::string tail = std::to_string(stage) + ") " + std::to_string(error_connect);
    if (language == core::kLanguageRussian) {
        return "Обновление недоступно, попробуйте позже! (" + tail;
    }
    if (language == core::kLanguageEnglish) {
        return "Update is not available, try again later! (" + tail;
    }
    return std::nullopt;
}

std::optional<std::string> ScanStatusText(int language) {
    if (language == core::kLanguageRussian) {
        return "Идет проверка файлов, пожалуйста подождите!";
    }
    if (language == core::kLanguageEnglish) {
        return "Scan of files, please wait";
    }
    return std::nullopt;
}

std::optional<std::string> CatalogueError044Text(int language) {
    if (language == core::kLanguageRussian) {
        return std::string("Код ошибки #044, нет возможности обновить патч!") + kParagraphBreak +
               "Сообщите в техническую поддержку, вашего проекта." + kParagraphBreak +
               "Либо снимите галочку в настройках \"Для опытных пользователей\"";
    }
    if (language == core::kLanguageEnglish) {
        return std::string(
                   "The error code #044, isnt present an opportunity to update the client!") +
               kParagraphBreak + "Report in technical support, your project." + kParagraphBreak +
               "Or remove a tick in the settings \"For Experienced Users\"";
    }
    return std::nullopt;
}

std::optional<std::string> CatalogueError042Text(int language) {
    if (language == core::kLanguageRussian) {
        return std::string("Код ошибки #042, нет возможности обновить патч!") + kParagraphBreak +
               "Сообщите в техническую поддержку, вашего проекта.";
    }
    if (language == core::kLanguageEnglish) {
        return std::string(
                   "The error code #042, isnt present an opportunity to update the client!") +
               kParagraphBreak + "Report in technical support, your project.";
    }
    return std::nullopt;
}

std::optional<std::string> DownloadingPrefixText(int language) {
    if (language == core::kLanguageRussian) {
        return "Скачивается: ";
    }
    if (language == core::kLanguageEnglish) {
        return "Downloading: ";
    }
    return std::nullopt;
}

std::optional<std::string> WaitingForDownloadText(int language) {
    if (language == core::kLanguageRussian) {
        return "Ожидание скачивания...";
    }
    if (language == core::kLanguageEnglish) {
        return "Waiting for download...";
    }
    return std::nullopt;
}

std::optional<std::string> ApplyingUpdateText(int language) {
    if (language == core::kLanguageRussian) {
        return "Применение обновления...";
    }
    if (language == core::kLanguageEnglish) {
        return "Applying update...";
    }
    return std::nullopt;
}

std::optional<std::string> ClosingFailedText(int language) {
    if (language == core::kLanguageRussian) {
        return "Ошибка, пожайлуйста попробуйте позже! #10";
    }
    if (language == core::kLanguageEnglish) {
        return "Error, please try late again";
    }
    return std::nullopt;
}

}  // namespace kestrow::update
