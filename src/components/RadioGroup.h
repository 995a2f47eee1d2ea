#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A framed group of radio buttons laid out in columns, with the chosen item as an index
// (-1 when none is chosen).
class TRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    TRadioGroup(const QStringList &items, int columns, QWidget *parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton *button(int index) const;
    int count() const;

Q_SIGNALS:
    void itemIndexChanged(int index);

private:
    QButtonGroup *m_group;
};
