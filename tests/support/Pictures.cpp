#include "tests/support/Pictures.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace varno::test {

std::string encodedPicture(const char* format, QSize size, bool transparent)
{
    QImage picture(size, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    picture.fill(transparent ? Qt::transparent : Qt::yellow);
    QPainter painter(&picture);
    painter.fillRect(0, 0, size.width() / 2, size.height() / 2, Qt::darkBlue);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes.toBase64().toStdString();
}

} // namespace varno::test
