#include "UpdateCheck.h"

#include "script/Cp1251.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace
{

bool namesCp1251(const QByteArray &text)
{
    const QByteArray lower = text.toLower();
    return lower.contains("windows-1251") || lower.contains("cp1251");
}

} // namespace

UpdateCheck::UpdateCheck(const QUrl &url, int timeoutMs) : m_url(url), m_timeoutMs(timeoutMs) {}

std::optional<QString> UpdateCheck::fetch() const
{
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(m_url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
    // The server's answer is taken from the server asked, not from wherever it points.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);

    QNetworkReply *const reply = network.get(request); // owned by `network`
    // Qt would otherwise buffer whatever the server sends, however much that is.
    reply->setReadBufferSize(MaximumBodyBytes);
    QByteArray body;
    const auto readBody = [reply, &body] { body += reply->read(MaximumBodyBytes - body.size()); };
    if (!reply->isFinished()) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
            readBody();
            if (body.size() >= MaximumBodyBytes)
                loop.quit();
        });
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(m_timeoutMs);
        loop.exec();
    }
    const bool enough = body.size() >= MaximumBodyBytes;
    if (!reply->isFinished() && !enough) {
        reply->abort();
        return std::nullopt;
    }
    if (reply->isFinished() && reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299)
        return std::nullopt;
    readBody();
    const QByteArray contentType = reply->rawHeader("Content-Type");
    if (!reply->isFinished())
        reply->abort(); // the rest of a long page is not needed
    return decodeReplyBody(body, contentType);
}

QString decodeReplyBody(const QByteArray &body, const QByteArray &contentType)
{
    // A page names its code page in a meta tag near its start.
    if (namesCp1251(contentType) || (!contentType.toLower().contains("charset") && namesCp1251(body.left(1024))))
        return fromCp1251(body);
    return QString::fromUtf8(body);
}
