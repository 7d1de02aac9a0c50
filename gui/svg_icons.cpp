#include "gui/svg_icons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace korvelo {

QPixmap svgPixmap(const QString& resource, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    return pixmap;
}

QIcon svgIcon(const QString& resource) {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(svgPixmap(resource, QSize(side, side)));
    return icon;
}

} // namespace korvelo
