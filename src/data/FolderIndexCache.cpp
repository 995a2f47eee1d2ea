#include "data/FolderIndexCache.h"

#include <QFile>

#include <chrono>
#include <mutex>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// The coarsest time step of the file systems a company's folder may live on (FAT's two
// seconds), with room for the clocks of a file server and this machine to differ a little.
constexpr int64_t TimeStepNs = int64_t(3) * 1000 * 1000 * 1000;

struct FolderStamp
{
    bool valid = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;

    bool operator==(const FolderStamp &) const = default;
};

FolderStamp StampOf(const QString &hostFolder)
{
    FolderStamp stamp;
#ifdef Q_OS_UNIX
    struct stat info;
    if (stat(QFile::encodeName(hostFolder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return stamp;
    const auto ns = [](const timespec &t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
    stamp.valid = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.modifiedNs = ns(info.st_mtim);
    stamp.changedNs = ns(info.st_ctim);
#else
    Q_UNUSED(hostFolder);
#endif
    return stamp;
}

int64_t NowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

struct Kept
{
    QString folderPath;
    QString hostFolder;
    FolderStamp stamp;
    std::shared_ptr<const HostFolderIndex> index;
};

std::mutex g_mutex;
Kept g_kept;

} // namespace

std::shared_ptr<const HostFolderIndex> CurrentFolderIndex(const QString &folderPath)
{
    const QString hostFolder = HostPath(folderPath);
    const FolderStamp before = StampOf(hostFolder);
    {
        std::lock_guard lock(g_mutex);
        if (before.valid && g_kept.index && g_kept.folderPath == folderPath
            && g_kept.hostFolder == hostFolder && g_kept.stamp == before)
            return g_kept.index;
        g_kept = Kept {}; // an index that is out of date is not held while the folder is read
    }
    const int64_t readAt = NowNs();
    auto index = std::make_shared<const HostFolderIndex>(folderPath);
    const FolderStamp after = StampOf(hostFolder);
    const bool settled = before.valid && after == before
        && std::max(before.modifiedNs, before.changedNs) < readAt - TimeStepNs;
    if (settled && !index->hasLinkedFiles()) {
        std::lock_guard lock(g_mutex);
        g_kept = Kept { folderPath, hostFolder, before, index };
    }
    return index;
}
