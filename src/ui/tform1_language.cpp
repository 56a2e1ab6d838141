// The language switch: status line, labels, list items and skin pictures.
#include <array>

#include "core/launcher_state.h"
#include "core/status_texts.h"
#include "shell/local_settings.h"
#include "ui/skin_resources.h"
#include "ui/tform1.h"

namespace kestrow::ui {
namespace {

struct LanguageTexts {
    const char* text_file;
    const char* total_file;
    const char* patch_item0;
    const char* patch_item1;
};
constexpr LanguageTexts kRussianTexts{"Файл", "Общий", "Новый патч IL", "Старый патч IL"};
constexpr LanguageTexts kEnglishTexts{"File", "Total", "New Patch IL", "Old Patch IL"};

struct LanguageImage {
    SkinImage* TForm1::*control;
    const char* russian;
    const char* english;
};
// In the order they are loaded.
constexpr std::array<LanguageImage, 24> kLanguageImages = {{
    {&TForm1::START_ON, "StartGameOnRu", "StartGameOnEng"},
    {&TForm1::START_PRESS, "StartGamePressRu", "StartGamePressEng"},
    {&TForm1::START_BLOCK, "StartGameBlockRu", "StartGameBlockEng"},
    {&TForm1::START_GAME, "StartGamePressRu", "StartGamePressEng"},
    {&TForm1::START_ON_HF, "StartGameOnEngHF", "StartGameOnEngHF"},
    {&TForm1::START_PRESS_HF, "StartGamePressEngHF", "StartGamePressEngHF"},
    {&TForm1::START_BLOCK_HF, "StartGameBlockEngHF", "StartGameBlockEngHF"},
    {&TForm1::START_GAME_HF, "StartGamePressEngHF", "StartGamePressEngHF"},
    {&TForm1::UPDATE_BLOCK, "UpdateBlockRu", "UpdateBlockEng"},
    {&TForm1::UPDATE_ON, "UpdateOnRu", "UpdateOnEng"},
    {&TForm1::UPDATE_PRESS, "UpdatePressRu", "UpdatePressEng"},
    {&TForm1::UPDATE_BLOCK_CLIENT, "UpdateBlockRu_Client", "UpdateBlockEng_Client"},
    {&TForm1::UPDATE_ON_CLIENT, "UpdateOnRu_Client", "UpdateOnEng_Client"},
    {&TForm1::UPDATE_PRESS_CLIENT, "UpdatePressRu_Client", "UpdatePressEng_Client"},
    {&TForm1::CANCEL_BLOCK, "CancelBlockRu", "CancelBlockEng"},
    {&TForm1::CANCEL_ON, "CancelOnRu", "CancelOnEng"},
    {&TForm1::CANCEL_PRESS, "CancelPressRu", "CancelPressEng"},
    {&TForm1::SITE_ON, "SiteOnRu", "SiteOnEng"},
    {&TForm1::SITE_PRESS, "SitePressRu", "SitePressEng"},
    {&TForm1::FORUM_ON, "ForumOnRu", "ForumOnEng"},
    {&TForm1::FORUM_PRESS, "ForumPressRu", "ForumPressEng"},
    {&TForm1::REG_ON, "RegOnRu", "RegOnEN"},
    {&TForm1::REG_PRESS, "RegPressRu", "RegPressEN"},
    {&TForm1::MAIN_FORM, "MainRu", "MainEng"},
}};

}  // namespace

void TForm1::LoadLanguageImages(int lang) {
    for (const LanguageImage& entry : kLanguageImages) {
        const char* name = lang == core::kLanguageRussian ? entry.russian : entry.english;
        LoadImageResource(this->*entry.control, QString::fromLatin1(name));
    }
}

void TForm1::ApplyLanguageTexts(int lang) {
    const LanguageTexts& texts = lang == core::kLanguageRussian ? kRussianTexts : kEnglishTexts;
    TextFile->SetText(QString::fromUtf8(texts.text_file));
    TotalFile->SetText(QString::fromUtf8(texts.total_file));
    // Only items the list has are renamed; the selection stays.
    if (cbSelectPatch->count() > 0)
        cbSelectPatch->setItemText(0, QString::fromUtf8(texts.patch_item0));
    if (cbSelectPatch->count() > 1)
        cbSelectPatch->setItemText(1, QString::fromUtf8(texts.patch_item1));
}

void TForm1::setLanguage(int lang) {
    State().language = lang;
    shell::WriteSettingInt(shell::kSectionSettings, shell::kValueLanguage, lang);
    if (lang == core::kLanguageRussian || lang == core::kLanguageEnglish) {
        RUS->setEnabled(lang != core::kLanguageRussian);
        ENG->setEnabled(lang != core::kLanguageEnglish);
        ApplyLanguageTexts(lang);
        LoadLanguageImages(lang);
    }
    ResetButtonOverlays();
    core::getStatus();
    ShowStatusText(QString::fromStdString(State().g_msg));
}

void TForm1::ShowStatusText(const QString& AText) {
    STATUS->SetText(AText);
}

void TForm1::UpdateStatus(int nIDMsg) {
    core::setStatus(nIDMsg);
    core::getStatus();
    ShowStatusText(QString::fromStdString(State().g_msg));
}

}  // namespace kestrow::ui
