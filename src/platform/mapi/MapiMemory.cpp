#include "platform/mapi/MapiMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace mapimem {

namespace {

// Each block starts with a header; the root's header heads the list of its chained blocks.
struct alignas(std::max_align_t) Header
{
    Header *next;
    bool root;
};

Header *headerOf(void *buffer)
{
    return static_cast<Header *>(buffer) - 1;
}

void *allocate(ULONG size, bool root)
{
    auto *header = static_cast<Header *>(std::calloc(1, sizeof(Header) + size));
    if (!header)
        return nullptr;
    header->next = nullptr;
    header->root = root;
    return header + 1;
}

} // namespace

SCODE allocateBuffer(ULONG size, void **buffer)
{
    if (!buffer)
        return E_INVALIDARG;
    *buffer = allocate(size, true);
    return *buffer ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

SCODE allocateMore(ULONG size, void *root, void **buffer)
{
    if (!buffer || !root || !headerOf(root)->root)
        return E_INVALIDARG;
    *buffer = allocate(size, false);
    if (!*buffer)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    Header *rootHeader = headerOf(root);
    Header *block = headerOf(*buffer);
    block->next = rootHeader->next;
    rootHeader->next = block;
    return S_OK;
}

ULONG freeBuffer(void *buffer)
{
    if (!buffer)
        return S_OK;
    Header *header = headerOf(buffer);
    if (!header->root)
        return static_cast<ULONG>(E_INVALIDARG); // chained blocks go with their root
    while (header) {
        Header *next = header->next;
        std::free(header);
        header = next;
    }
    return S_OK;
}

char *copyUtf8(const QString &text, void *root)
{
    const QByteArray bytes = text.toUtf8();
    void *block = nullptr;
    if (allocateMore(ULONG(bytes.size() + 1), root, &block) != S_OK)
        return nullptr;
    std::memcpy(block, bytes.constData(), size_t(bytes.size()) + 1);
    return static_cast<char *>(block);
}

char16_t *copyUtf16(const QString &text, void *root)
{
    void *block = nullptr;
    const size_t size = (size_t(text.size()) + 1) * sizeof(char16_t);
    if (allocateMore(ULONG(size), root, &block) != S_OK)
        return nullptr;
    std::memcpy(block, text.utf16(), size);
    return static_cast<char16_t *>(block);
}

uint8_t *copyBytes(const QByteArray &bytes, void *root)
{
    void *block = nullptr;
    if (allocateMore(ULONG(bytes.size() ? bytes.size() : 1), root, &block) != S_OK)
        return nullptr;
    if (!bytes.isEmpty())
        std::memcpy(block, bytes.constData(), size_t(bytes.size()));
    return static_cast<uint8_t *>(block);
}

} // namespace mapimem
