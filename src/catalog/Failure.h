#pragma once

#include <QString>

#include <exception>

namespace korvane {

// A failure that ends the running handler. It carries exactly the text the
// user is shown; the error box adds the final "." by its own rule.
class Failure : public std::exception
{
public:
    explicit Failure(QString message, QString detail = QString())
        : m_message(std::move(message)), m_detail(std::move(detail)), m_utf8(m_message.toUtf8())
    {
    }

    const QString &message() const noexcept { return m_message; }
    // What lies behind the message, for someone who can mend the file: which
    // field of a picture is wrong and why. The window shows the message
    // alone, as it always has; the catalog checker shows both.
    const QString &detail() const noexcept { return m_detail; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    // A value or path quoted in a message is shown whole up to this many
    // characters; a longer one (a coordinate of a hundred megabytes of
    // digits, say) is shortened in its middle, so the box lays out at once.
    static constexpr qsizetype kQuotedCapacity = 300;
    static QString quoted(QStringView value)
    {
        if (value.size() <= kQuotedCapacity)
            return value.toString();
        const qsizetype half = (kQuotedCapacity - 1) / 2;
        return value.left(half).toString() + QChar(0x2026) + value.right(half).toString();
    }

    static Failure cannotOpen(const QString &path)
    {
        return Failure(QStringLiteral("Cannot open file %1").arg(quoted(path)));
    }
    static Failure outOfMemoryReading(const QString &path)
    {
        return Failure(QStringLiteral("Out of memory reading file %1").arg(quoted(path)));
    }
    static Failure cannotCreate(const QString &path)
    {
        return Failure(QStringLiteral("Cannot create file %1").arg(quoted(path)));
    }

private:
    QString m_message;
    QString m_detail;
    QByteArray m_utf8;
};

} // namespace korvane
