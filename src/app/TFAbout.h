#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QUrl;

// The About window: created hidden at start-up, shown by the tray menu, hidden again when closed. Its two
// link labels open the web site and a new mail to the support address.
class TFAbout : public QWidget
{
    Q_OBJECT

  public:
    explicit TFAbout(QWidget *parent = nullptr);

    QLabel *Image1;
    QLabel *Label1;  // product name
    QLabel *version; // short version
    QLabel *Label2;  // web site link
    QLabel *Label3;  // support mail link
    QLabel *Cop;     // notice along the bottom edge

    void Label2Click();
    void Label2MouseMove();
    void Label2MouseLeave();
    void Label3Click();
    void Label3MouseMove();
    void Label3MouseLeave();

    // Opens a web page or a mail link in the desktop's programs; tests replace it.
    std::function<void(const QUrl &url)> openUrl;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    QLabel *addLink(const QString &text, QPoint place);

    QString m_webSite;
    QString m_supportMail;
    bool m_placed = false;
};
