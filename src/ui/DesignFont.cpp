#include "ui/DesignFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QString designFontFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char *wanted :
             {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "Arial", "DejaVu Sans"}) {
            QString name = QString::fromLatin1(wanted);
            if (installed.contains(name, Qt::CaseInsensitive))
                return name;
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

} // namespace

QFont designFont(int pixelHeight, bool bold)
{
    QFont font(designFontFamily());
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
