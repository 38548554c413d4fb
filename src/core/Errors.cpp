#include "Errors.h"

ApplicationError::ApplicationError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

ConversionError::ConversionError(const QString &text)
    : ApplicationError(QStringLiteral("'%1' is not a valid integer value").arg(text))
{
}
