// What the skin looks like where a player would notice a flaw: faces centred
// in their buttons, the patch list's entries and arrow, the window's shape
// and icon, message boxes in the skin's colours.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QImage>
#include <QString>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cstdlib>

#include "core/status_texts.h"
#include "main_window_fixture.h"
#include "ui/skin_colours.h"
#include "ui/skin_message_box.h"
#include "ui/skin_resources.h"

namespace kestrow::ui::test {
namespace {

using kestrow::test::LightGreyShare;

// Columns holding the face's drawing (glyph and caption): light or gold
// pixels, away from the button's edge and its top highlight.
struct Ink {
    int left = -1, right = -1;
};
Ink InkedColumns(const QImage& image) {
    Ink ink;
    for (int x = 4; x < image.width() - 4; ++x) {
        for (int y = 5; y < image.height() - 5; ++y) {
            const QColor c = image.pixelColor(x, y);
            if (std::max({c.red(), c.green(), c.blue()}) > 90) {
                if (ink.left < 0)
                    ink.left = x;
                ink.right = x;
                break;
            }
        }
    }
    return ink;
}

TEST(SkinPictures, CommandButtonFacesSitInTheMiddleClearOfTheEdges) {
    // <command><face><language>[_Client]
    for (const char* command : {"Update%1%2", "Update%1%2_Client", "Cancel%1%2"}) {
        for (const char* face : {"On", "Press", "Block"}) {
            for (const char* language : {"Ru", "Eng"}) {
                const QString name = QString::fromLatin1(command).arg(
                    QString::fromLatin1(face), QString::fromLatin1(language));
                SCOPED_TRACE(name.toStdString());
                const QImage image = SkinPicture(name).toImage();
                const Ink ink = InkedColumns(image);
                ASSERT_GE(ink.left, 0);
                const int left = ink.left, right = image.width() - 1 - ink.right;
                EXPECT_LE(std::abs(left - right), 2) << left << " | " << right;
                EXPECT_GE(std::min(left, right), 7) << left << " | " << right;
            }
        }
    }
}

using Skin = MainWindowTest;

TEST_F(Skin, PatchListShowsWholeEntriesAnArrowAndCutsOnlyWhatCannotFit) {
    PatchSelector* list = form->cbSelectPatch;
    for (int language : {core::kLanguageRussian, core::kLanguageEnglish}) {
        form->setLanguage(language);
        for (int i = 0; i < list->count(); ++i) {
            list->setCurrentIndex(i);
            EXPECT_TRUE(list->ShownText() == list->itemText(i)) << list->ShownText().toStdString();
        }
    }
    // The open list is wide enough for every entry.
    list->showPopup();
    const QFontMetrics metrics(list->view()->font());
    for (int i = 0; i < list->count(); ++i)
        EXPECT_GE(list->view()->viewport()->width(), metrics.horizontalAdvance(list->itemText(i)));
    list->hidePopup();

    const QString long_text = QString::fromUtf8("Очень длинное название патча IL");
    list->setItemText(list->currentIndex(), long_text);
    EXPECT_TRUE(list->ShownText().endsWith(QChar(0x2026))) << list->ShownText().toStdString();
    EXPECT_TRUE(long_text.startsWith(list->ShownText().chopped(1)));

    // The arrow: light pixels on the dark field where the style puts it.
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect arrow =
        list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, list);
    const QImage image = list->grab().toImage();
    int light = 0;
    for (int x = arrow.left(); x <= arrow.right(); ++x)
        for (int y = arrow.top(); y <= arrow.bottom(); ++y)
            light += qGray(image.pixel(x, y)) > 150;
    EXPECT_GE(light, 6);
}

TEST_F(Skin, WindowIsCutToItsRoundedShapeAndHasAnIcon) {
    const QRegion shape = form->mask();
    for (QPoint corner : {QPoint(0, 0), QPoint(654, 0), QPoint(0, 419), QPoint(654, 419)})
        EXPECT_FALSE(shape.contains(corner)) << corner.x() << "," << corner.y();
    for (QPoint inside : {QPoint(327, 210), QPoint(16, 16), QPoint(638, 403), QPoint(327, 1)})
        EXPECT_TRUE(shape.contains(inside)) << inside.x() << "," << inside.y();
    EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(Skin, MessageBoxesWearTheSkin) {
    auto box = MakeSkinMessageBox(form.get(), QString::fromUtf8("Программа уже запущена!"));
    box->show();
    EXPECT_EQ(box->windowTitle(), "Updater Brenholt");
    EXPECT_LT(LightGreyShare(box->grab().toImage()), 0.02);
    EXPECT_LT(LightGreyShare(box->button(QMessageBox::Ok)->grab().toImage()), 0.02);
}

}  // namespace
}  // namespace kestrow::ui::test
