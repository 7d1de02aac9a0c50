#pragma once
// Icons and pictures drawn as SVG in res/, rendered without relying on an image plug-in.
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace korvelo {

QPixmap svgPixmap(const QString& resource, QSize size);
QIcon svgIcon(const QString& resource);

} // namespace korvelo
