// The start-up update check of the main window: the version asked of the server, the news panel that
// shows its page and the new-version menu item.

#include "TFmain.h"

#include "Desktop.h"
#include "NewsView.h"
#include "UpdateCheck.h"
#include "VersionCheck.h"

#include <QAction>

bool TFmain::CheckForUpdate()
{
    // Without a configured server there is nothing to ask: the check ends as a failed one would, quietly.
    if (m_updateSettings.serverUrl.isEmpty())
        return false;
    WebBrowser2->setTimeout(m_updateSettings.timeoutMs);
    WebBrowser2->Navigate(m_updateSettings.serverUrl);
    const std::optional<QString> reply = UpdateCheck(m_updateSettings.serverUrl, m_updateSettings.timeoutMs).fetch();
    if (!reply)
        return false;
    m_serverVersion = serverVersionFromReply(*reply);
    Panel2->show();
    N8->setEnabled(true);
    return true;
}

bool TFmain::CompareVersion(const QString &version)
{
    if (!isNewerVersion(version, ProgramVersion))
        return false;
    N8->setVisible(true);
    return true;
}

void TFmain::N8Click()
{
    m_desktop.openUrl(m_updateSettings.downloadPage);
}

void TFmain::WebBrowser2DownloadComplete()
{
    // Every page needs its context menu switched off again; a load that found no server leaves no page.
    if (!WebBrowser2->disableContextMenu())
        m_desktop.showInformation(tr("Отсутствует доступ к интернет или программа заблокирована "
                                     "фаерволом. Пойск новой версии будет не доступен. "));
}
