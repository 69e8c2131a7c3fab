#include "catalog/Failure.h"
#include "check/CatalogCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <exception>

// korvane-check [--format text|json] [--quiet] [--verbose] [--deep] [DATA-FOLDER]
//
// Exit status: 0 without errors (warnings allowed), 1 with errors, 2 when the
// folder cannot be read or the options are wrong.

namespace {

constexpr int kUnusable = 2;

int refuse(const QString &message)
{
    std::fprintf(stderr, "korvane-check: %s\n", message.toLocal8Bit().constData());
    return kUnusable;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-check"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds every fault of a Korvane catalog, walking it as the browser reads it.\n"
                       "Exit status: 0 no errors, 1 errors found, 2 folder unreadable or options wrong."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("text (file:line: severity: message) or json."),
                                    QStringLiteral("text|json"), QStringLiteral("text"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Findings only, no summary."));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("List the parts without a photo too."));
    const QCommandLineOption deep(QStringLiteral("deep"),
                                  QStringLiteral("Decode model pictures and part photos, not only open them."));
    parser.addOptions({help, format, quiet, verbose, deep});
    parser.addPositionalArgument(QStringLiteral("DATA-FOLDER"),
                                 QStringLiteral("The catalog (default: the DATA the installed program reads)."),
                                 QStringLiteral("[DATA-FOLDER]"));

    if (!parser.parse(QCoreApplication::arguments()))
        return refuse(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    korvane::check::OutputOptions output;
    const QString formatName = parser.value(format);
    if (formatName == QLatin1String("json"))
        output.format = korvane::check::Format::Json;
    else if (formatName != QLatin1String("text"))
        return refuse(QStringLiteral("unknown format '%1': text or json").arg(formatName));
    output.quiet = parser.isSet(quiet);
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1)
        return refuse(QStringLiteral("one catalog folder at a time"));

    korvane::check::Options options;
    options.deep = parser.isSet(deep);
    options.listPartsWithoutPhoto = parser.isSet(verbose);
    const QString folder = folders.isEmpty()
                               ? korvane::check::defaultDataFolder(QCoreApplication::applicationFilePath())
                               : folders.constFirst();
    try {
        const korvane::check::Report report = korvane::check::checkCatalog(folder, options);
        const QByteArray out = korvane::check::formatReport(report, output);
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return korvane::check::exitStatus(report);
    } catch (const korvane::Failure &failure) {
        return refuse(failure.message());
    } catch (const std::exception &failure) {
        // Out of memory, most likely: the catalog could not be checked.
        return refuse(QString::fromLocal8Bit(failure.what()));
    }
}
