#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The latest version text the update server gave in this run; empty until a check succeeded.
extern QString ServerVersion;

// The blocking GET of the start-up update check.
class UpdateCheck
{
  public:
    UpdateCheck(const QUrl &url, int timeoutMs);

    // Sends the request, without a proxy, and waits for the reply in a nested event loop, so pending events
    // are handled meanwhile. Returns the body as text, or nothing on any failure: no connection, an error
    // status, or no complete reply within the time-out.
    std::optional<QString> fetch() const;

  private:
    QUrl m_url;
    int m_timeoutMs;
};

// The text of an HTTP body: code page 1251 when the Content-Type or the page's own meta tag says so, UTF-8
// otherwise.
QString decodeReplyBody(const QByteArray &body, const QByteArray &contentType);
