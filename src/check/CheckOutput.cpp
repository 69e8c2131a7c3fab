#include "check/CatalogCheck.h"

#include "catalog/CatalogNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::check {

namespace {

QString severityName(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QByteArray summaryLine(const Report &report)
{
    const Totals &t = report.totals;
    QString line = QStringLiteral("korvane-check: %1 models, %2 parts, %3 diagrams, %4 hotspots, %5 photos checked: "
                                  "%6 errors, %7 warnings, %8 parts without a photo")
                       .arg(t.models)
                       .arg(t.parts)
                       .arg(t.diagrams)
                       .arg(t.hotspots)
                       .arg(t.photos)
                       .arg(t.errors)
                       .arg(t.warnings)
                       .arg(t.partsWithoutPhoto);
    if (t.partsWithoutPhoto > 0 && !report.listsPartsWithoutPhoto)
        line += QStringLiteral(" (listed with --verbose)");
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
                                    {QStringLiteral("message"), finding.message}});
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
