#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// A light embedded page view for the news strip: it fetches a page over HTTP itself, shows its HTML as rich
// text, runs no script, loads no further resources and offers no context menu. The end of every load,
// successful or not, is reported by downloadComplete().
class NewsView : public QTextBrowser
{
    Q_OBJECT

  public:
    explicit NewsView(QWidget *parent = nullptr);

    // Starts loading `url`, dropping a load still in progress.
    void Navigate(const QUrl &url);
    // Bounds each load; a load that has not ended by then counts as failed.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Switches the context menu off for the page shown. False when there is no page: the last load got no
    // answer from a server.
    bool disableContextMenu();
    bool hasPage() const { return m_hasPage; }
    QUrl url() const { return m_url; }

  signals:
    void downloadComplete();

  protected:
    QVariant loadResource(int type, const QUrl &name) override;

  private:
    void loadFinished();
    void followLink(const QUrl &link);

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    int m_timeoutMs = 10000;
    bool m_hasPage = false;
};
