// The recovery journal of the unsettled table: kept from start to end, settled by Save, Open and Clear,
// and offered back at the next start.

#include "TFmain.h"

#include "record/RecordingCaption.h"

#include <QCoreApplication>
#include <QMessageBox>

void TFmain::keepRecoveryJournal(const QString &folder, JournalClock &clock, JournalSystem &processes)
{
    delete m_journal;
    m_journal = new RecoveryJournal(
        folder, clock, processes, *Script,
        [this] {
            // "Tapsmith - <path>", with " *" after a recording; "Tapsmith - *" names no file.
            const QString prefix = QStringLiteral("Tapsmith - ");
            QString caption = windowTitle();
            if (!caption.startsWith(prefix))
                return QString();
            caption.remove(0, prefix.size());
            if (caption.endsWith(QLatin1String(" *")))
                caption.chop(2);
            return caption == QLatin1String("*") ? QString() : caption;
        },
        this);
}

void TFmain::restoreRecovery(const RecoveryJournal::Offer &offer)
{
    if (!m_journal)
        return;
    const QString path = m_journal->restore(offer);
    setWindowTitle(
        recordingCaption(path.isEmpty() ? QStringLiteral("Tapsmith") : QStringLiteral("Tapsmith - ") + path));
    m_journal->writeAll();
}

void TFmain::tableSettled()
{
    if (m_journal)
        m_journal->settle();
}

bool TFmain::askToRestore(const RecoveryJournal::Offer &offer)
{
    const QString date = offer.written.toLocalTime().toString(tr("dd.MM.yyyy HH:mm"));
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                    tr("Найден несохранённый скрипт от %1 (%2 строк). Восстановить?").arg(date).arg(offer.rows),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
