#pragma once
// The skin's PNG pictures, held as Qt resources under :/skin and found by
// name without regard to letter case ("MainRu" and "mainru" are the same).

#include <QIcon>
#include <QPixmap>
#include <QString>

#include "platform/error.h"

namespace kestrow::ui {

using Error = platform::Error;
KESTROW_DECLARE_ERROR(SkinResourceError, Error);

// The picture of a resource name; throws SkinResourceError when no resource
// has that name.
QPixmap SkinPicture(const QString& name);
bool HasSkinPicture(const QString& name);

// The launcher's window icon.
QIcon AppIcon();

}  // namespace kestrow::ui
