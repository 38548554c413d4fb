#pragma once

#include <QByteArrayView>
#include <QString>

class ScriptTable;

// The path Save writes to: the chosen path, plus ".tpx" unless it contains ".tpx" anywhere.
QString scriptSavePath(const QString &chosenPath);

// Writes one line per action row (Action, "|", Parameters, CR LF). Throws FileError; an existing file
// is replaced only once the new content is completely written.
void saveScript(const ScriptTable &table, const QString &path);

// Replaces the action rows with the lines of the file. Throws FileError; when the file cannot be opened
// the table is unchanged.
void openScript(const QString &path, ScriptTable &table);

// Replaces the action rows with the lines of `bytes`, read as Open reads a file.
void loadScriptBytes(QByteArrayView bytes, ScriptTable &table);
