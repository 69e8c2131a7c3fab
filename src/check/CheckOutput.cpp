#include "check/CatalogCheck.h"

#include "catalog/CatalogNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::check {

namespace {

QString severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error:
        return QStringLiteral("error");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Note:
        break;
    }
    return QStringLiteral("note");
}

// "1 error", "2 errors".
QString counted(qint64 count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QByteArray summaryLine(const Report &report)
{
    const Totals &t = report.totals;
    QString line = QStringLiteral("korvane-check: %1, %2, %3, %4, %5 checked: %6, %7, %8")
                       .arg(counted(t.models, "model", "models"), counted(t.parts, "part", "parts"),
                            counted(t.diagrams, "diagram", "diagrams"), counted(t.hotspots, "hotspot", "hotspots"),
                            counted(t.photos, "photo", "photos"), counted(t.errors, "error", "errors"),
                            counted(t.warnings, "warning", "warnings"),
                            counted(t.partsWithoutPhoto, "part without a photo", "parts without a photo"));
    if (t.partsWithoutPhoto > 0 && !report.listsPartsWithoutPhoto)
        line += QStringLiteral(" (listed with --verbose)");
    if (t.filesFixed > 0)
        line += QStringLiteral("; %1").arg(counted(t.filesFixed, "file fixed", "files fixed"));
    line += QStringLiteral("; %1 s\n").arg(report.seconds, 0, 'f', 2);
    return line.toUtf8();
}

QByteArray asText(const Report &report, const OutputOptions &options)
{
    QByteArray out;
    for (const Finding &finding : report.findings) {
        // The path in the file system's own bytes, so an editor opens it
        // whatever code page its name is in.
        out += finding.file;
        out += ':' + QByteArray::number(finding.line) + ": ";
        out += severityName(finding.severity).toUtf8() + ": " + finding.message.toUtf8() + '\n';
    }
    if (!options.quiet)
        out += summaryLine(report);
    return out;
}

QByteArray asJson(const Report &report, const OutputOptions &options)
{
    QJsonArray findings;
    for (const Finding &finding : report.findings) {
        findings.append(QJsonObject{{QStringLiteral("file"), nameOnDisk(finding.file)},
                                    {QStringLiteral("line"), finding.line},
                                    {QStringLiteral("severity"), severityName(finding.severity)},
                                    {QStringLiteral("message"), finding.message},
                                    {QStringLiteral("fixable"), finding.fixable}});
    }
    QJsonObject document{{QStringLiteral("findings"), findings}};
    if (!options.quiet) {
        const Totals &t = report.totals;
        document.insert(QStringLiteral("summary"),
                        QJsonObject{{QStringLiteral("models"), t.models},
                                    {QStringLiteral("parts"), t.parts},
                                    {QStringLiteral("diagrams"), t.diagrams},
                                    {QStringLiteral("hotspots"), t.hotspots},
                                    {QStringLiteral("photos"), t.photos},
                                    {QStringLiteral("errors"), t.errors},
                                    {QStringLiteral("warnings"), t.warnings},
                                    {QStringLiteral("partsWithoutPhoto"), t.partsWithoutPhoto},
                                    {QStringLiteral("filesFixed"), t.filesFixed},
                                    {QStringLiteral("seconds"), report.seconds}});
    }
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

} // namespace

QByteArray formatReport(const Report &report, const OutputOptions &options)
{
    return options.format == Format::Json ? asJson(report, options) : asText(report, options);
}

} // namespace korvane::check
