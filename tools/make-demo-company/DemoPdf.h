#pragma once

#include "DemoData.h"

#include <QByteArray>

namespace demo {

// A one-page PDF of an invoice or credit note, drawn with Qt's PDF writer. The creation stamp is
// set from the document's date so that the same company gives the same bytes on every run.
QByteArray RenderDocumentPdf(
    const Company &company, const Customer *customer, const Transaction &transaction);

} // namespace demo
