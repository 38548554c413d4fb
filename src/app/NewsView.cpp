#include "NewsView.h"

#include "UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

NewsView::NewsView(QWidget *parent) : QTextBrowser(parent), m_network(new QNetworkAccessManager(this))
{
    m_network->setProxy(QNetworkProxy::NoProxy);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFrameShape(QFrame::NoFrame);
    // Links are fetched here, not through QTextBrowser's own local-file loading.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &NewsView::followLink);
}

void NewsView::Navigate(const QUrl &url)
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    m_url = url;
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &NewsView::loadFinished);
}

bool NewsView::disableContextMenu()
{
    if (!m_hasPage)
        return false;
    setContextMenuPolicy(Qt::NoContextMenu);
    return true;
}

QVariant NewsView::loadResource(int type, const QUrl &name)
{
    // A news page may not make the program read local files or reach other hosts: images and style sheets
    // are left out.
    Q_UNUSED(type);
    Q_UNUSED(name);
    return QVariant();
}

void NewsView::loadFinished()
{
    QNetworkReply *const reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    // Any answer of a server, an error page among them, is a page; no answer leaves none.
    m_hasPage = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (m_hasPage) {
        m_url = reply->url(); // where a redirect led, for resolving the page's links
        setHtml(decodeReplyBody(reply->readAll(), reply->rawHeader("Content-Type")));
    } else {
        clear();
    }
    emit downloadComplete();
}

void NewsView::followLink(const QUrl &link)
{
    const QUrl target = m_url.resolved(link);
    if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https"))
        Navigate(target);
}
