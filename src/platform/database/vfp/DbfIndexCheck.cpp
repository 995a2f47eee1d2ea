// Repairing the program's own table after a writer was killed: a record past the count goes,
// and index tags that disagree with the records are rebuilt.

#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/Locking.h"

#include <algorithm>

namespace vfp {

void DbfTable::markOwnTable()
{
    m_ownTable = true;
    if (!m_dbf->writable())
        return;
    try {
        checkIndexOnce();
    } catch (const Error &) {
        // Locks held elsewhere (or a read-only index): the first write tries again and
        // reports it; until the check has been made, seeks do not use the index.
    }
}

void DbfTable::checkIndexOnce()
{
    if (!m_ownTable || m_indexChecked)
        return;
    repairOwnTable();
    m_indexChecked = true;
}

int DbfTable::repairOwnTable()
{
    requireWritable();
    ScopedLock headerLock(*m_dbf, kTableHeaderLock, "table header");
    refreshCount();
    // Under the header lock no append is under way, so whole records past the count were
    // left by a writer that died before counting them.
    const uint64_t end = m_header.headerLength + uint64_t { m_recordCount } * m_header.recordLength;
    if (m_dbf->size() >= end + m_header.recordLength) {
        m_dbf->write(end, "\x1A", 1);
        m_dbf->truncate(end + 1);
    }
    CdxFile *cdx = index();
    if (!cdx)
        return 0;
    // Appends wait on the header lock and key changes on the index lock (in that order, as an
    // append takes them), so records and keys hold still while they are compared.
    ScopedLock indexLock(cdx->file(), kIndexLock, "index");
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
