#include "RecoveryJournal.h"

#include "script/ScriptFile.h"
#include "script/ScriptTable.h"

#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

const QByteArray kMagic = QByteArrayLiteral("Tapsmith recovery journal 1");
const QByteArray kPidKey = QByteArrayLiteral("pid ");
const QByteArray kStartedKey = QByteArrayLiteral("started ");
const QByteArray kWrittenKey = QByteArrayLiteral("written ");
const QByteArray kPathKey = QByteArrayLiteral("path ");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
// The date is rewritten in place by every append, so it has a fixed width.
constexpr int kWrittenDigits = 16;
const QString kPrefix = QStringLiteral("journal-");
const QString kSuffix = QStringLiteral(".tpj");

QString fileNameOf(const ProcessIdentity &process)
{
    return kPrefix + QString::number(process.pid) + QLatin1Char('-') + process.started + kSuffix;
}

// The writer a journal's name gives, as a copy takes it over by renaming.
std::optional<ProcessIdentity> identityOfName(const QString &name)
{
    if (!name.startsWith(kPrefix) || !name.endsWith(kSuffix))
        return std::nullopt;
    const QString middle = name.mid(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const qsizetype dash = middle.indexOf(QLatin1Char('-'));
    bool ok = false;
    const qint64 pid = middle.left(dash).toLongLong(&ok);
    if (dash < 0 || !ok)
        return std::nullopt;
    return ProcessIdentity{pid, middle.mid(dash + 1)};
}

QByteArray writtenField(qint64 utcMilliseconds)
{
    return QByteArray::number(std::max<qint64>(utcMilliseconds, 0)).rightJustified(kWrittenDigits, '0');
}

// The path goes in percent-encoded UTF-8, so that any character and no line end is in the header.
QByteArray encodePath(const QString &path)
{
    return path.toUtf8().toPercentEncoding("/\\:._-~ ");
}

// Appends the rows of the table from `firstRow` to the buffer as Save writes them; gives where the last
// one starts.
qint64 appendRows(const ScriptTable &table, int firstRow, QByteArray &out)
{
    qint64 lastStart = out.size();
    for (int row = firstRow; row < table.rows(); ++row) {
        lastStart = out.size();
        out.append(table.action(row));
        out.append('|');
        out.append(table.parameters(row));
        out.append(kLineEnd);
    }
    return lastStart;
}

// Rows of the journal's lines, without the empty open row a recording leaves last.
int countRows(const QByteArray &rows)
{
    int count = int(rows.count('\n'));
    if (rows.endsWith("\n|\r\n") || rows == "|\r\n")
        --count;
    return count;
}

// A name beside `file` that no journal has, for a journal that cannot be read.
QString asideName(const QString &file)
{
    QString aside = file + QStringLiteral(".unreadable");
    for (int n = 2; QFile::exists(aside); ++n)
        aside = file + QStringLiteral(".unreadable-") + QString::number(n);
    return aside;
}

} // namespace

QString RecoveryJournal::defaultFolder()
{
    // The same place as AppLocalDataLocation for an application named Tapsmith, whatever the process is
    // called: ~/.local/share/Tapsmith/recovery, %LOCALAPPDATA%\Tapsmith\recovery.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tapsmith/recovery");
}

std::optional<RecoveryJournal::Content> RecoveryJournal::read(const QString &file, QString *why)
{
    const auto fail = [why](const QString &reason) -> std::optional<Content> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return fail(input.errorString());
    QByteArray bytes = input.readAll();
    Content content;
    qsizetype position = 0;
    // The value of the next header line when it starts with `key`.
    const auto field = [&](const QByteArray &key) -> std::optional<QByteArray> {
        const qsizetype end = bytes.indexOf(kLineEnd, position);
        if (end < 0 || !bytes.mid(position, end - position).startsWith(key))
            return std::nullopt;
        const QByteArray value = bytes.mid(position + key.size(), end - position - key.size());
        position = end + kLineEnd.size();
        return value;
    };
    bool pidOk = false, writtenOk = false;
    const std::optional<QByteArray> magic = field(kMagic), pid = field(kPidKey), started = field(kStartedKey),
                                    written = field(kWrittenKey), path = field(kPathKey), end = field(QByteArray());
    if (!magic || !magic->isEmpty())
        return fail(QStringLiteral("not a recovery journal"));
    if (!pid || !started || !written || !path || !end || !end->isEmpty())
        return fail(QStringLiteral("a header without its process, date or path"));
    content.writer = {pid->toLongLong(&pidOk), QString::fromLatin1(*started)};
    content.written = QDateTime::fromMSecsSinceEpoch(written->toLongLong(&writtenOk), Qt::UTC);
    if (!pidOk || !writtenOk)
        return fail(QStringLiteral("a bad process id or date"));
    content.path = QString::fromUtf8(QByteArray::fromPercentEncoding(*path));
    // A line its writer did not finish is not a row.
    const qsizetype lastNewline = bytes.lastIndexOf('\n');
    content.rows = lastNewline < position ? QByteArray() : bytes.mid(position, lastNewline + 1 - position);
    return content;
}

