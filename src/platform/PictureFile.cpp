#include "platform/PictureFile.h"

#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "platform/BmpDecoder.h"
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

namespace {

Failure unknownExtension(const QString &path)
{
    return Failure(QStringLiteral("Unknown picture file extension (.%1)").arg(Failure::quoted(pictureExtension(path))));
}

quint32 little32(const QByteArray &bytes, qsizetype at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uchar(bytes.at(at + i));
    return value;
}

quint16 little16(const QByteArray &bytes, qsizetype at)
{
    return quint16(uchar(bytes.at(at)) | (uchar(bytes.at(at + 1)) << 8));
}

// An enhanced metafile starts with its header record (type 1) whose
// signature " EMF" sits at byte 40.
bool looksLikeEnhancedMetafile(const QByteArray &bytes)
{
    return bytes.size() >= 88 && little32(bytes, 0) == 1 && little32(bytes, 40) == 0x464D4520
           && little32(bytes, 4) >= 88 && little32(bytes, 4) <= quint32(bytes.size());
}

// A Windows metafile starts either with the placeable header (key
// 0x9AC6CDD7, 22 bytes) or directly with its own 18-byte header: type 1 or 2,
// header size 9 words, version 0x0100 or 0x0300.
bool looksLikeMetafile(const QByteArray &bytes)
{
    qsizetype at = 0;
    if (bytes.size() >= 4 && little32(bytes, 0) == 0x9AC6CDD7u)
        at = 22;
    if (bytes.size() < at + 18)
        return false;
    const quint16 type = little16(bytes, at);
    const quint16 headerWords = little16(bytes, at + 2);
    const quint16 version = little16(bytes, at + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

QImage decodeIcon(const QByteArray &bytes)
{
    // Icons are small and rare here; the toolkit's own icon reader draws them.
    // An icon directory starts with 0, then type 1.
    if (bytes.size() < 6 || little16(bytes, 0) != 0 || little16(bytes, 2) != 1 || little16(bytes, 4) == 0)
        throw Failure(QStringLiteral("Icon image is not valid"));
    QImage image;
    if (!image.loadFromData(bytes, "ICO"))
        throw Failure(QStringLiteral("Icon image is not valid"));
    return image;
}

} // namespace

LoadedPicture loadEditorPicture(const QString &pickedPath)
{
    // The dialog names the file as this machine does, "\" and all.
    const ComposedPath path(pickedPath, QString());
    const QString extension = pictureExtension(pickedPath).toLower();
    LoadedPicture picture;
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) {
        picture.kind = LoadedPicture::Kind::Jpeg;
        picture.bytes = readCatalogFile(path);
        picture.image = decodeJpeg(picture.bytes);
    } else if (extension == QLatin1String("bmp")) {
        picture.kind = LoadedPicture::Kind::Bitmap;
        picture.bytes = readCatalogFile(path);
        picture.image = decodeBmp(picture.bytes);
    } else if (extension == QLatin1String("ico")) {
        picture.kind = LoadedPicture::Kind::Icon;
        picture.bytes = readCatalogFile(path);
        picture.image = decodeIcon(picture.bytes);
    } else if (extension == QLatin1String("emf") || extension == QLatin1String("wmf")) {
        const bool enhanced = extension == QLatin1String("emf");
        picture.kind = enhanced ? LoadedPicture::Kind::EnhancedMetafile : LoadedPicture::Kind::Metafile;
        picture.bytes = readCatalogFile(path);
        // No metafile renderer is at hand: the picture is checked and kept, to
        // be saved as it came, but not drawn.
        if (!(enhanced ? looksLikeEnhancedMetafile(picture.bytes) : looksLikeMetafile(picture.bytes)))
            throw Failure(QStringLiteral("Metafile is not valid"));
    } else {
        throw unknownExtension(pickedPath);
    }
    return picture;
}

namespace {

enum class CatalogPicture { Jpeg, Bitmap };

// The decoder a catalog picture's name chooses; the name alone decides, so
// an unknown one is refused before anything is looked up.
CatalogPicture catalogPictureKind(const ComposedPath &path)
{
    const QString extension = pictureExtension(path.text()).toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return CatalogPicture::Jpeg;
    if (extension == QLatin1String("bmp"))
        return CatalogPicture::Bitmap;
    throw unknownExtension(path.text());
}

QImage decodeCatalogPicture(CatalogPicture kind, const CatalogFile &file)
{
    return kind == CatalogPicture::Jpeg ? decodeJpeg(readCatalogFile(file)) : decodeBmp(readCatalogFile(file));
}

} // namespace

QImage loadPictureFile(const CatalogFile &file)
{
    return decodeCatalogPicture(catalogPictureKind(file.composed), file);
}

QImage loadPictureFile(const ComposedPath &path)
{
    const CatalogPicture kind = catalogPictureKind(path);
    return decodeCatalogPicture(kind, locateCatalogFile(path));
}

} // namespace korvane
