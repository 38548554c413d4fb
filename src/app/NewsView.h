#pragma once

#include <QByteArray>
#include <QPointer>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// A light embedded page view for the news strip: it fetches a page over HTTP itself, shows its HTML as rich
// text, runs no script, loads no further resources (no image, style sheet or file of any scheme) and offers
// no context menu. A page is read up to MaximumBodyBytes and shown without images and without tables nested
// more than three deep; a load ends at its time-out however the server trickles. The end of every load,
// successful or not, is reported by downloadComplete().
class NewsView : public QTextBrowser
{
    Q_OBJECT

  public:
    // Any page of this size costs the GUI thread well under 100 ms to lay out and draw (bench_news_view);
    // the cost of rich text grows faster than its size, and a strip 105 pixels high needs far less.
    static constexpr qint64 MaximumBodyBytes = qint64(8) * 1024;

    explicit NewsView(QWidget *parent = nullptr);

    // Starts loading `url`, dropping a load still in progress.
    void Navigate(const QUrl &url);
    // Bounds each load, from its start and while no byte arrives; a load that has not ended by then counts
    // as failed.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Switches the context menu off for the page shown. False when there is no page: the last load got no
    // answer from a server.
    bool disableContextMenu();
    bool hasPage() const { return m_hasPage; }
    QUrl url() const { return m_url; }

    // Shows the first MaximumBodyBytes of an HTTP body as the page.
    void showPage(const QByteArray &body, const QByteArray &contentType);

  signals:
    void downloadComplete();

  protected:
    QVariant loadResource(int type, const QUrl &name) override;

  private:
    void readBody();
    void loadFinished();
    void followLink(const QUrl &link);

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QTimer m_deadline;
    QUrl m_url;
    int m_timeoutMs = 10000;
    bool m_hasPage = false;
};
