// Loading a part list of 1,000,000 lines into the part list box, and the
// prefix search over it, each printed next to the time of merely reading the
// same file's bytes.
//
//   QT_QPA_PLATFORM=offscreen ./build/bench/bench_partlist

#include "BenchTiming.h"

#include "catalog/CatalogText.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace korvane;

namespace {

constexpr int kLines = 1'000'000;

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/big.txt");
    {
        QStringList lines;
        lines.reserve(kLines);
        for (int i = 0; i < kLines; ++i)
            lines.append(QStringLiteral("P%1 Деталь подвески номер %2, левая").arg(i, 7, 10, QLatin1Char('0')).arg(i));
        writeCatalogLines(path, lines);
    }

    const double readBytes = bestMilliseconds([&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        if (bytes.isEmpty())
            std::abort();
    });

    PartListBox list;
    list.setLineHeight(13);
    list.resize(393, 537);
    list.show();
    const double load = bestMilliseconds([&] {
        list.setLines(CatalogLines());
        list.setLines(readCatalogLines(path));
        list.repaint();
    });

    const double first = bestMilliseconds([&] { list.selectFirstLineStartingWith(QStringLiteral("p0000000")); });
    const double last = bestMilliseconds([&] { list.selectFirstLineStartingWith(QStringLiteral("p0999999")); });

    // The same lines as the entries of a drop-down (a huge manufacturer list),
    // its list opened and closed.
    EditableDropDown dropDown;
    dropDown.setEntryHeight(20);
    dropDown.resize(137, 28);
    dropDown.show();
    dropDown.setEntries(list.lines());
    const double popup = bestMilliseconds([&] {
        dropDown.showPopup();
        QCoreApplication::processEvents();
        dropDown.hidePopup();
    });

    std::printf("lines: %d, file: %lld bytes\n", list.lineCount(), static_cast<long long>(QFile(path).size()));
    std::printf("read the bytes only:            %8.1f ms\n", readBytes);
    std::printf("load into the list and paint:   %8.1f ms  (%.1f x reading)\n", load, load / readBytes);
    std::printf("prefix search, first line:      %8.3f ms  (%.3f x reading)\n", first, first / readBytes);
    std::printf("prefix search, last line:       %8.1f ms  (%.1f x reading)\n", last, last / readBytes);
    std::printf("open a drop-down of as many:    %8.1f ms\n", popup);
    return 0;
}
