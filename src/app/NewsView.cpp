#include "NewsView.h"

#include "UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace
{

// Laying out tables nested in tables costs QTextDocument time that grows exponentially with the depth; the
// table tags of deeper ones are left out, so their cells' content flows into the enclosing cell.
constexpr int MaximumTableDepth = 3;

// Images are never loaded, and a placeholder drawn at the size a page asks for costs as much as a picture.
bool isImageTag(QStringView name)
{
    return name.compare(u"img", Qt::CaseInsensitive) == 0;
}

bool isTablePartTag(QStringView name)
{
    for (const char16_t *part : {u"tr", u"td", u"th", u"tbody", u"thead", u"tfoot", u"caption", u"col", u"colgroup"}) {
        if (name.compare(QStringView(part), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The page without the tags that cost far more to lay out and draw than their bytes: images and deeply
// nested tables.
QString withoutCostlyTags(const QString &html)
{
    QString kept;
    kept.reserve(html.size());
    int depth = 0;
    qsizetype from = 0;
    while (from < html.size()) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), from);
        const qsizetype close = open < 0 ? -1 : html.indexOf(QLatin1Char('>'), open);
        if (close < 0) {
            kept += QStringView(html).mid(from);
            break;
        }
        kept += QStringView(html).mid(from, open - from);
        QStringView tag = QStringView(html).mid(open + 1, close - open - 1);
        const bool closing = tag.startsWith(QLatin1Char('/'));
        if (closing)
            tag = tag.mid(1);
        qsizetype length = 0;
        while (length < tag.size() && tag[length].isLetterOrNumber())
            ++length;
        const QStringView name = tag.left(length);
        bool keep = true;
        if (name.compare(u"table", Qt::CaseInsensitive) == 0) {
            if (!closing)
                ++depth;
            keep = depth <= MaximumTableDepth;
            if (closing && depth > 0)
                --depth;
        } else if ((depth > MaximumTableDepth && isTablePartTag(name)) || isImageTag(name)) {
            keep = false;
        }
        if (keep)
            kept += QStringView(html).mid(open, close - open + 1);
        from = close + 1;
    }
    return kept;
}

} // namespace

NewsView::NewsView(QWidget *parent) : QTextBrowser(parent), m_network(new QNetworkAccessManager(this))
{
    m_network->setProxy(QNetworkProxy::NoProxy);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFrameShape(QFrame::NoFrame);
    // Links are fetched here, not through QTextBrowser's own local-file loading.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &NewsView::followLink);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort(); // reports finished
    });
}

void NewsView::Navigate(const QUrl &url)
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    m_url = url;
    m_body.clear();
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network->get(request);
    // Qt would otherwise buffer whatever the server sends, however much that is.
    m_reply->setReadBufferSize(MaximumBodyBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &NewsView::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &NewsView::loadFinished);
    m_deadline.start(m_timeoutMs);
}

bool NewsView::disableContextMenu()
{
    if (!m_hasPage)
        return false;
    setContextMenuPolicy(Qt::NoContextMenu);
    return true;
}

void NewsView::showPage(const QByteArray &body, const QByteArray &contentType)
{
    setHtml(withoutCostlyTags(decodeReplyBody(body.left(MaximumBodyBytes), contentType)));
}

QVariant NewsView::loadResource(int type, const QUrl &name)
{
    // A news page may not make the program read local files or reach other hosts: images and style sheets
    // are left out. The value must not be null, or QTextDocument falls back to opening `name` as a file.
    Q_UNUSED(type);
    Q_UNUSED(name);
    return QVariant(QByteArray());
}

void NewsView::readBody()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(MaximumBodyBytes - m_body.size());
    if (m_body.size() >= MaximumBodyBytes)
        m_reply->abort(); // the rest is not shown; abort reports finished
}

void NewsView::loadFinished()
{
    QNetworkReply *const reply = m_reply;
    m_reply = nullptr;
    m_deadline.stop();
    reply->deleteLater();
    // Any answer of a server, an error page among them, is a page; no answer leaves none.
    m_hasPage = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (m_hasPage) {
        m_url = reply->url(); // where a redirect led, for resolving the page's links
        m_body += reply->read(MaximumBodyBytes - m_body.size());
        showPage(m_body, reply->rawHeader("Content-Type"));
    } else {
        clear();
    }
    m_body.clear();
    emit downloadComplete();
}

void NewsView::followLink(const QUrl &link)
{
    const QUrl target = m_url.resolved(link);
    if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https"))
        Navigate(target);
}
