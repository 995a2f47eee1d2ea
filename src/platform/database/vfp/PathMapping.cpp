#include "platform/database/vfp/PathMapping.h"

#include "platform/database/vfp/Table.h"

#include <QString>

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace vfp {

namespace {

std::mutex g_mutex;
std::map<char, std::string> g_drives;

bool Exists(const std::string &path)
{
    struct stat st
    { };
    return ::lstat(path.c_str(), &st) == 0;
}

std::string DriveRoot(char letter)
{
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        const auto it = g_drives.find(letter);
        if (it != g_drives.end())
            return it->second;
    }
    const std::string var = std::string("VELLORAN_DRIVE_") + letter;
    const char *env = std::getenv(var.c_str());
    return env ? std::string(env) : std::string();
}

// The entry of folder whose name equals name without regard to letter case, or empty.
std::string MatchEntry(const std::string &folder, const std::string &name)
{
    DIR *dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    const QString wanted = QString::fromStdString(name);
    std::string found;
    while (const dirent *e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        if (QString::fromStdString(entry).compare(wanted, Qt::CaseInsensitive) == 0) {
            found = entry;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

void SetDriveRoot(char letter, const std::string &hostFolder)
{
    std::lock_guard<std::mutex> guard(g_mutex);
    g_drives[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = hostFolder;
}

void ClearDriveRoots()
{
    std::lock_guard<std::mutex> guard(g_mutex);
    g_drives.clear();
}

std::string JoinPath(const std::string &folder, const std::string &name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string ParentFolder(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

bool IsDirectory(const std::string &path)
{
    struct stat st
    { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string MapHostPath(const std::string &text)
{
    std::string path = text;
    for (char &c : path)
        if (c == '\\')
            c = '/';

    std::string prefix;
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        const std::string root = DriveRoot(path[0]);
        if (!root.empty()) {
            prefix = root;
            path = path.substr(2);
        }
    }
    const bool absolute = !prefix.empty() || (!path.empty() && path[0] == '/');

    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= path.size()) {
        const size_t next = path.find('/', at);
        const std::string part
            = path.substr(at, next == std::string::npos ? std::string::npos : next - at);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        if (next == std::string::npos)
            break;
        at = next + 1;
    }

    std::string current = prefix.empty() ? (absolute ? std::string("/") : std::string()) : prefix;
    bool matching = true;
    for (const std::string &part : parts) {
        std::string name = part;
        if (matching && part != "..") {
            const std::string candidate = JoinPath(current, part);
            if (!Exists(candidate)) {
                const std::string found = MatchEntry(current, part);
                if (found.empty())
                    matching = false;
                else
                    name = found;
            }
        }
        current = JoinPath(current, name);
    }
    if (current.empty())
        return absolute ? "/" : ".";
    return current;
}

} // namespace vfp
