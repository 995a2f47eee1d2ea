#include "app/SalesMain.h"

#include "components/DlgInfFm.h"
#include "review/QueryBuilder.h"
#include "review/ReviewCommands.h"
#include "util/MessageService.h"

#include <QCoreApplication>
#include <QPushButton>

namespace {

void LetMessagesThroughNow()
{
    QCoreApplication::processEvents();
}

// Send Tagged and Print Tagged stay disabled while either runs, however the run ends.
class DispatchButtonsOff
{
public:
    explicit DispatchButtonsOff(TNavigator *navigator)
        : m_navigator(navigator)
    {
        apply(false);
    }
    ~DispatchButtonsOff() { apply(true); }
    DispatchButtonsOff(const DispatchButtonsOff &) = delete;
    DispatchButtonsOff &operator=(const DispatchButtonsOff &) = delete;

    // The bar enables its user buttons again when the list goes inactive, as Display makes it.
    void again() { apply(false); }

private:
    void apply(bool enabled)
    {
        m_navigator->Buttons(brwUdf1)->setEnabled(enabled);
        m_navigator->Buttons(brwUdf2)->setEnabled(enabled);
    }
    TNavigator *m_navigator;
};

} // namespace

void TFrmSalesMain::TagAllClick()
{
    TagAllRows(m_memSTran, reviewWriter(), LetMessagesThroughNow);
}

void TFrmSalesMain::TagNoneClick()
{
    TagNoneRows(m_memSTran, reviewWriter(), LetMessagesThroughNow);
}

void TFrmSalesMain::MarkaseMailed1Click()
{
    FlipTaggedFlags(m_memSTran, reviewWriter(), StatusFlag::Sent, LetMessagesThroughNow);
}

void TFrmSalesMain::MarkasPrinted1Click()
{
    FlipTaggedFlags(m_memSTran, reviewWriter(), StatusFlag::Printed, LetMessagesThroughNow);
}

void TFrmSalesMain::SetMailFlagsClick()
{
    SetMailFlagsWhereAddressed(m_memSTran, reviewWriter(), LetMessagesThroughNow);
}

void TFrmSalesMain::NavSTranButtonClick(TvxBrwButtons button)
{
    if (button == brwUdf1)
        DispatchTagged(StatusFlag::Sent);
    else if (button == brwUdf2)
        DispatchTagged(StatusFlag::Printed);
}

// Send Tagged (flag sent) and Print Tagged (flag printed): the run, then the marking question.
// Yes marks the tagged documents that the run handed over; the others stay unmarked so that the
// next Display still lists them.
void TFrmSalesMain::DispatchTagged(StatusFlag flag)
{
    const bool send = flag == StatusFlag::Sent;
    DispatchButtonsOff buttonsOff(NavSTran);
    // The e-mail run groups consecutive rows by account, so it needs the list in account order.
    if (send && SortClause != DefaultSortClause) {
        SortClause = DefaultSortClause;
        BtnDisplayClick();
        buttonsOff.again();
    }
    if (!m_memSTran.isOpen() || m_memSTran.recordCount() == 0) {
        ShowMessage(QStringLiteral("No records displayed"));
        return;
    }
    OfferToMarkEarlierDispatches(flag);
    m_dispatched.clear();
    StartJournalRun();
    (send ? DlgSend : DlgPrint)->Execute();
    const QString question = send ? QStringLiteral("Mark Documents as Sent?")
                                  : QStringLiteral("Mark Documents as Printed?");
    const bool mark = AskYesNo(question);
    CloseJournalRun();
    if (!mark)
        return;
    MarkDispatchedRows(m_memSTran, reviewWriter(), flag, m_dispatched, LetMessagesThroughNow);
}
