#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The blocking GET of the start-up update check.
class UpdateCheck
{
  public:
    // The start of a body that the version text must lie in; the rest is never read.
    static constexpr qint64 MaximumBodyBytes = 4096;

    UpdateCheck(const QUrl &url, int timeoutMs);

    // Sends the request, without a proxy, and waits for the reply in a nested event loop, so pending events
    // are handled meanwhile. Follows redirects within the server's origin only. Returns the body's first
    // MaximumBodyBytes as text, or nothing on any failure: no connection, a redirect elsewhere, an error
    // status, or neither a complete reply nor MaximumBodyBytes within the time-out.
    std::optional<QString> fetch() const;

  private:
    QUrl m_url;
    int m_timeoutMs;
};

// The text of an HTTP body: code page 1251 when the Content-Type or the page's own meta tag says so, UTF-8
// otherwise.
QString decodeReplyBody(const QByteArray &body, const QByteArray &contentType);
