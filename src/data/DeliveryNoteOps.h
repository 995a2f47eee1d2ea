#pragma once

#include "data/DeliveryNotes.h"

namespace db {
class Query;
}

// Reads both lookups for a company unless they are open and were read for it already.
// Returns whether the tables were read.
bool OpenDeliveryNotes(DeliveryNoteLookup &lookup, db::Query &qryInvDelNotes,
    db::Query &qryCNDelNotes, const QString &companyId);
