#pragma once

#include "platform/JournalSystem.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QTimer;
class ScriptTable;

// The clocks of the journal: the date it writes into its header, and the time its writes are spaced by.
class JournalClock
{
  public:
    virtual ~JournalClock() = default;
    /// Milliseconds since 1970 (UTC).
    virtual qint64 utcMilliseconds() = 0;
    /// Milliseconds on a monotonic clock.
    virtual qint64 elapsedMilliseconds() = 0;
};

class SystemJournalClock : public JournalClock
{
  public:
    SystemJournalClock() { m_elapsed.start(); }
    qint64 utcMilliseconds() override { return QDateTime::currentMSecsSinceEpoch(); }
    qint64 elapsedMilliseconds() override { return m_elapsed.elapsed(); }

  private:
    QElapsedTimer m_elapsed;
};

// Keeps the table that no Save, Open or Clear has settled in a file of its own, one per running copy, so
// that a copy that ends without saving (killed, its display gone, its session ended, Exit) leaves it for
// the next start to offer back. The file is a header (which copy wrote it, when, the path of the caption)
// and then the rows exactly as Save writes them. It follows the table through the model's signals:
// rows added at the end (a recording) are appended a few times a second and synced to the disk every
// second; any other change writes the file anew, atomically, at most once a second and always the last
// time. Write failures never reach the user: the journal is a safety net, and says why on stderr.
class RecoveryJournal : public QObject
{
    Q_OBJECT

  public:
    static constexpr int TickMilliseconds = 250;
    static constexpr qint64 RewriteIntervalMilliseconds = 1000;
    static constexpr qint64 SyncIntervalMilliseconds = 1000;

    // A journal left by a copy that no longer runs, taken over by this copy (renamed to its own name, so
    // that no other copy offers it meanwhile).
    struct Offer {
        QString file;
        QDateTime written; // UTC
        int rows = 0;      // action rows, the open row a recording leaves at the end not counted
        QString path;      // the path of the caption, empty for none
    };

    // The journal's content as read back.
    struct Content {
        ProcessIdentity writer;
        QDateTime written;
        QString path;
        QByteArray rows; // whole lines only: a line torn by the end of its writer is dropped
    };

    // The folder in the user's data folder (never a runtime or temporary folder, which a reboot empties).
    static QString defaultFolder();

    // Finds the newest journal in `folder` of a copy that no longer runs and takes it over for `self`.
    // A journal that cannot be read is moved aside with a line on stderr; one without rows goes. The other
    // journals stay for the next start.
    static std::optional<Offer> claimOffer(const QString &folder, JournalSystem &processes);
    // The journal at `file`, or why it cannot be read.
    static std::optional<Content> read(const QString &file, QString *why = nullptr);

    // `captionPath` gives the path the caption shows, written into the header with the rows.
    RecoveryJournal(QString folder, JournalClock &clock, JournalSystem &system, ScriptTable &table,
                    std::function<QString()> captionPath, QObject *parent = nullptr);
    ~RecoveryJournal() override;

    // Puts the rows of a claimed journal into the table; the journal is this copy's from now on, until the
    // table is settled, and is written anew (with the caption's path of that moment) at the next write.
    // Returns the caption's path it held.
    QString restore(const Offer &offer);
    // Removes a claimed journal that the user did not want back.
    static void decline(const Offer &offer);

    // Save, Open or Clear settled the table: the journal goes, until the next change.
    void settle();
    // Writes what is due now (called by the journal's own timer).
    void writeDue();
    // Writes everything at once and syncs it: the process is about to end.
    void writeAll();

    bool settled() const { return m_settled; }
    // This copy's journal file (it exists only while the table is unsettled).
    QString file() const { return m_file; }

  private:
    void rowsChanged(int firstGridRow);
    void tableReplaced();
    void scheduled();
    bool rewrite();
    bool append();
    void sync();
    void closeAppendFile();
    void reportFailure(const QString &what);

    const QString m_folder;
    JournalClock &m_clock;
    JournalSystem &m_system;
    ScriptTable &m_table;
    std::function<QString()> m_captionPath;
    const ProcessIdentity m_self;
    const QString m_file;
    QTimer *m_timer;

    bool m_settled = true;
    bool m_rewriteDue = false;
    bool m_appendDue = false;
    bool m_unsynced = false;
    std::optional<qint64> m_lastRewrite;
    qint64 m_lastSync = 0;
    bool m_failureReported = false;

    // The file as written: rows 1..m_diskRows, the last of them starting at m_lastRowOffset (it may still
    // grow, as the open row of a recording does), and the header's date at m_writtenOffset.
    std::unique_ptr<QFile> m_appendFile;
    int m_diskRows = 0;
    qint64 m_lastRowOffset = 0;
    qint64 m_writtenOffset = 0;
};
