// Checking a table's structural index against its records, and rebuilding the tags that differ.

#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/Locking.h"

#include <algorithm>

namespace vfp {

void DbfTable::checkIndexOnce()
{
    if (!m_checkIndexBeforeWriting || m_indexChecked)
        return;
    repairIndex();
    m_indexChecked = true;
}

int DbfTable::repairIndex()
{
    requireWritable();
    CdxFile *cdx = index();
    if (!cdx)
        return 0;
    // Appends wait on the header lock and key changes on the index lock (in that order, as an
    // append takes them), so records and keys hold still while they are compared.
    ScopedLock headerLock(*m_dbf, kTableHeaderLock, "table header");
    ScopedLock indexLock(cdx->file(), kIndexLock, "index");
    refreshCount();
    int rebuilt = 0;
    for (const TagPlan &p : plans()) {
        if (!p.key || !p.why.empty())
            continue;
        std::vector<CdxKey> expected;
        expected.reserve(m_recordCount);
        for (uint32_t recno = 1; recno <= m_recordCount; ++recno) {
            const char *record = recordPointer(recno);
            if (included(p, record))
                expected.push_back({ p.key->evaluate(record, m_header, *m_codePage), recno });
        }
        std::sort(expected.begin(), expected.end(), CdxKeyLess);
        const char pad = padFor(p.tag);
        bool agrees = !cdx->changeUnfinished(p.tag);
        if (agrees) {
            try {
                agrees = cdx->keys(p.tag, pad) == expected;
            } catch (const Error &) {
                agrees = false; // pages a dying writer left half linked
            }
        }
        if (!agrees) {
            cdx->replaceKeys(p.tag, pad, std::move(expected));
            ++rebuilt;
        }
    }
    return rebuilt;
}

} // namespace vfp
