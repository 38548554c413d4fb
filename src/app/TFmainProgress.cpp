// Progress in the tray icon's tooltip: where a playback is, how many rows a recording has made; the
// application's title when idle.

#include "TFmain.h"

#include "play/PlaybackEngine.h"
#include "script/ScriptTable.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QTimer>

void TFmain::buildProgress()
{
    // The tooltip is read every 250 ms at most, between the rows' own work: it costs a playback nothing.
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(ProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &TFmain::showProgress);
}

void TFmain::followProgress()
{
    updateHistoryActions();
    const bool busy = m_playback || m_recordHook != 0;
    if (busy && !m_progressTimer->isActive())
        m_progressTimer->start();
    else if (!busy)
        m_progressTimer->stop();
    showProgress();
}

QString TFmain::progressText() const
{
    if (m_playback) {
        return tr("Воспроизведение: строка %1 из %2, повтор %3 из %4")
            .arg(std::max(m_playback->currentRow(), 1))
            .arg(Script->scriptRowCount())
            .arg(std::max<qint64>(m_playback->currentRepetition(), 1))
            .arg(m_playbackRepeats);
    }
    if (m_recordHook != 0)
        return tr("Запись: строк записано %1").arg(std::max(Script->rows() - 1 - m_recordingFrom, 0));
    return QCoreApplication::applicationName();
}

void TFmain::showProgress()
{
    const QString text = progressText();
    if (TrayIcon1->toolTip() != text)
        TrayIcon1->setToolTip(text);
}
