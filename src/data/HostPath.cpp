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
constexpr uint64_t HashMultiplier = 0x9E3779B97F4A7C15ull;

uint64_t HashStep(uint64_t hash, uint64_t word)
{
    hash = (hash ^ word) * HashMultiplier;
    return hash ^ (hash >> 29);
}

// The hash after the last, partial word (zeros past the key's end; zero when the key is whole
// words).
uint32_t HashEnd(uint64_t hash, uint64_t tail)
{
    hash = (hash ^ tail) * HashMultiplier;
    hash ^= hash >> 32;
    hash *= 0xD6E8FEB86659FD93ull;
    return static_cast<uint32_t>(hash >> 32);
}

uint32_t HashOf(std::string_view key)
{
    uint64_t hash = key.size() * HashMultiplier;
    size_t at = 0;
    for (; at + 8 <= key.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, key.data() + at, 8);
        hash = HashStep(hash, word);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, key.data() + at, key.size() - at);
    return HashEnd(hash, tail);
}

// A byte in every byte of a word, and tests of all eight bytes at once.
constexpr uint64_t EveryByte(uint8_t byte)
{
    return 0x0101010101010101ull * byte;
}

bool HasZeroByte(uint64_t word)
{
    return ((word - EveryByte(1)) & ~word & EveryByte(0x80)) != 0;
}

bool HasByte(uint64_t word, uint8_t byte)
{
    return HasZeroByte(word ^ EveryByte(byte));
}

// The capitals of eight ASCII bytes as small letters, as FoldAscii folds them one by one: a
// byte below 0x80 plus 0x3F reaches 0x80 from 'A' on, plus 0x25 from the byte after 'Z' on.
uint64_t FoldAsciiWord(uint64_t word)
{
    const uint64_t fromA = word + EveryByte(0x80 - 'A');
    const uint64_t pastZ = word + EveryByte(0x80 - 'Z' - 1);
    const uint64_t capitals = fromA & ~pastZ & EveryByte(0x80);
    return word | (capitals >> 2);
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

template <typename Visit>
void HostFolderIndex::probe(uint32_t hash, size_t foldedSize, Visit visit) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask; m_slots[slot].spelledSize != 0; slot = (slot + 1) & mask) {
        const Slot &file = m_slots[slot];
        if (file.hash == hash && file.foldedSize == foldedSize && visit(file))
            return;
    }
}

template <typename Found>
void HostFolderIndex::find(std::string_view key, uint32_t hash, Found found) const
{
    const size_t head = std::min(key.size(), Slot::HeadBytes);
    probe(hash, key.size(), [&](const Slot &file) {
        return std::memcmp(file.head, key.data(), head) == 0
            && key.substr(head)
            == std::string_view(m_bytes).substr(file.folded + head, key.size() - head)
            && found(file);
    });
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
    ShortKey shortKey;
    if (ShortKeyOf(utf8Name, shortKey))
        return containsShort(shortKey);
    return containsOtherName(utf8Name);
}

bool HostFolderIndex::containsOtherName(std::string_view utf8Name) const
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
    // Short plain names, nearly all, get their key first and are found in one read each, the
    // slot read a few turns ahead; the others are looked up one by one.
    constexpr size_t SlotsAhead = 16;
    std::vector<ShortKey> keys(names.size());
    std::vector<bool> found(names.size(), false);
    for (size_t i = 0; i < names.size(); ++i) {
        if (!ShortKeyOf(names[i], keys[i])) {
            keys[i].size = 0;
            found[i] = containsOtherName(names[i]);
        }
    }
    const size_t mask = m_slots.size() - 1;
    for (size_t i = 0; i < names.size(); ++i) {
#if defined(__GNUC__)
        if (i + SlotsAhead < names.size() && keys[i + SlotsAhead].size != 0)
            __builtin_prefetch(&m_slots[keys[i + SlotsAhead].hash & mask]);
#endif
        if (keys[i].size != 0)
            found[i] = containsShort(keys[i]);
    }
    return found;
}

bool HostFolderIndex::ShortKeyOf(std::string_view name, ShortKey &key)
{
    static_assert(Slot::HeadBytes == sizeof key.words);
    if (name.empty() || name.size() > Slot::HeadBytes)
        return false;
    char bytes[Slot::HeadBytes] = {};
    std::memcpy(bytes, name.data(), name.size());
    std::memcpy(key.words, bytes, sizeof bytes);
    for (uint64_t &word : key.words) {
        if ((word & EveryByte(0x80)) != 0 || HasByte(word, '\\') || HasByte(word, '/'))
            return false;
        word = FoldAsciiWord(word);
    }
    // HashOf() of the folded bytes: whole words, then the rest (zeros past the end).
    key.size = static_cast<uint32_t>(name.size());
    uint64_t hash = key.size * HashMultiplier;
    uint64_t tail = key.words[0];
    if (key.size >= 8) {
        hash = HashStep(hash, key.words[0]);
        tail = key.words[1];
    }
    if (key.size == 2 * 8) {
        hash = HashStep(hash, key.words[1]);
        tail = 0;
    }
    key.hash = HashEnd(hash, tail);
    return true;
}

bool HostFolderIndex::containsShort(const ShortKey &key) const
{
    bool contained = false;
    probe(key.hash, key.size, [&](const Slot &file) {
        uint64_t head[2];
        std::memcpy(head, file.head, sizeof head);
        return contained = head[0] == key.words[0] && head[1] == key.words[1];
    });
    return contained;
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
