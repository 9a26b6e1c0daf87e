#include "sandbox/ProductPicture.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace varno::sandbox {

std::string productPictureBase64(ProductKind kind, BrandColours colours, int widthMm, int heightMm)
{
    // At most 480 × 360, keeping the product's proportions.
    const double scale = std::min(440.0 / std::max(widthMm, 1), 320.0 / std::max(heightMm, 1));
    const int width = std::max(40, static_cast<int>(widthMm * scale));
    const int height = std::max(40, static_cast<int>(heightMm * scale));
    QImage picture(width + 40, height + 40, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary(colours.primary);
    const QColor accent(colours.accent);
    const QRectF frame(20, 20, width, height);
    painter.setPen(QPen(primary, 8));
    painter.setBrush(QColor(225, 238, 248));
    painter.drawRect(frame);
    switch (kind) {
    case ProductKind::Window:
        painter.setPen(QPen(primary, 6));
        painter.drawLine(QPointF(frame.center().x(), frame.top()), QPointF(frame.center().x(), frame.bottom()));
        painter.setPen(QPen(accent, 3));
        painter.drawLine(frame.topLeft() + QPointF(12, 12),
                         frame.topLeft() + QPointF(frame.width() / 3, frame.height() / 3));
        break;
    case ProductKind::Door:
        painter.setBrush(accent.lighter(130));
        painter.drawRect(frame.adjusted(14, 14, -14, -14));
        painter.setBrush(primary);
        painter.drawEllipse(QPointF(frame.right() - 28, frame.center().y()), 6, 6);
        break;
    case ProductKind::Shutter:
        painter.setPen(QPen(primary.darker(120), 2));
        painter.setBrush(accent);
        for (int slat = 0; frame.top() + 6 + 14 * slat < frame.bottom() - 6; ++slat) {
            painter.drawRect(QRectF(frame.left() + 6, frame.top() + 6 + 14 * slat, frame.width() - 12, 10));
        }
        break;
    }
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png.toBase64().toStdString();
}

} // namespace varno::sandbox
