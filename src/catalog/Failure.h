#pragma once

#include <QString>

#include <exception>

namespace korvane {

// A failure that ends the running handler. It carries exactly the text the
// user is shown; the error box adds the final "." by its own rule.
class Failure : public std::exception
{
public:
    explicit Failure(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) { }

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    static Failure cannotOpen(const QString &path) { return Failure(QStringLiteral("Cannot open file %1").arg(path)); }
    static Failure cannotCreate(const QString &path)
    {
        return Failure(QStringLiteral("Cannot create file %1").arg(path));
    }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace korvane
