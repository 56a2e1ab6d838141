#include "ui/skin_resources.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>

namespace kestrow::ui {
namespace {

// Lower-cased base name -> resource path, built once from what :/skin holds.
const QHash<QString, QString>& SkinIndex() {
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> names;
        QDirIterator it(QStringLiteral(":/skin"), {QStringLiteral("*.png")}, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            names.insert(QFileInfo(path).completeBaseName().toLower(), path);
        }
        return names;
    }();
    return index;
}

}  // namespace

QIcon AppIcon() {
    return QIcon(SkinPicture(QStringLiteral("AppIcon")));
}

bool HasSkinPicture(const QString& name) {
    return SkinIndex().contains(name.toLower());
}

QPixmap SkinPicture(const QString& name) {
    const auto found = SkinIndex().constFind(name.toLower());
    QPixmap picture;
    if (found == SkinIndex().constEnd() || !picture.load(found.value(), "PNG"))
        throw SkinResourceError("Resource " + name.toStdString() + " not found");
    return picture;
}

}  // namespace kestrow::ui
