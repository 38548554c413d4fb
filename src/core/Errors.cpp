#include "Errors.h"

#include <new>

ApplicationError::ApplicationError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

namespace
{

// A cell may hold megabytes: the message shows the beginning of its text, enough to find the row by.
QString shownText(const QString &text)
{
    constexpr qsizetype MaximumCharacters = 64;
    if (text.size() <= MaximumCharacters)
        return text;
    qsizetype cut = MaximumCharacters;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

} // namespace

ConversionError::ConversionError(const QString &text)
    : ApplicationError(QStringLiteral("'%1' is not a valid integer value").arg(shownText(text)))
{
}

QString currentExceptionMessage()
{
    try {
        throw;
    } catch (const ApplicationError &error) {
        return error.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}
