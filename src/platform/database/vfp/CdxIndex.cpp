#include "platform/database/vfp/CdxIndex.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

namespace vfp {

namespace {

constexpr uint32_t kPage = 512;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kLeafSpace = 488;
constexpr size_t kInteriorSpace = 500;
constexpr uint32_t kChangeMark = 0x80000000;
// A seek that keeps meeting changes gives up after this many reads and lets the caller scan.
constexpr int kSeekAttempts = 8;

uint16_t Le16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
        | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t Be32(const unsigned char *p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16)
        | (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void PutLe16(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void PutLe32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutBe32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

int BitLength(uint64_t v)
{
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

[[noreturn]] void Corrupt(const FileIo &file, const std::string &why)
{
    throw Error("Index file " + file.path() + " is corrupt: " + why);
}

struct LeafFormat
{
    int recBits, dupBits, trlBits, entrySize;
};

// Entry layout of a leaf: duplicate and trailing counts take the key length's bit length, the
// entry the fewest bytes that hold them and the page's largest record number, and the record
// number every bit left over.
LeafFormat FormatFor(uint16_t keyLength, uint32_t maxRecno)
{
    LeafFormat f {};
    f.dupBits = f.trlBits = BitLength(keyLength);
    const int needed = std::max(BitLength(maxRecno), 1) + f.dupBits + f.trlBits;
    f.entrySize = std::max(2, (needed + 7) / 8);
    f.recBits = std::min(32, f.entrySize * 8 - f.dupBits - f.trlBits);
    return f;
}

struct Packed
{
    size_t dup, trl;
};

Packed Compress(const std::string &key, const std::string *previous, char pad)
{
    size_t trl = 0;
    while (trl < key.size() && key[key.size() - 1 - trl] == pad)
        ++trl;
    size_t dup = 0;
    if (previous) {
        const size_t limit = std::min(previous->size(), key.size() - trl);
        while (dup < limit && (*previous)[dup] == key[dup])
            ++dup;
    }
    return { dup, trl };
}

std::optional<std::string> EncodeLeaf(const std::vector<CdxKey> &keys, uint16_t keyLength, char pad,
    bool root, uint32_t left, uint32_t right)
{
    uint32_t maxRecno = 0;
    for (const auto &k : keys)
        maxRecno = std::max(maxRecno, k.recno);
    const LeafFormat f = FormatFor(keyLength, maxRecno);
    std::string page(kPage, '\0');
    auto *p = reinterpret_cast<unsigned char *>(page.data());
    size_t keyEnd = kPage;
    size_t used = 0;
    const size_t es = static_cast<size_t>(f.entrySize);
    for (size_t i = 0; i < keys.size(); ++i) {
        const Packed c = Compress(keys[i].key, i ? &keys[i - 1].key : nullptr, pad);
        const size_t stored = keyLength - c.dup - c.trl;
        used += es + stored;
        if (used > kLeafSpace)
            return std::nullopt;
        keyEnd -= stored;
        std::memcpy(p + keyEnd, keys[i].key.data() + c.dup, stored);
        const uint64_t entry = static_cast<uint64_t>(keys[i].recno)
            | (static_cast<uint64_t>(c.dup) << f.recBits)
            | (static_cast<uint64_t>(c.trl) << (f.recBits + f.dupBits));
        for (size_t b = 0; b < es; ++b)
            p[24 + i * es + b] = static_cast<unsigned char>(entry >> (8 * b));
    }
    PutLe16(p, root ? 3 : 2);
    PutLe16(p + 2, static_cast<uint32_t>(keys.size()));
    PutLe32(p + 4, left);
    PutLe32(p + 8, right);
    PutLe16(p + 12, static_cast<uint32_t>(kLeafSpace - used));
    PutLe32(p + 14, f.recBits >= 32 ? 0xFFFFFFFFu : ((1u << f.recBits) - 1));
    p[18] = static_cast<unsigned char>((1u << f.dupBits) - 1);
    p[19] = static_cast<unsigned char>((1u << f.trlBits) - 1);
    p[20] = static_cast<unsigned char>(f.recBits);
    p[21] = static_cast<unsigned char>(f.dupBits);
    p[22] = static_cast<unsigned char>(f.trlBits);
    p[23] = static_cast<unsigned char>(f.entrySize);
    return page;
}

size_t InteriorCapacity(uint16_t keyLength)
{
    return kInteriorSpace / (keyLength + 8u);
}

std::string EncodeInterior(const std::vector<CdxKey> &keys, const std::vector<uint32_t> &children,
    uint16_t keyLength, bool root, uint32_t left, uint32_t right)
{
    std::string page(kPage, '\0');
    auto *p = reinterpret_cast<unsigned char *>(page.data());
    PutLe16(p, root ? 1 : 0);
    PutLe16(p + 2, static_cast<uint32_t>(keys.size()));
    PutLe32(p + 4, left);
    PutLe32(p + 8, right);
    for (size_t i = 0; i < keys.size(); ++i) {
        unsigned char *e = p + 12 + i * (keyLength + 8u);
        std::memcpy(e, keys[i].key.data(), keyLength);
        PutBe32(e + keyLength, keys[i].recno);
        PutBe32(e + keyLength + 4, children[i]);
    }
    return page;
}

// The pages of one tag's tree holding sorted keys, for pages starting at base: leaves, then
// interior levels, the root last.
struct BuiltTree
{
    std::vector<std::string> pages;
    uint32_t rootIndex = 0;
};

BuiltTree BuildTree(const std::vector<CdxKey> &keys, uint16_t keyLength, char pad, uint32_t base)
{
    BuiltTree b;
    std::vector<std::vector<CdxKey>> leaves(1);
    for (const CdxKey &k : keys) {
        leaves.back().push_back(k);
        if (!EncodeLeaf(leaves.back(), keyLength, pad, false, 0, 0)) {
            leaves.back().pop_back();
            leaves.push_back({ k });
        }
    }
    const bool single = leaves.size() == 1;
    std::vector<CdxKey> levelKeys;
    std::vector<uint32_t> levelPages;
    for (size_t i = 0; i < leaves.size(); ++i) {
        const uint32_t self = base + static_cast<uint32_t>(b.pages.size()) * kPage;
        const uint32_t left = i == 0 ? kNone : self - kPage;
        const uint32_t right = i + 1 == leaves.size() ? kNone : self + kPage;
        b.pages.push_back(*EncodeLeaf(leaves[i], keyLength, pad, single, left, right));
        if (!leaves[i].empty()) {
            levelKeys.push_back(leaves[i].back());
            levelPages.push_back(self);
        }
    }
    const size_t capacity = InteriorCapacity(keyLength);
    while (levelPages.size() > 1) {
        std::vector<CdxKey> upKeys;
        std::vector<uint32_t> upPages;
        const size_t groups = (levelPages.size() + capacity - 1) / capacity;
        const uint32_t first = base + static_cast<uint32_t>(b.pages.size()) * kPage;
        for (size_t g = 0; g < groups; ++g) {
            const size_t from = g * levelPages.size() / groups;
            const size_t to = (g + 1) * levelPages.size() / groups;
            std::vector<CdxKey> k(levelKeys.begin() + static_cast<long>(from),
                levelKeys.begin() + static_cast<long>(to));
            std::vector<uint32_t> c(levelPages.begin() + static_cast<long>(from),
                levelPages.begin() + static_cast<long>(to));
            const uint32_t self = first + static_cast<uint32_t>(g) * kPage;
            const uint32_t left = g == 0 ? kNone : self - kPage;
            const uint32_t right = g + 1 == groups ? kNone : self + kPage;
            b.pages.push_back(EncodeInterior(k, c, keyLength, groups == 1, left, right));
            upKeys.push_back(k.back());
            upPages.push_back(self);
        }
        levelKeys = std::move(upKeys);
        levelPages = std::move(upPages);
    }
    b.rootIndex = static_cast<uint32_t>(b.pages.size() - 1);
    return b;
}

int CompareKeys(const CdxKey &a, const CdxKey &b)
{
    const int c = std::memcmp(a.key.data(), b.key.data(), std::min(a.key.size(), b.key.size()));
    if (c != 0)
        return c;
    if (a.key.size() != b.key.size())
        return a.key.size() < b.key.size() ? -1 : 1;
    if (a.recno != b.recno)
        return a.recno < b.recno ? -1 : 1;
    return 0;
}

} // namespace

bool CdxKeyLess(const CdxKey &a, const CdxKey &b)
{
    return CompareKeys(a, b) < 0;
}

bool operator==(const CdxKey &a, const CdxKey &b)
{
    return a.recno == b.recno && a.key == b.key;
}

struct CdxFile::Page
{
    uint32_t offset = 0;
    bool leaf = true;
    bool root = false;
    uint32_t left = kNone;
    uint32_t right = kNone;
    std::vector<CdxKey> keys;
    std::vector<uint32_t> children; // interior pages
};

CdxFile::CdxFile(std::unique_ptr<FileIo> file)
    : m_file(std::move(file))
{
    unsigned char h[kPage * 2];
    if (m_file->read(0, h, sizeof h) != sizeof h)
        Corrupt(*m_file, "its header is truncated");
    CdxTag tagOfTags;
    tagOfTags.headerOffset = 0;
    tagOfTags.keyLength = Le16(h + 12);
    tagOfTags.options = h[14];
    if (tagOfTags.keyLength == 0 || tagOfTags.keyLength > 240)
        Corrupt(*m_file, "bad tag-name length");
    const uint64_t size = m_file->size();
    for (const CdxKey &k : keys(tagOfTags, ' ')) {
        CdxTag t;
        std::string name = k.key;
        while (!name.empty() && (name.back() == ' ' || name.back() == '\0'))
            name.pop_back();
        t.tag.name = name;
        t.headerOffset = k.recno;
        if (t.headerOffset % kPage != 0 || t.headerOffset + 2ull * kPage > size)
            Corrupt(*m_file, "tag " + name + " points past the end");
        unsigned char th[kPage * 2];
        m_file->readExact(t.headerOffset, th, sizeof th, "a tag header");
        t.keyLength = Le16(th + 12);
        t.options = th[14];
        if (t.keyLength == 0 || t.keyLength > 240)
            Corrupt(*m_file, "tag " + name + " has a bad key length");
        const auto expression = [&](int posAt, int lenAt) {
            const size_t pos = Le16(th + posAt);
            const size_t len = Le16(th + lenAt);
            if (pos >= kPage || len == 0)
                return std::string();
            const char *start = reinterpret_cast<const char *>(th + kPage + pos);
            const size_t n = std::min(len, static_cast<size_t>(kPage - pos));
            return std::string(start, strnlen(start, n));
        };
        t.tag.keyExpression = expression(508, 510);
        t.tag.forExpression = (t.options & kCdxHasFor) ? expression(504, 506) : std::string();
        t.tag.unique = t.options & kCdxUnique;
        t.tag.candidate = t.options & kCdxCandidate;
        t.tag.descending = Le16(th + 502) != 0;
        m_tags.push_back(std::move(t));
    }
}

uint32_t CdxFile::root(const CdxTag &tag) const
{
    unsigned char b[4];
    m_file->readExact(tag.headerOffset, b, 4, "a tag header");
    return Le32(b);
}

uint32_t CdxFile::version(const CdxTag &tag) const
{
    unsigned char b[4];
    m_file->readExact(tag.headerOffset + 8, b, 4, "a tag header");
    return Le32(b);
}

bool CdxFile::changeUnfinished(const CdxTag &tag) const
{
    return version(tag) & kChangeMark;
}

bool CdxFile::beginChange(const CdxTag &tag)
{
    const uint32_t before = version(tag);
    unsigned char b[4];
    PutLe32(b, ((before + 1) & ~kChangeMark) | kChangeMark);
    m_file->write(tag.headerOffset + 8, b, 4);
    return before & kChangeMark;
}

void CdxFile::endChange(const CdxTag &tag, bool keepMark)
{
    unsigned char b[4];
    PutLe32(b, ((version(tag) + 1) & ~kChangeMark) | (keepMark ? kChangeMark : 0));
    m_file->write(tag.headerOffset + 8, b, 4);
}

CdxFile::Page CdxFile::readPage(uint32_t offset, const CdxTag &tag, char pad) const
{
    if (offset % kPage != 0 || offset < kPage
        || offset + static_cast<uint64_t>(kPage) > m_file->size())
        Corrupt(*m_file, "a page pointer lies outside the file");
    unsigned char p[kPage];
    m_file->readExact(offset, p, kPage, "an index page");
    Page page;
    page.offset = offset;
    const uint16_t attr = Le16(p);
    page.leaf = attr & 2;
    page.root = attr & 1;
    const size_t n = Le16(p + 2);
    page.left = Le32(p + 4);
    page.right = Le32(p + 8);
    const size_t kl = tag.keyLength;
    if (!page.leaf) {
        if (n * (kl + 8) > kInteriorSpace)
            Corrupt(*m_file, "an interior page holds too many keys");
        for (size_t i = 0; i < n; ++i) {
            const unsigned char *e = p + 12 + i * (kl + 8);
            page.keys.push_back(
                { std::string(reinterpret_cast<const char *>(e), kl), Be32(e + kl) });
            page.children.push_back(Be32(e + kl + 4));
        }
        return page;
    }
    const uint32_t recMask = Le32(p + 14);
    const unsigned dupMask = p[18], trlMask = p[19];
    const int recBits = p[20], dupBits = p[21];
    const size_t es = p[23];
    if (es < 1 || es > 8 || recBits + dupBits + p[22] > static_cast<int>(es * 8)
        || n * es > kLeafSpace)
        Corrupt(*m_file, "a leaf page has a bad entry format");
    size_t keyEnd = kPage;
    const size_t entriesEnd = 24 + n * es;
    for (size_t i = 0; i < n; ++i) {
        uint64_t entry = 0;
        for (size_t b = 0; b < es; ++b)
            entry |= static_cast<uint64_t>(p[24 + i * es + b]) << (8 * b);
        const uint32_t rec = static_cast<uint32_t>(entry) & recMask;
        const size_t dup = (entry >> recBits) & dupMask;
        const size_t trl = (entry >> (recBits + dupBits)) & trlMask;
        if (dup + trl > kl || (i == 0 && dup > 0))
            Corrupt(*m_file, "a leaf entry has bad counts");
        const size_t stored = kl - dup - trl;
        if (keyEnd < entriesEnd + stored)
            Corrupt(*m_file, "a leaf page's keys overlap its entries");
        keyEnd -= stored;
        std::string key;
        key.reserve(kl);
        if (dup)
            key.assign(page.keys.back().key, 0, dup);
        key.append(reinterpret_cast<const char *>(p + keyEnd), stored);
        key.append(trl, pad);
        page.keys.push_back({ std::move(key), rec });
    }
    return page;
}

void CdxFile::writePage(const Page &page, const CdxTag &tag, char pad)
{
    if (page.leaf) {
        auto bytes = EncodeLeaf(page.keys, tag.keyLength, pad, page.root, page.left, page.right);
        if (!bytes)
            throw Error("Internal error: an index page overflowed");
        m_file->write(page.offset, *bytes);
    } else {
        m_file->write(page.offset,
            EncodeInterior(
                page.keys, page.children, tag.keyLength, page.root, page.left, page.right));
    }
}

uint32_t CdxFile::allocatePage()
{
    const uint64_t size = m_file->size();
    const uint64_t at = (size + kPage - 1) / kPage * kPage;
    if (at + kPage > 0xFFFFFFF0ull)
        throw Error("Index file " + m_file->path() + " is full");
    m_file->write(at, std::string(kPage, '\0'));
    return static_cast<uint32_t>(at);
}

std::vector<CdxKey> CdxFile::keys(const CdxTag &tag, char pad) const
{
    const uint64_t maxPages = m_file->size() / kPage + 1;
    uint64_t visited = 0;
    uint32_t offset = root(tag);
    Page page = readPage(offset, tag, pad);
    while (!page.leaf) {
        if (++visited > maxPages)
            Corrupt(*m_file, "its pages form a loop");
        if (page.children.empty())
            return {};
        page = readPage(page.children.front(), tag, pad);
    }
    std::vector<CdxKey> out;
    for (;;) {
        if (++visited > maxPages)
            Corrupt(*m_file, "its pages form a loop");
        for (auto &k : page.keys)
            out.push_back(std::move(k));
        if (page.right == kNone)
            break;
        page = readPage(page.right, tag, pad);
        if (!page.leaf)
            Corrupt(*m_file, "a leaf's sibling is not a leaf");
    }
    return out;
}

std::vector<CdxFile::PathStep> CdxFile::descend(
    const CdxTag &tag, char pad, const CdxKey &entry) const
{
    std::vector<PathStep> path;
    uint32_t offset = root(tag);
    const uint64_t maxDepth = 64;
    for (;;) {
        Page page = readPage(offset, tag, pad);
        if (page.leaf) {
            path.push_back({ offset, 0 });
            return path;
        }
        if (page.children.empty())
            Corrupt(*m_file, "an interior page is empty");
        size_t i = 0;
        while (i + 1 < page.keys.size() && CompareKeys(page.keys[i], entry) < 0)
            ++i;
        path.push_back({ offset, i });
        offset = page.children[i];
        if (path.size() > maxDepth)
            Corrupt(*m_file, "its tree is too deep");
    }
}

bool CdxFile::containsKey(const CdxTag &tag, const std::string &key, char pad) const
{
    const auto path = descend(tag, pad, { key, 0 });
    Page page = readPage(path.back().offset, tag, pad);
    for (int hops = 0; hops < 3; ++hops) {
        for (const auto &k : page.keys) {
            if (k.key == key)
                return true;
            if (k.key > key)
                return false;
        }
        if (page.right == kNone)
            return false;
        page = readPage(page.right, tag, pad);
    }
    return false;
}

std::optional<std::vector<uint32_t>> CdxFile::recordsWithKey(
    const CdxTag &tag, const std::string &key, char pad) const
{
    auto pause = std::chrono::microseconds(100);
    for (int attempt = 0; attempt < kSeekAttempts; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(pause);
            pause *= 2;
        }
        const uint32_t before = version(tag);
        if (before & kChangeMark) {
            // A writer that died mid-change leaves the mark for good: give it a moment only.
            if (attempt >= 2)
                return std::nullopt;
            continue;
        }
        std::optional<std::vector<uint32_t>> records;
        try {
            records = readRecordsWithKey(tag, key, pad);
        } catch (const Error &) {
            // A page caught half written reads as damage; damage that stays is reported.
            if (version(tag) == before)
                throw;
            continue;
        }
        if (version(tag) == before)
            return records;
    }
    return std::nullopt;
}

// One unlocked read of the entries with the key. Keys out of order (pages read from both sides
// of a change a writer made without marking it) throw as damage would, for the caller to judge.
std::vector<uint32_t> CdxFile::readRecordsWithKey(
    const CdxTag &tag, const std::string &keyIn, char pad) const
{
    std::string key = keyIn;
    key.resize(tag.keyLength, pad);
    const uint64_t maxPages = m_file->size() / kPage + 1;
    std::vector<uint32_t> out;
    // The first entry >= (key, 0) is in the leaf descend() reaches; equal keys may run on
    // into its right siblings.
    Page page = readPage(descend(tag, pad, { key, 0 }).back().offset, tag, pad);
    const CdxKey *previous = nullptr;
    CdxKey last;
    for (uint64_t visited = 1;; ++visited) {
        if (visited > maxPages)
            Corrupt(*m_file, "its pages form a loop");
        for (const CdxKey &k : page.keys) {
            if (previous && CompareKeys(*previous, k) > 0)
                Corrupt(*m_file, "its keys are out of order");
            previous = &k;
            const int c = std::memcmp(k.key.data(), key.data(), key.size());
            if (c > 0)
                return out;
            if (c == 0)
                out.push_back(k.recno);
        }
        if (page.right == kNone)
            return out;
        if (previous) {
            last = *previous;
            previous = &last;
        }
        page = readPage(page.right, tag, pad);
        if (!page.leaf)
            Corrupt(*m_file, "a leaf's sibling is not a leaf");
    }
}

// After a page's last key changed, the entries naming it in its ancestors change too.
void CdxFile::fixUpperKeys(
    const CdxTag &tag, char pad, std::vector<PathStep> path, const Page &changed)
{
    if (changed.keys.empty())
        return;
    CdxKey last = changed.keys.back();
    path.pop_back();
    while (!path.empty()) {
        Page parent = readPage(path.back().offset, tag, pad);
        const size_t i = path.back().index;
        if (i >= parent.keys.size() || CompareKeys(parent.keys[i], last) == 0)
            return;
        parent.keys[i] = last;
        writePage(parent, tag, pad);
        if (i + 1 != parent.keys.size())
            return;
        path.pop_back();
    }
}

void CdxFile::insert(const CdxTag &tag, char pad, const CdxKey &entry)
{
    const bool unfinished = beginChange(tag);
    insertKey(tag, pad, entry);
    endChange(tag, unfinished);
}

bool CdxFile::remove(const CdxTag &tag, char pad, const CdxKey &entry)
{
    const bool unfinished = beginChange(tag);
    const bool removed = removeKey(tag, pad, entry);
    endChange(tag, unfinished);
    return removed;
}

void CdxFile::replaceKeys(const CdxTag &tag, char pad, std::vector<CdxKey> keys)
{
    for (CdxKey &k : keys)
        k.key.resize(tag.keyLength, pad);
    std::sort(keys.begin(), keys.end(), CdxKeyLess);
    const uint64_t at = (m_file->size() + kPage - 1) / kPage * kPage;
    const BuiltTree tree = BuildTree(keys, tag.keyLength, pad, static_cast<uint32_t>(at));
    if (at + tree.pages.size() * kPage > 0xFFFFFFF0ull)
        throw Error("Index file " + m_file->path() + " is full");
    std::string bytes;
    for (const std::string &page : tree.pages)
        bytes += page;
    beginChange(tag);
    m_file->write(at, bytes);
    unsigned char b[4];
    PutLe32(b, static_cast<uint32_t>(at) + tree.rootIndex * kPage);
    m_file->write(tag.headerOffset, b, 4);
    endChange(tag, false);
}

void CdxFile::insertKey(const CdxTag &tag, char pad, const CdxKey &entryIn)
{
    CdxKey entry = entryIn;
    entry.key.resize(tag.keyLength, pad);
    auto path = descend(tag, pad, entry);
    Page page = readPage(path.back().offset, tag, pad);
    auto at = std::upper_bound(page.keys.begin(), page.keys.end(), entry, CdxKeyLess);
    page.keys.insert(at, entry);

    if (EncodeLeaf(page.keys, tag.keyLength, pad, page.root, page.left, page.right)) {
        writePage(page, tag, pad);
        fixUpperKeys(tag, pad, path, page);
        return;
    }

    // Split: the page keeps the lower half, a new right sibling takes the upper half; then the
    // parent gains an entry, splitting upwards as far as needed.
    Page current = std::move(page);
    for (;;) {
        Page right;
        right.offset = allocatePage();
        right.leaf = current.leaf;
        const size_t half = current.keys.size() / 2;
        right.keys.assign(current.keys.begin() + static_cast<long>(half), current.keys.end());
        current.keys.resize(half);
        if (!current.leaf) {
            right.children.assign(
                current.children.begin() + static_cast<long>(half), current.children.end());
            current.children.resize(half);
        }
        right.left = current.offset;
        right.right = current.right;
        current.right = right.offset;
        const bool wasRoot = current.root;
        current.root = false;
        right.root = false;
        if (right.right != kNone) {
            unsigned char b[4];
            PutLe32(b, right.offset);
            readPage(right.right, tag, pad); // checks the pointer
            m_file->write(right.right + 4, b, 4);
        }
        writePage(right, tag, pad);
        writePage(current, tag, pad);

        if (wasRoot) {
            Page root;
            root.offset = allocatePage();
            root.leaf = false;
            root.root = true;
            root.keys = { current.keys.back(), right.keys.back() };
            root.children = { current.offset, right.offset };
            writePage(root, tag, pad);
            unsigned char b[4];
            PutLe32(b, root.offset);
            m_file->write(tag.headerOffset, b, 4);
            return;
        }
        path.pop_back();
        Page parent = readPage(path.back().offset, tag, pad);
        const size_t i = path.back().index;
        parent.keys[i] = current.keys.back();
        parent.keys.insert(parent.keys.begin() + static_cast<long>(i) + 1, right.keys.back());
        parent.children.insert(parent.children.begin() + static_cast<long>(i) + 1, right.offset);
        if (parent.keys.size() <= InteriorCapacity(tag.keyLength)) {
            writePage(parent, tag, pad);
            fixUpperKeys(tag, pad, path, parent);
            return;
        }
        current = std::move(parent);
    }
}

bool CdxFile::removeKey(const CdxTag &tag, char pad, const CdxKey &entryIn)
{
    CdxKey entry = entryIn;
    entry.key.resize(tag.keyLength, pad);
    auto path = descend(tag, pad, entry);
    Page page = readPage(path.back().offset, tag, pad);
    auto it = std::find_if(page.keys.begin(), page.keys.end(),
        [&](const CdxKey &k) { return CompareKeys(k, entry) == 0; });
    if (it == page.keys.end())
        return false;
    page.keys.erase(it);
    for (;;) {
        if (!page.keys.empty() || page.root) {
            if (page.root && !page.leaf && page.keys.empty())
                page.leaf = true; // an emptied tree becomes one empty root leaf
            writePage(page, tag, pad);
            fixUpperKeys(tag, pad, path, page);
            return true;
        }
        // Unlink the emptied page from its siblings and remove it from its parent.
        unsigned char b[4];
        if (page.left != kNone) {
            readPage(page.left, tag, pad);
            PutLe32(b, page.right);
            m_file->write(page.left + 8, b, 4);
        }
        if (page.right != kNone) {
            readPage(page.right, tag, pad);
            PutLe32(b, page.left);
            m_file->write(page.right + 4, b, 4);
        }
        path.pop_back();
        Page parent = readPage(path.back().offset, tag, pad);
        const size_t i = path.back().index;
        parent.keys.erase(parent.keys.begin() + static_cast<long>(i));
        parent.children.erase(parent.children.begin() + static_cast<long>(i));
        page = std::move(parent);
    }
}

std::string BuildCdx(std::vector<CdxNewTag> tags)
{
    const auto header = [](uint32_t root, uint16_t keyLength, uint8_t options,
                            const std::string &key, const std::string &forExpr) {
        std::string h(2 * kPage, '\0');
        auto *p = reinterpret_cast<unsigned char *>(h.data());
        PutLe32(p, root);
        PutLe16(p + 12, keyLength);
        p[14] = options;
        p[15] = 1;
        const size_t keyLen = key.size() + 1;
        const size_t forLen = forExpr.size() + 1;
        PutLe16(p + 504, static_cast<uint32_t>(keyLen));
        PutLe16(p + 506, static_cast<uint32_t>(forLen));
        PutLe16(p + 508, 0);
        PutLe16(p + 510, static_cast<uint32_t>(keyLen));
        std::memcpy(p + kPage, key.data(), key.size());
        std::memcpy(p + kPage + keyLen, forExpr.data(), forExpr.size());
        return h;
    };

    for (auto &t : tags) {
        for (auto &c : t.name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::sort(t.keys.begin(), t.keys.end(), CdxKeyLess);
        if (!t.forExpression.empty())
            t.options |= kCdxHasFor;
    }
    std::sort(tags.begin(), tags.end(),
        [](const CdxNewTag &a, const CdxNewTag &b) { return a.name < b.name; });

    // The tag of tags comes first; its size decides where the tags start, and it names their
    // offsets, so settle it by iteration (it holds few keys: one pass nearly always does).
    std::vector<BuiltTree> built;
    uint32_t totPages = 1;
    std::vector<CdxKey> names;
    for (int pass = 0; pass < 4; ++pass) {
        built.clear();
        names.clear();
        uint32_t at = 2 * kPage + totPages * kPage;
        for (const auto &t : tags) {
            std::string name = t.name.substr(0, 10);
            name.resize(10, ' ');
            names.push_back({ name, at });
            built.push_back(BuildTree(t.keys, t.keyLength, t.pad, at + 2 * kPage));
            at += 2 * kPage + static_cast<uint32_t>(built.back().pages.size()) * kPage;
        }
        std::sort(names.begin(), names.end(), CdxKeyLess);
        if (BuildTree(names, 10, ' ', 2 * kPage).pages.size() == totPages)
            break;
        totPages = static_cast<uint32_t>(BuildTree(names, 10, ' ', 2 * kPage).pages.size());
    }
    const BuiltTree tot = BuildTree(names, 10, ' ', 2 * kPage);
    std::string out = header(
        2 * kPage + tot.rootIndex * kPage, 10, kCdxTagOfTags | kCdxCompound | kCdxCompact, "", "");
    for (const auto &p : tot.pages)
        out += p;
    for (size_t i = 0; i < tags.size(); ++i) {
        const uint32_t base = static_cast<uint32_t>(out.size()) + 2 * kPage;
        out += header(base + built[i].rootIndex * kPage, tags[i].keyLength, tags[i].options,
            tags[i].keyExpression, tags[i].forExpression);
        for (const auto &p : built[i].pages)
            out += p;
    }
    return out;
}

} // namespace vfp
