#include "catalog/Failure.h"
#include "check/CatalogCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <exception>

// korvane-check [--format text|json] [--quiet] [--verbose] [--deep] [--fix] [DATA-FOLDER]
//
// Exit status: 0 without errors (warnings allowed), 1 with errors, 2 when the
// folder cannot be read, the options are wrong or the output cannot be written.

namespace {

constexpr int kUnusable = 2;

int refuse(const QString &message)
{
    std::fprintf(stderr, "korvane-check: %s\n", message.toLocal8Bit().constData());
    return kUnusable;
}

// What was printed must have reached its reader: a report cut short by a
// full disk is no report.
int printed(int status)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return refuse(QStringLiteral("cannot write the report"));
    return status;
}

// The help text is also the manual page's source: every option, the
// default folder and the exit statuses, under the program's own name.
QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    const qsizetype endOfUsage = text.indexOf(u'\n');
    text.replace(0, endOfUsage, QStringLiteral("Usage: korvane-check [options] [DATA-FOLDER]"));
    text += QStringLiteral("\n"
                           "Each finding says what is wrong in the catalog's terms, then how to mend it.\n"
                           "Without --fix nothing is ever written.\n"
                           "\n"
                           "Exit status:\n"
                           "  0  no errors (warnings and notes allowed)\n"
                           "  1  errors found\n"
                           "  2  the folder cannot be read or is not a folder named DATA, the options\n"
                           "     are wrong, or the output cannot be written\n");
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-check"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds every fault of a Korvane catalog, walking it as the browser reads it."));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("text (the default): one finding a line, FILE:LINE: SEVERITY: MESSAGE, as GCC writes them, "
                       "then a summary line. json: one JSON document with the same findings and the summary."),
        QStringLiteral("text|json"), QStringLiteral("text"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("The findings only, without the summary."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("List every part without a photo too; otherwise they are only "
                                                    "counted."));
    const QCommandLineOption deep(QStringLiteral("deep"),
                                  QStringLiteral("Decode the model pictures and part photos too; otherwise they are "
                                                 "only found and opened. Diagrams are always decoded."));
    const QCommandLineOption fix(
        QStringLiteral("fix"),
        QStringLiteral("Rewrite the texts whose mending is certain: remove a UTF-8 byte-order mark; convert a text "
                       "saved as UTF-8 to Windows-1251 when every character has a place there, line breaks kept. "
                       "Each file is replaced whole (written beside it, then renamed over it) and reported as a "
                       "note. Pictures, names, and texts that cannot be converted whole are never changed; a "
                       "symbolic link or a write-protected file is not written."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    parser.addOptions({format, quiet, verbose, deep, fix, help, version});
    parser.addPositionalArgument(
        QStringLiteral("DATA-FOLDER"),
        QStringLiteral("The catalog: a folder named DATA, in any letter case. Default: the DATA the program "
                       "reads, beside korvane-check in a build folder, else <prefix>/lib/korvane/DATA when it "
                       "runs from <prefix>/bin."),
        QStringLiteral("[DATA-FOLDER]"));

    if (!parser.parse(QCoreApplication::arguments()))
        return refuse(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(helpText(parser).toLocal8Bit().constData(), stdout);
        return printed(0);
    }
    if (parser.isSet(version)) {
        std::printf("korvane-check %s\n", KORVANE_VERSION);
        return printed(0);
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
    options.fix = parser.isSet(fix);
    const QString folder = folders.isEmpty()
                               ? korvane::check::defaultDataFolder(QCoreApplication::applicationFilePath())
                               : folders.constFirst();
    try {
        const korvane::check::Report report = korvane::check::checkCatalog(folder, options);
        const QByteArray out = korvane::check::formatReport(report, output);
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return printed(korvane::check::exitStatus(report));
    } catch (const korvane::Failure &failure) {
        return refuse(failure.message());
    } catch (const std::exception &failure) {
        // Out of memory, most likely: the catalog could not be checked.
        return refuse(QString::fromLocal8Bit(failure.what()));
    }
}
