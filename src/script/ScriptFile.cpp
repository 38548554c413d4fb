#include "ScriptFile.h"

#include "ScriptTable.h"
#include "core/Errors.h"
#include "core/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace
{

constexpr char kSeparator = '|';
constexpr char kEndOfFile = 0x1A;

std::unique_ptr<FileSystem> &connectedFileSystem()
{
    static std::unique_ptr<FileSystem> instance;
    return instance;
}

// The texts the application-wide error box shows for a failed file operation.
[[noreturn]] void throwFileError(FileFailure failure)
{
    switch (failure.kind) {
    case FileFailure::NotFound:
        throw FileError(QStringLiteral("File not found"));
    case FileFailure::InvalidName:
        throw FileError(QStringLiteral("Invalid filename"));
    case FileFailure::TooManyOpenFiles:
        throw FileError(QStringLiteral("Too many open files"));
    case FileFailure::AccessDenied:
        throw FileError(QStringLiteral("File access denied"));
    case FileFailure::DiskFull:
        throw FileError(QStringLiteral("Disk full"));
    case FileFailure::Other:
        break;
    }
    throw FileError(QStringLiteral("I/O error %1").arg(failure.code));
}

enum class Step { Read, Create, Write };

// Why `file` failed just now: the system's reason where a file system is connected, else Qt's category.
[[noreturn]] void throwFailureOf(const QFileDevice &file, Step step)
{
    if (file.error() == QFileDevice::ResourceError)
        throwFileError({step == Step::Write ? FileFailure::DiskFull : FileFailure::TooManyOpenFiles, 0});
    if (const FileSystem *system = fileSystem())
        throwFileError(system->lastFailure());
    if (file.error() != QFileDevice::OpenError)
        throwFileError({FileFailure::Other, 0});
    const QFileInfo info(file.fileName());
    const bool found = info.exists() || (step == Step::Create && info.dir().exists());
    throwFileError({found ? FileFailure::AccessDenied : FileFailure::NotFound, 0});
}

// A name no system takes is refused before any file call.
void checkName(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        throwFileError({FileFailure::InvalidName, 0});
}

// Writes the lines through one buffer, so a million rows cost a few dozen writes.
class LineWriter
{
  public:
    explicit LineWriter(QFileDevice &file) : m_file(file) { m_buffer.reserve(Capacity); }

    void append(QByteArrayView bytes)
    {
        if (m_buffer.size() + std::size_t(bytes.size()) > Capacity)
            flush();
        if (std::size_t(bytes.size()) > Capacity) {
            writeAll(bytes.data(), bytes.size());
            return;
        }
        m_buffer.insert(m_buffer.end(), bytes.data(), bytes.data() + bytes.size());
    }

    void flush()
    {
        writeAll(m_buffer.data(), qint64(m_buffer.size()));
        m_buffer.clear();
    }

  private:
    void writeAll(const char *data, qint64 size)
    {
        if (size > 0 && m_file.write(data, size) != size)
            throwFailureOf(m_file, Step::Write);
    }

    static constexpr std::size_t Capacity = 1u << 20;
    QFileDevice &m_file;
    std::vector<char> m_buffer;
};

void writeLines(QFileDevice &file, const ScriptTable &table)
{
    LineWriter writer(file);
    for (int row = 1; row < table.rows(); ++row) {
        writer.append(table.action(row));
        writer.append(QByteArrayView("|", 1));
        writer.append(table.parameters(row));
        writer.append(QByteArrayView("\r\n", 2));
    }
    writer.flush();
}

constexpr qint64 kChunkBytes = 4 << 20;

// The reason of a failed read, where a file system is connected.
FileFailure readFailure()
{
    const FileSystem *system = fileSystem();
    return system ? system->lastFailure() : FileFailure{FileFailure::Other, 0};
}

// The LF bytes in [p, p + size), eight at a time: a byte-by-byte count of a 200 MB file took longer than
// reading it.
std::size_t countNewlines(const char *p, std::size_t size)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFu;
    std::size_t count = 0;
    std::size_t i = 0;
    while (size - i >= 8) {
        // Up to 255 words into eight byte-wide counters, then their sum.
        std::uint64_t counters = 0;
        for (int words = 0; words < 255 && size - i >= 8; ++words, i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, p + i, sizeof word);
            word ^= kOnes * std::uint64_t('\n'); // an LF byte becomes 0
            const std::uint64_t nonZero = ((word & kLow7) + kLow7) | word;
            counters += (~nonZero & ~kLow7) >> 7;
        }
        const std::uint64_t pairs = (counters & kEvenBytes) + ((counters >> 8) & kEvenBytes);
        count += std::size_t((pairs * 0x0001000100010001u) >> 48);
    }
    for (; i < size; ++i)
        count += p[i] == '\n' ? 1 : 0;
    return count;
}

