#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Path texts of the accounting system's platform mapped onto this host's file system:
// backslashes become the host separator and each name is matched without regard to letter case.

// Maps a path text as the database engine does. Names that match an existing entry (in any
// letter case) take that entry's spelling; from the first name that matches nothing, the rest
// is appended as typed.
QString HostPath(const QString &path);

// Whether a file (not a folder) exists at the mapped path.
bool HostFileExists(const QString &path);

// One folder's file names, read once, for many existence tests and paths without a listing of
// the folder each. The names are kept in one buffer with a table keyed by their case-folded
// form, so a folder of a hundred thousand documents is read and searched without a string per
// name.
class HostFolderIndex
{
public:
    explicit HostFolderIndex(const QString &folderPath);

    // Whether the folder holds a file of this name (letter case ignored). A name with a
    // separator in it is looked up through HostFileExists.
    bool containsFile(QStringView name) const;
    // The same for a name in UTF-8; an ASCII name is looked up without a conversion.
    bool containsFile(std::string_view utf8Name) const;
    // containsFile() of many names in UTF-8, the answers in their order: the table is read
    // ahead of each name's turn, so a long list costs little more than its hashing.
    std::vector<bool> containsFiles(std::span<const std::string_view> utf8Names) const;
    // HostPath of the folder text followed by the name, as the folder stood when it was read: a
    // file of that name in any letter case takes that file's spelling, else the name is used as
    // given. A name with a separator in it is mapped through HostPath.
    QString filePath(const QString &name) const;
    // Whether a name was taken for a file through a link (or an entry of no stated type): what
    // it leads to may change without the folder changing.
    bool hasLinkedFiles() const { return m_throughLinks; }

private:
    // A file's names in m_bytes: as the file system spells it, and case-folded in UTF-8. The
    // folded name's first bytes are kept in the slot too (zeros past its end): a name that
    // short is found or refused in one read of memory.
    struct alignas(32) Slot
    {
        static constexpr size_t HeadBytes = 16;
        uint32_t hash = 0;
        uint32_t folded = 0;
        uint32_t spelled = 0;
        uint16_t foldedSize = 0;
        uint16_t spelledSize = 0; // 0: a free slot
        char head[HeadBytes] = {};
    };

    // A name in plain ASCII (no separator) of at most Slot::HeadBytes bytes: its folded bytes
    // as a slot's head holds them, and its hash.
    struct ShortKey
    {
        uint64_t words[2];
        uint32_t size;
        uint32_t hash;
    };
    // False, with the key unset, for a name not of that kind.
    static bool ShortKeyOf(std::string_view name, ShortKey &key);
    bool containsShort(const ShortKey &key) const;
    // containsFile() of a name ShortKeyOf() does not take.
    bool containsOtherName(std::string_view utf8Name) const;

    QString pathText(QStringView name) const;
    // Calls found(slot) for each file whose folded name is the key (of this hash), until it
    // returns true.
    template <typename Found> void find(std::string_view key, uint32_t hash, Found found) const;
    // Calls visit(slot) for each file whose folded name has this hash and size, until it
    // returns true.
    template <typename Visit> void probe(uint32_t hash, size_t foldedSize, Visit visit) const;

    QString m_folderText;
    QString m_hostFolder;
    std::string m_bytes;
    std::vector<Slot> m_slots; // open addressing by the folded name's hash
    bool m_throughLinks = false;
};
