#pragma once

// Path texts as the accounting system writes them (backslashes, drive letters, any letter case)
// onto host paths. MapHostPath itself is declared in Table.h.

#include <string>

namespace vfp {

// Host folder standing for a drive letter ("D:" -> folder). Without one, the environment
// variable VELLORAN_DRIVE_<LETTER> is used; an unmapped drive stays in the path as typed.
void SetDriveRoot(char letter, const std::string &hostFolder);
void ClearDriveRoots();

// Joins a folder and a name with one separator.
std::string JoinPath(const std::string &folder, const std::string &name);
std::string ParentFolder(const std::string &path);
std::string BaseName(const std::string &path); // file name without folder and extension
bool IsDirectory(const std::string &path);

} // namespace vfp