// Lines in the file from where it stands: the LF count plus one. Reads it in chunks; the open reads it again.
std::size_t countLines(QFile &file)
{
    std::vector<char> chunk(static_cast<std::size_t>(kChunkBytes));
    std::size_t lines = 1;
    for (qint64 got = 0; (got = file.read(chunk.data(), kChunkBytes)) > 0;)
        lines += countNewlines(chunk.data(), std::size_t(got));
    return lines;
}

enum class LineByte : unsigned char { Text, Separator, CarriageReturn, EndOfFile };

constexpr std::array<LineByte, 256> kLineBytes = [] {
    std::array<LineByte, 256> kinds{};
    kinds[static_cast<unsigned char>(kSeparator)] = LineByte::Separator;
    kinds[static_cast<unsigned char>('\r')] = LineByte::CarriageReturn;
    kinds[static_cast<unsigned char>(kEndOfFile)] = LineByte::EndOfFile;
    return kinds;
}();

// Appends one line (its LF excluded) as a row. Every CR inside it goes (CR LF ends a line, a lone CR is
// dropped); 0x1A ends the file at the start of a line and the line anywhere else. False at the file's end.
bool loadLine(const char *p, const char *lineEnd, ScriptTable &table, std::vector<char> &scratch)
{
    if (p < lineEnd && *p == kEndOfFile)
        return false;
    // One pass over the bytes finds the first separator, the CRs and an end-of-file mark: the line is read
    // once, not once for each of them, and most bytes cost one look-up in the table.
    const char *separator = nullptr;
    int carriageReturns = 0;
    for (const char *c = p; c < lineEnd; ++c) {
        const LineByte kind = kLineBytes[static_cast<unsigned char>(*c)];
        if (kind == LineByte::Text)
            continue;
        if (kind == LineByte::Separator) {
            if (separator == nullptr)
                separator = c;
        } else if (kind == LineByte::CarriageReturn) {
            ++carriageReturns;
        } else {
            lineEnd = c;
            break;
        }
    }
    if (lineEnd > p && lineEnd[-1] == '\r') {
        --lineEnd;
        --carriageReturns;
    }
    QByteArrayView line(p, lineEnd - p);
    if (carriageReturns > 0) {
        scratch.clear();
        std::copy_if(p, lineEnd, std::back_inserter(scratch), [](char c) { return c != '\r'; });
        line = QByteArrayView(scratch.data(), qsizetype(scratch.size()));
        const qsizetype at = line.indexOf(kSeparator);
        separator = at < 0 ? nullptr : line.data() + at;
    }
    if (separator == nullptr)
        table.appendToLastRow(QByteArrayView(), line);
    else
        table.appendToLastRow(QByteArrayView(line.data(), separator - line.data()),
                              QByteArrayView(separator + 1, line.data() + line.size() - separator - 1));
    return true;
}

