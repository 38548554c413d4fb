#pragma once

#include <QString>

// The caption after a record command: " *" appended to a caption that names a file or already carries
// the marker, "Tapsmith - *" otherwise.
QString recordingCaption(const QString &caption);
