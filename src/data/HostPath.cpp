#include "data/HostPath.h"

#include "platform/database/vfp/Table.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <functional>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
#endif

QString HostPath(const QString &path)
{
    // The engine's own mapping, so a path here names what the engine opens.
    return QString::fromStdString(vfp::MapHostPath(path.toStdString()));
}

bool HostFileExists(const QString &path)
{
    return QFileInfo(HostPath(path)).isFile();
}

namespace {

// A name's key: its case-folded form in UTF-8. Plain ASCII names, nearly all, are folded byte by
// byte; folding changes no ASCII character but the capitals.
char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void AppendFolded(std::string &key, QStringView name)
{
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        const size_t at = key.size();
        key.resize(at + static_cast<size_t>(name.size()));
        std::transform(name.begin(), name.end(), key.begin() + static_cast<std::ptrdiff_t>(at),
            [](QChar c) { return FoldAscii(static_cast<char>(c.unicode())); });
        return;
    }
    key += name.toString().toCaseFolded().toStdString();
}

// The same for a name as the file system spells it.
void AppendFolded(std::string &key, std::string_view name)
{
    if (std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; })) {
        const size_t at = key.size();
        key.resize(at + name.size());
        std::transform(
            name.begin(), name.end(), key.begin() + static_cast<std::ptrdiff_t>(at), FoldAscii);
        return;
    }
    AppendFolded(
        key, QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size()))));
}

// A key's hash, eight bytes at a time: file names are short, and this is computed for every
// name listed and every name looked up.
uint32_t HashOf(std::string_view key)
{
    constexpr uint64_t Multiplier = 0x9E3779B97F4A7C15ull;
    uint64_t hash = key.size() * Multiplier;
    size_t at = 0;
    for (; at + 8 <= key.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, key.data() + at, 8);
        hash = (hash ^ word) * Multiplier;
        hash ^= hash >> 29;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, key.data() + at, key.size() - at);
    hash = (hash ^ tail) * Multiplier;
    hash ^= hash >> 32;
    hash *= 0xD6E8FEB86659FD93ull;
    return static_cast<uint32_t>(hash >> 32);
}

// Calls take(name) for every regular file of the folder (also one reached through a link).
template <typename Take> void ListFiles(const QString &folder, Take take)
{
#ifdef Q_OS_UNIX
    DIR *dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    while (const dirent *entry = readdir(dir)) {
        bool file = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info;
            file = fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (file)
            take(std::string_view(entry->d_name), entry->d_type != DT_REG);
    }
    closedir(dir);
#else
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        take(QFile::encodeName(it.fileName()).toStdString(), it.fileInfo().isSymLink());
    }
#endif
}

} // namespace

HostFolderIndex::HostFolderIndex(const QString &folderPath)
    : m_folderText(folderPath)
    , m_hostFolder(HostPath(folderPath))
{
    std::vector<Slot> files;
    // Room for the names from the start, so the buffers are not copied as they grow: a folder's
    // size in bytes is about what its entries take (a name and a few bytes each), and room that
    // is never written costs no memory. Capped for a size that says nothing of the entries.
    qint64 folderBytes = QFileInfo(m_hostFolder).size();
    folderBytes = std::clamp<qint64>(folderBytes, 0, qint64(64) << 20);
    m_bytes.reserve(std::max<size_t>(size_t(folderBytes) * 2, size_t(64) << 10));
    files.reserve(size_t(folderBytes) / 12);
    ListFiles(m_hostFolder, [this, &files](std::string_view name, bool throughLink) {
        m_throughLinks = m_throughLinks || throughLink;
        // A name too long for any file system's entry is left out rather than cut.
        if (name.empty() || name.size() > 1024)
            return;
        Slot file;
        file.spelled = static_cast<uint32_t>(m_bytes.size());
        file.spelledSize = static_cast<uint16_t>(name.size());
        m_bytes += name;
        file.folded = static_cast<uint32_t>(m_bytes.size());
        AppendFolded(m_bytes, name);
        file.foldedSize = static_cast<uint16_t>(m_bytes.size() - file.folded);
        const std::string_view folded
            = std::string_view(m_bytes).substr(file.folded, file.foldedSize);
        file.hash = HashOf(folded);
        std::memcpy(file.head, folded.data(), std::min(folded.size(), Slot::HeadBytes));
        files.push_back(file);
    });
    size_t slots = 16;
    while (slots < files.size() + files.size() / 2)
        slots *= 2;
    m_slots.resize(slots);
    for (const Slot &file : files) {
        size_t slot = file.hash & (slots - 1);
        while (m_slots[slot].spelledSize != 0)
            slot = (slot + 1) & (slots - 1);
        m_slots[slot] = file;
    }
}

