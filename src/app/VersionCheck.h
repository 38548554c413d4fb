#pragma once

#include "app/ProgramVersion.h"

#include <QString>

// The version texts of the update check. Pure functions over text, so they can be tested and fuzzed
// without a window or a network.

// The version this build reports to the update check: four components joined by dots.
inline const QString ProgramVersion = QStringLiteral(TAPSMITH_VERSION);

// The version text of an update server's reply: what follows the first ">" (the whole body when there is
// none), up to the first ";" after it (empty when there is none).
QString serverVersionFromReply(const QString &body);

// True when `server` is a later version than `program`. Both must be exactly four decimal integers joined
// by three dots; any other text (the empty text among them) is never newer.
bool isNewerVersion(const QString &server, const QString &program);