// Fills rows from the file as it is read, a chunk at a time: the file's bytes are never all in memory at
// once. A line that a read failure tears is not a row of the file; the lines before it stay.
std::optional<FileFailure> loadLines(QFile &file, ScriptTable &table)
{
    const std::size_t lineCount = countLines(file);
    // A line's Parameters and their length prefix take no more than the line itself (its LF makes up for the
    // prefix) unless the line is over 127 bytes long.
    table.reserve(int(std::min<std::size_t>(lineCount + 2, INT_MAX)), std::size_t(std::max<qint64>(file.size(), 0)));
    std::optional<FileFailure> failure;
    if (!file.seek(0))
        failure = readFailure();

    std::vector<char> buffer(static_cast<std::size_t>(kChunkBytes));
    std::vector<char> scratch;
    std::size_t held = 0; // the start of an unfinished line, at the front of the buffer
    int lines = 0;
    bool ended = failure.has_value();
    while (!ended) {
        if (held == buffer.size())
            buffer.resize(buffer.size() * 2);
        const qint64 got = file.read(buffer.data() + held, qint64(buffer.size() - held));
        if (got < 0) {
            failure = readFailure();
            break;
        }
        const char *p = buffer.data();
        if (got == 0) {
            // The last line, without its LF.
            if (held > 0 && loadLine(p, p + held, table, scratch))
                ++lines;
            break;
        }
        const char *const end = p + held + got;
        while (p < end) {
            const auto *newline = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
            if (newline == nullptr)
                break;
            if (!loadLine(p, newline, table, scratch)) {
                ended = true;
                break;
            }
            ++lines;
            p = newline + 1;
        }
        held = std::size_t(end - p);
        std::memmove(buffer.data(), p, held);
    }
    // Appending leaves an open row after the last line; the file's own rows are all there is.
    if (lines > 0)
        table.setRows(lines + 1);
    table.squeeze();
    return failure;
}

// Fills rows from bytes already in memory, line by line as a file is read.
void loadLines(const char *p, const char *end, ScriptTable &table)
{
    std::vector<char> scratch;
    int lines = 0;
    while (p < end) {
        const auto *newline = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        if (!loadLine(p, newline ? newline : end, table, scratch))
            break;
        ++lines;
        if (newline == nullptr)
            break;
        p = newline + 1;
    }
    if (lines > 0)
        table.setRows(lines + 1);
    table.squeeze();
}

} // namespace

void setFileSystem(std::unique_ptr<FileSystem> fileSystem)
{
    connectedFileSystem() = std::move(fileSystem);
}

FileSystem *fileSystem()
{
    return connectedFileSystem().get();
}

QString scriptSavePath(const QString &chosenPath)
{
    return chosenPath.contains(QLatin1String(".tpx")) ? chosenPath : chosenPath + QLatin1String(".tpx");
}

void saveScript(const ScriptTable &table, const QString &path)
{
    checkName(path);
    const QFileInfo existing(path); // follows a symbolic link to the file it names
    if (existing.isDir())
        throwFileError({FileFailure::AccessDenied, 0});
    if (existing.exists() && !existing.isFile()) {
        // A device or pipe is written to, never replaced by a renamed regular file; a pipe with no reader
        // fails at once rather than holding the GUI thread until one comes.
        QFile device;
        bool opened = false;
        if (FileSystem *system = fileSystem()) {
            opened = system->openDeviceForWriting(device, path);
        } else {
            device.setFileName(path);
            opened = device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        }
        if (!opened)
            throwFailureOf(device, Step::Create);
        writeLines(device, table);
        device.close();
        return;
    }
    // The replace would succeed on a read-only file; refuse it as a plain write would.
    if (existing.exists() && !existing.isWritable())
        throwFileError({FileFailure::AccessDenied, 0});

    // The new content goes to a temporary file beside the target, which replaces the target only once it
    // is completely written and flushed to the disk: the old file survives any failure. A symbolic link
    // stays and the file it points to is replaced; the permissions carry over.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throwFailureOf(file, Step::Create);
    if (existing.exists()) {
        if (FileSystem *system = fileSystem()) {
            system->copyOwner(file.handle(), existing.absoluteFilePath());
            file.setPermissions(existing.permissions());
        }
    }
    writeLines(file, table);
    if (!file.commit())
        throwFailureOf(file, Step::Write);
}

void openScript(const QString &path, ScriptTable &table)
{
    checkName(path);
    // Only a regular file is read: a pipe would hold the GUI thread until a writer comes, a device may
    // never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throwFileError({FileFailure::AccessDenied, 0});
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throwFailureOf(file, Step::Read);

    std::optional<FileFailure> failure;
    {
        ScriptTable::BulkChange change(table);
        table.setRows(2);
        table.clearRow(1);
        failure = loadLines(file, table);
    }
    if (failure)
        throwFileError(*failure);
}

void loadScriptBytes(QByteArrayView bytes, ScriptTable &table)
{
    ScriptTable::BulkChange change(table);
    table.setRows(2);
    table.clearRow(1);
    loadLines(bytes.data(), bytes.data() + bytes.size(), table);
}