std::optional<RecoveryJournal::Offer> RecoveryJournal::claimOffer(const QString &folder, JournalSystem &processes)
{
    const ProcessIdentity self = processes.current();
    const QDir directory(folder);
    struct Candidate {
        QString file;
        Content content;
    };
    std::vector<Candidate> candidates;
    const QStringList names =
        directory.entryList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files | QDir::Hidden, QDir::Name);
    // What a copy that ended in the middle of writing a journal anew left beside it.
    for (const QString &name : directory.entryList({kPrefix + QLatin1Char('*') + kSuffix + QStringLiteral(".new")},
                                                   QDir::Files | QDir::Hidden)) {
        const std::optional<ProcessIdentity> writer = identityOfName(name.chopped(4));
        if (writer && !(*writer == self) && !processes.isRunning(*writer))
            QFile::remove(directory.filePath(name));
    }
    for (const QString &name : names) {
        const std::optional<ProcessIdentity> writer = identityOfName(name);
        if (!writer || *writer == self || processes.isRunning(*writer))
            continue;
        const QString file = directory.filePath(name);
        QString why;
        std::optional<Content> content = read(file, &why);
        if (!content) {
            const QString aside = asideName(file);
            const bool moved = QFile::rename(file, aside);
            std::fprintf(stderr, "tapsmith: the recovery journal %s cannot be read (%s)%s%s\n",
                         qPrintable(QDir::toNativeSeparators(file)), qPrintable(why),
                         moved ? "; it was moved to " : "; it could not be moved aside",
                         moved ? qPrintable(QDir::toNativeSeparators(aside)) : "");
            continue;
        }
        if (countRows(content->rows) == 0) {
            QFile::remove(file);
            continue;
        }
        candidates.push_back({file, std::move(*content)});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.content.written > b.content.written; });
    const QString own = directory.filePath(fileNameOf(self));
    for (const Candidate &candidate : candidates) {
        // Another copy starting at the same moment may take it first; then the next one.
        if (!QFile::rename(candidate.file, own))
            continue;
        return Offer{own, candidate.content.written, countRows(candidate.content.rows), candidate.content.path};
    }
    return std::nullopt;
}

void RecoveryJournal::decline(const Offer &offer)
{
    QFile::remove(offer.file);
}

RecoveryJournal::RecoveryJournal(QString folder, JournalClock &clock, JournalSystem &system, ScriptTable &table,
                                 std::function<QString()> captionPath, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_clock(clock), m_system(system), m_table(table),
      m_captionPath(std::move(captionPath)), m_self(system.current()),
      m_file(QDir(m_folder).filePath(fileNameOf(m_self))), m_timer(new QTimer(this))
{
    m_timer->setInterval(TickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &RecoveryJournal::writeDue);

    // Model rows are grid rows - 1.
    connect(&m_table, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int) { rowsChanged(ScriptTable::gridRow(first)); });
    connect(&m_table, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &) { rowsChanged(ScriptTable::gridRow(topLeft)); });
    connect(&m_table, &QAbstractItemModel::rowsRemoved, this, &RecoveryJournal::tableReplaced);
    connect(&m_table, &QAbstractItemModel::rowsMoved, this, &RecoveryJournal::tableReplaced);
    connect(&m_table, &QAbstractItemModel::modelReset, this, &RecoveryJournal::tableReplaced);
    connect(&m_table, &QAbstractItemModel::layoutChanged, this, &RecoveryJournal::tableReplaced);
}

RecoveryJournal::~RecoveryJournal() = default;

QString RecoveryJournal::restore(const Offer &offer)
{
    const std::optional<Content> content = read(offer.file);
    if (!content)
        return QString();
    loadScriptBytes(content->rows, m_table);
    // The journal is this copy's now, under its own name and with its header.
    m_settled = false;
    m_rewriteDue = true;
    m_lastRewrite.reset();
    scheduled();
    return content->path;
}

void RecoveryJournal::settle()
{
    closeAppendFile();
    m_timer->stop();
    m_settled = true;
    m_rewriteDue = m_appendDue = m_unsynced = false;
    m_lastRewrite.reset();
    if (QFile::exists(m_file) && !QFile::remove(m_file))
        reportFailure(QStringLiteral("cannot remove it"));
}

void RecoveryJournal::rowsChanged(int firstGridRow)
{
    // Rows after the last one on the disk, and that one itself (the open row a recording fills), are
    // appended; a change above it writes the file anew.
    if (m_settled || m_rewriteDue || firstGridRow < m_diskRows) {
        tableReplaced();
        return;
    }
    m_appendDue = true;
    scheduled();
}