template <typename Found>
void HostFolderIndex::find(std::string_view key, uint32_t hash, Found found) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask; m_slots[slot].spelledSize != 0; slot = (slot + 1) & mask) {
        const Slot &file = m_slots[slot];
        if (file.hash != hash || key.size() != file.foldedSize)
            continue;
        const size_t head = std::min(key.size(), Slot::HeadBytes);
        if (std::memcmp(file.head, key.data(), head) == 0
            && key.substr(head)
                == std::string_view(m_bytes).substr(file.folded + head, key.size() - head)
            && found(file))
            return;
    }
}

QString HostFolderIndex::pathText(QStringView name) const
{
    QString folder = m_folderText;
    if (!folder.endsWith(u'\\') && !folder.endsWith(u'/'))
        folder += u'\\';
    return folder + name;
}

bool HostFolderIndex::containsFile(QStringView name) const
{
    if (name.isEmpty())
        return false;
    if (name.contains(u'\\') || name.contains(u'/'))
        return HostFileExists(pathText(name));
    std::string key;
    AppendFolded(key, name);
    bool contained = false;
    find(key, HashOf(key), [&](const Slot &) { return contained = true; });
    return contained;
}

bool HostFolderIndex::containsFile(std::string_view utf8Name) const
{
    const bool plain = std::all_of(utf8Name.begin(), utf8Name.end(),
        [](char c) { return (c & 0x80) == 0 && c != '\\' && c != '/'; });
    if (!plain)
        return containsFile(QStringView(
            QString::fromUtf8(utf8Name.data(), static_cast<qsizetype>(utf8Name.size()))));
    if (utf8Name.empty())
        return false;
    // The key as AppendFolded makes it, on the stack for any usual name.
    char folded[256];
    std::string longKey;
    std::string_view key;
    if (utf8Name.size() <= sizeof folded) {
        std::transform(utf8Name.begin(), utf8Name.end(), folded, FoldAscii);
        key = std::string_view(folded, utf8Name.size());
    } else {
        AppendFolded(longKey, utf8Name);
        key = longKey;
    }
    bool contained = false;
    find(key, HashOf(key), [&](const Slot &) { return contained = true; });
    return contained;
}

std::vector<bool> HostFolderIndex::containsFiles(std::span<const std::string_view> names) const
{
    // Names in plain ASCII get their key and its hash first; the others are looked up one by
    // one.
    struct Key
    {
        size_t at = 0; // in keys
        uint32_t size = 0; // 0: not a plain name
        uint32_t hash = 0;
    };
    std::vector<Key> wanted(names.size());
    std::vector<bool> found(names.size(), false);
    std::string keys;
    keys.reserve(names.size() * 16);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = names[i];
        const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return (c & 0x80) == 0 && c != '\\' && c != '/';
        });
        if (!plain) {
            found[i] = containsFile(name);
            continue;
        }
        wanted[i].at = keys.size();
        wanted[i].size = static_cast<uint32_t>(name.size());
        AppendFolded(keys, name);
        wanted[i].hash = HashOf(std::string_view(keys).substr(wanted[i].at, name.size()));
    }
    // The slot of a name some turns ahead is fetched: it holds all of a short name.
    constexpr size_t SlotsAhead = 16;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = 0; i < names.size(); ++i) {
#if defined(__GNUC__)
        if (i + SlotsAhead < names.size() && wanted[i + SlotsAhead].size != 0)
            __builtin_prefetch(&m_slots[wanted[i + SlotsAhead].hash & mask]);
#endif
        const Key &key = wanted[i];
        if (key.size == 0)
            continue;
        bool contained = false;
        find(std::string_view(keys).substr(key.at, key.size), key.hash,
            [&](const Slot &) { return contained = true; });
        found[i] = contained;
    }
    return found;
}

QString HostFolderIndex::filePath(const QString &name) const
{
    if (name.isEmpty() || name.contains(u'\\') || name.contains(u'/'))
        return HostPath(pathText(name));
    std::string key;
    AppendFolded(key, QStringView(name));
    const std::string exact = QFile::encodeName(name).toStdString();
    const Slot *match = nullptr;
    find(key, HashOf(key), [&](const Slot &file) {
        const std::string_view spelled
            = std::string_view(m_bytes).substr(file.spelled, file.spelledSize);
        if (!match || spelled == exact)
            match = &file;
        return spelled == exact;
    });
    QString spelled = name;
    if (match)
        spelled = QFile::decodeName(QByteArray(
            m_bytes.data() + match->spelled, static_cast<qsizetype>(match->spelledSize)));
    if (m_hostFolder.endsWith(u'/'))
        return m_hostFolder + spelled;
    return m_hostFolder + u'/' + spelled;
}
