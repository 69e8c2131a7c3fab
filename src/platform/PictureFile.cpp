#include "platform/PictureFile.h"

#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "platform/JpegDecoder.h"

namespace korvane {

QString pictureExtension(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (dot < 0 || dot < separator)
        return QString();
    return path.mid(dot + 1);
}

QImage loadPictureFile(const QString &path)
{
    const QString extension = pictureExtension(path).toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return decodeJpeg(readCatalogFile(path));
    throw Failure(QStringLiteral("Unknown picture file extension (.%1)").arg(pictureExtension(path)));
}

} // namespace korvane
