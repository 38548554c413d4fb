#pragma once

#include <QString>

#include <exception>

// The text a failure is shown with, for the exception being handled: our own errors with their message, "Out
// of memory", a standard exception's what(), or "Unknown exception". Call only inside a catch block.
QString currentExceptionMessage();

// A failure that ends the command in progress and is shown by the application-wide handler.
class ApplicationError : public std::exception
{
  public:
    explicit ApplicationError(QString message);
    const QString &message() const { return m_message; }
    // The error box's title; empty: the application's title.
    const QString &title() const { return m_title; }
    void setTitle(QString title) { m_title = std::move(title); }
    const char *what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_message;
    QString m_title;
    QByteArray m_utf8;
};

// Text that is not a valid 32-bit integer: "'%s' is not a valid integer value", with at most 64 characters of
// the text, then "…".
class ConversionError : public ApplicationError
{
  public:
    explicit ConversionError(const QString &text);
};

// A file that cannot be created, opened, read or written.
class FileError : public ApplicationError
{
  public:
    explicit FileError(QString message) : ApplicationError(std::move(message)) {}
};
