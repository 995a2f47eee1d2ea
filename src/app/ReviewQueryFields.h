#pragma once

#include "platform/database/Query.h"

#include <QList>

// The review query's fields in the order its select names them, with the labels and visibility
// the export writes its heading from; "Del Note" is a calculated field that nothing fills.
QList<db::FieldDef> ReviewQueryFields();
