#pragma once

#include <QString>

#include <memory>

// Names a process for good: its id, and a token of when it started, so that a later process that gets the
// same id is not taken for it. The token holds only letters, digits and '_'.
struct ProcessIdentity {
    qint64 pid = 0;
    QString started;
    bool operator==(const ProcessIdentity &other) const { return pid == other.pid && started == other.started; }
};

// What a recovery journal asks of the operating system: which process this is, whether another one still
// runs, and that written data reaches the disk and replaces a file in one step.
class JournalSystem
{
  public:
    virtual ~JournalSystem() = default;
    /// This process.
    virtual ProcessIdentity current() = 0;
    /// True while the process `identity` runs (false once it ended, also when its id was reused).
    virtual bool isRunning(const ProcessIdentity &identity) = 0;
    /// Writes the data of the open file `handle` (QFileDevice::handle(), -1 when there is none) at `path`
    /// through to the disk; false when the system refused.
    virtual bool syncData(int handle, const QString &path) = 0;
    /// Puts the file `from` in the place of `to` in one step, so that `to` is always either the old or the
    /// new file, also after a power loss; false (with `from` left) when the system refused.
    virtual bool replaceFile(const QString &from, const QString &to) = 0;
};

// The processes of the system this build runs on.
std::unique_ptr<JournalSystem> createJournalSystem();
