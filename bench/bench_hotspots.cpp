// One press on a diagram with 10,000 hotspots against a part list of
// 1,000,000 lines, next to one prefix search over the whole list.
//
//   QT_QPA_PLATFORM=offscreen ./build/bench/bench_hotspots

#include "BenchTiming.h"

#include "../tests/TestCatalog.h"

#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/PartListBox.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kLines = 1'000'000;
constexpr int kHotspots = 10'000;

// The process's resident set, from /proc.
long long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("XRAY")});
    QStringList hotspots;
    for (int i = 0; i < kHotspots; ++i)
        hotspots.append(QStringLiteral("P%1=%2-%3")
                            .arg(i * 97 % kLines, 7, 10, QLatin1Char('0'))
                            .arg(i % 100 * 40 + 20)
                            .arg(i / 100 * 20 + 10));
    catalog.writeLines(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/View.met"), hotspots);
    catalog.writeBmp(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/View.bmp"), 600, 440, Qt::white);
    korvane::setErrorBoxRecorder(
        [](const QString &text) { std::fprintf(stderr, "error box: %s\n", qPrintable(text)); });

    TForm1 form;
    form.show();
    QStringList lines;
    lines.reserve(kLines);
    for (int i = 0; i < kLines; ++i)
        lines.append(QStringLiteral("P%1 Деталь номер %2").arg(i, 7, 10, QLatin1Char('0')).arg(i));
    form.fl1->setLines(lines);
    form.Manufacturer->setText(QStringLiteral("XRAY"));
    form.Model->setText(QStringLiteral("T4"));
    form.exview->setText(QStringLiteral("View"));
    form.exviewChange();

    // A press on one hotspot of the grid: every row is converted and tested,
    // the list is searched for the text before and after the hit.
    const double press = bestMilliseconds([&] {
        form.savnam->setText(QStringLiteral("savename"));
        form.logoMouseDown(Qt::LeftButton, {}, 303, 92);
    });
    const QString hit = form.savnam->text();
    const double search = bestMilliseconds([&] { form.SelectPartByPrefix(QStringLiteral("P9999999")); });

    std::printf("hotspots: %d, part lines: %d, name after the press: %s\n", HotspotCount, form.fl1->lineCount(),
                qPrintable(hit));
    std::printf("one full prefix search:  %8.1f ms\n", search);
    std::printf("one press on the diagram: %8.1f ms  (%.1f x one search)\n", press, press / search);

    // A hotspot file of 50 MB in the shortest lines there are: what choosing
    // its view costs, in time and in memory.
    catalog.writeBytes(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/Huge.met"),
                       QByteArray("A=1-2\r\n").repeated(50 * 1024 * 1024 / 7));
    catalog.writeBmp(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/Huge.bmp"), 8, 8, Qt::white);
    form.exview->setText(QStringLiteral("Huge"));
    const long long before = residentKilobytes();
    QElapsedTimer timer;
    timer.start();
    form.exviewChange();
    const double load = double(timer.nsecsElapsed()) / 1e6;
    std::printf("50 MB hotspot file, %d lines: loaded in %.0f ms, resident memory +%lld MB\n", HotspotCount, load,
                (residentKilobytes() - before) / 1024);
    return 0;
}