void RecoveryJournal::tableReplaced()
{
    m_settled = false;
    m_rewriteDue = true;
    scheduled();
}

void RecoveryJournal::scheduled()
{
    if (!m_timer->isActive())
        m_timer->start();
}

void RecoveryJournal::writeDue()
{
    const qint64 now = m_clock.elapsedMilliseconds();
    if (m_rewriteDue) {
        if (!m_lastRewrite || now - *m_lastRewrite >= RewriteIntervalMilliseconds)
            rewrite();
    } else if (m_appendDue) {
        append();
    }
    if (m_unsynced && now - m_lastSync >= SyncIntervalMilliseconds)
        sync();
    if (!m_rewriteDue && !m_appendDue && !m_unsynced)
        m_timer->stop();
}

void RecoveryJournal::writeAll()
{
    if (m_settled)
        return;
    if (m_rewriteDue)
        rewrite();
    else if (m_appendDue)
        append();
    if (m_unsynced)
        sync();
    m_timer->stop();
}

bool RecoveryJournal::rewrite()
{
    m_rewriteDue = false;
    m_appendDue = false;
    m_lastRewrite = m_clock.elapsedMilliseconds();
    closeAppendFile();

    QByteArray header = kMagic + kLineEnd;
    header += kPidKey + QByteArray::number(m_self.pid) + kLineEnd;
    header += kStartedKey + m_self.started.toLatin1() + kLineEnd;
    header += kWrittenKey;
    const qint64 writtenOffset = header.size();
    header += writtenField(m_clock.utcMilliseconds()) + kLineEnd;
    header += kPathKey + encodePath(m_captionPath ? m_captionPath() : QString()) + kLineEnd;
    header += kLineEnd;

    QByteArray bytes = std::move(header);
    const qint64 lastRow = appendRows(m_table, 1, bytes);

    if (!QDir().mkpath(m_folder)) {
        reportFailure(QStringLiteral("cannot create its folder"));
        return false;
    }
    // Written beside the journal and put in its place once it is on the disk: a journal is always whole.
    const QString fresh = m_file + QStringLiteral(".new");
    QFile file(fresh);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
                         file.flush() && m_system.syncData(file.handle(), fresh);
    const QString why = file.errorString();
    file.close();
    if (!written || !m_system.replaceFile(fresh, m_file)) {
        reportFailure(written ? QStringLiteral("cannot replace it") : why);
        QFile::remove(fresh);
        return false;
    }
    m_diskRows = m_table.rows() - 1;
    m_lastRowOffset = lastRow;
    m_writtenOffset = writtenOffset;
    m_unsynced = false;
    m_lastSync = m_clock.elapsedMilliseconds();
    return true;
}

bool RecoveryJournal::append()
{
    m_appendDue = false;
    if (!m_appendFile) {
        m_appendFile = std::make_unique<QFile>(m_file);
        if (!m_appendFile->open(QIODevice::ReadWrite)) {
            reportFailure(m_appendFile->errorString());
            m_appendFile.reset();
            m_rewriteDue = true;
            return false;
        }
    }
    QByteArray bytes;
    const qint64 lastRow = m_lastRowOffset + appendRows(m_table, m_diskRows, bytes);
    const qint64 end = m_lastRowOffset + bytes.size();
    QFile &file = *m_appendFile;
    const bool written = file.seek(m_lastRowOffset) && file.write(bytes) == bytes.size() &&
                         (file.size() <= end || file.resize(end)) && file.seek(m_writtenOffset) &&
                         file.write(writtenField(m_clock.utcMilliseconds())) == kWrittenDigits && file.flush();
    if (!written) {
        reportFailure(file.errorString());
        closeAppendFile();
        m_rewriteDue = true;
        return false;
    }
    m_diskRows = m_table.rows() - 1;
    m_lastRowOffset = lastRow;
    m_unsynced = true;
    return true;
}

void RecoveryJournal::sync()
{
    m_unsynced = false;
    m_lastSync = m_clock.elapsedMilliseconds();
    if (m_appendFile && !m_system.syncData(m_appendFile->handle(), m_file))
        reportFailure(QStringLiteral("cannot sync it to the disk"));
}

void RecoveryJournal::closeAppendFile()
{
    if (m_appendFile)
        m_appendFile->close();
    m_appendFile.reset();
}

void RecoveryJournal::reportFailure(const QString &what)
{
    // Once: a full disk would otherwise say so every second.
    if (m_failureReported)
        return;
    m_failureReported = true;
    std::fprintf(stderr, "tapsmith: the recovery journal %s: %s\n", qPrintable(QDir::toNativeSeparators(m_file)),
                 qPrintable(what));
}
