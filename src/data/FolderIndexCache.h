#pragma once

#include "data/HostPath.h"

#include <QString>

#include <memory>

// The index of a folder as last read, kept for the next reader while the folder stands as it
// did: Display after Display over a folder of a hundred thousand documents reads it once.
//
// A folder counts as unchanged while its identity and its modification and change times are
// those seen when it was read and those times were already older than the reading by more than
// any file system's time step (a change in the same step as the reading could not be told from
// none). A folder whose files were taken through links is read every time, since where a link
// leads can change without the folder changing.
std::shared_ptr<const HostFolderIndex> CurrentFolderIndex(const QString &folderPath);
