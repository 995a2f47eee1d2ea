#pragma once

#include <QString>

// Reserves a unique file name in a folder the way the platform's temporary-file service does:
// an empty file named prefix + up to four hex digits + ".tmp" is created there, and stays. The
// full path of the reserved file; empty when the folder does not exist or no name can be made.
QString ReserveTempFileName(const QString &folder, const QString &prefix);
