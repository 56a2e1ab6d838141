#include <gtest/gtest.h>

#include "core/launcher_state.h"
#include "core/status_texts.h"

namespace kestrow::core {
namespace {

TEST(StatusTexts, TableSpotChecks) {
    struct Case {
        int id;
        int language;
        int files_only_read;
        const char* expected;
    } cases[] = {
        {0, 0, 0, "Скачиваю"},
        {0, 1, 0, "Download"},
        {1, 0, 0, "Updater готов к работе!"},
        {1, 1, 0, "Checking successfully completed!"},
        {4, 0, 0, "Все файлы успешно обновлены, приятной игры!"},
        {4, 1, 0, "All files were successfully updated!"},
        {6, 1, 0, "You canceled Updates."},
        {7, 0, 0, "Клиент не нуждается в обновлении."},
        {7, 0, 3, "Клиент не нуждается в обновлении. (3)"},
        {7, 0, 1234, "Клиент не нуждается в обновлении. (1234)"},
        {7, 1, 0, "Your patch is up to date."},
        {7, 1, 3, "Your patch is up to date."},
        {8, 0, 0, "Ошибка, пожайлуйста попробуйте позже."},
        {8, 1, 0, "Error, please try late again!"},
        {12, 0, 0, "Обновляется программа Updater, ожидайте..."},
        {14, 1, 0, "To start the process of L2, and close the Update."},
        {15, 0, 5, "Обновление клиента, временно недоступно!"},
        {15, 1, 0, "Client update, temporarily unavailable!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusText(c.id, c.language, c.files_only_read), c.expected)
            << "id " << c.id << " language " << c.language;
    }
    for (int id = kFirstStatusId; id <= kLastStatusId; ++id) {
        for (int language : {kLanguageRussian, kLanguageEnglish}) {
            ASSERT_TRUE(StatusText(id, language, 0)) << id;
            EXPECT_FALSE(StatusText(id, language, 0)->empty()) << id;
        }
    }
}

TEST(StatusTexts, UnknownIdOrLanguageHasNoText) {
    for (auto [id, language] : {std::pair{-1, 0}, {16, 1}, {3, 2}, {3, -1}}) {
        EXPECT_EQ(StatusText(id, language, 0), std::nullopt) << id << " " << language;
    }
}

TEST(StatusTexts, GetStatusRendersTheCurrentIdOrKeepsTheText) {
    ScopedLauncherState state;
    getStatus();  // messageId -1 at start: nothing to render
    EXPECT_EQ(state->g_msg, "");

    struct Step {
        int language;
        int id;
        int files_only_read;
        const char* expected;
    } steps[] = {
        {1, 4, 0, "All files were successfully updated!"},
        {0, 4, 0, "Все файлы успешно обновлены, приятной игры!"},
        {0, 7, 3, "Клиент не нуждается в обновлении. (3)"},
        {1, 7, 3, "Your patch is up to date."},
        {1, 16, 0, "Your patch is up to date."},  // unknown id: unchanged
        {2, 5, 0, "Your patch is up to date."},   // unknown language: unchanged
        {0, 5, 0, "Отмена"},
    };
    for (const Step& s : steps) {
        state->language = s.language;
        state->g_nFilesOnlyRead = s.files_only_read;
        setStatus(s.id);
        EXPECT_EQ(state->messageId, s.id);
        EXPECT_EQ(getLanguage(), s.language);
        getStatus();
        EXPECT_EQ(state->g_msg, s.expected) << s.id << " " << s.language;
    }
}

}  // namespace
}  // namespace kestrow::core
