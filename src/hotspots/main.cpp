#include "hotspots/HotspotWindow.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>
#include <optional>

// korvane-hotspots [DIAGRAM]: places the hotspots of a diagram by pointing.
//
// Exit status: 0, or 2 when the options are wrong.

namespace {

constexpr int kWrongOptions = 2;

struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version.")};
};

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Places the hotspots of a Korvane catalog's exploded-view diagram by pointing at them, "
                       "and saves the diagram's hotspot file (.met) beside it. Inside a catalog "
                       "(DATA/<manufacturer>/<model>/Parts/EXPLODED/<view>.bmp) the model's part codes are "
                       "offered as names."));
    parser.addOptions({options.help, options.version});
    parser.addPositionalArgument(
        QStringLiteral("DIAGRAM"),
        QStringLiteral("The diagram (.bmp) to open; its hotspot file is the .met of the same name beside it."),
        QStringLiteral("[DIAGRAM]"));
}

void setIdentity()
{
    QCoreApplication::setApplicationName(QString::fromLatin1(korvane::hotspots::kProgramName));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
}

// --help and --version are answered before the toolkit connects to a
// display, so that they work where there is none.
std::optional<int> answerWithoutDisplay(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    setIdentity();
    QCommandLineParser parser;
    const Options options;
    describe(parser, options);
    // Options of the toolkit's own (-platform, -style) are not known here;
    // they are taken out once the toolkit has started.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(options.help)) {
        // Under the program's own name, as its manual page has it, not the
        // path it was started by.
        QString text = parser.helpText();
        text.replace(
            0, text.indexOf(u'\n'),
            QStringLiteral("Usage: %1 [options] [DIAGRAM]").arg(QLatin1String(korvane::hotspots::kProgramName)));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(options.version)) {
        std::printf("%s %s\n", korvane::hotspots::kProgramName, KORVANE_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    if (const std::optional<int> answered = answerWithoutDisplay(argc, argv))
        return *answered;
    // A save past the file size limit fails like any other failed write.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    setIdentity();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvane.Korvane.Hotspots"));
    QCommandLineParser parser;
    const Options options;
    describe(parser, options);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s\n", korvane::hotspots::kProgramName, parser.errorText().toLocal8Bit().constData());
        return kWrongOptions;
    }
    const QStringList diagrams = parser.positionalArguments();
    if (diagrams.size() > 1) {
        std::fprintf(stderr, "%s: one diagram at a time\n", korvane::hotspots::kProgramName);
        return kWrongOptions;
    }

    korvane::hotspots::HotspotWindow window;
    window.show();
    if (!diagrams.isEmpty())
        window.openDiagram(diagrams.constFirst());
    return QApplication::exec();
}
