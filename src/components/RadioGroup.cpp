#include "components/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QStringList &items, int columns, QWidget *parent)
    : QGroupBox(parent)
    , m_group(new QButtonGroup(this))
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->setHorizontalSpacing(2);
    layout->setVerticalSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(items[i], this);
        m_group->addButton(radio, i);
        layout->addWidget(radio, i / columns, i % columns);
    }
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Q_EMIT itemIndexChanged(id);
    });
}

int TRadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *radio = m_group->button(index)) {
        radio->setChecked(true);
    } else if (QAbstractButton *checked = m_group->checkedButton()) {
        m_group->setExclusive(false);
        checked->setChecked(false);
        m_group->setExclusive(true);
    }
}

QRadioButton *TRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}

int TRadioGroup::count() const
{
    return int(m_group->buttons().size());
}
