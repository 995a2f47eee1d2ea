#pragma once

#include <QCheckBox>

// A check box whose caption stands on its left and whose box sits at its right edge.
class TLeftCaptionCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit TLeftCaptionCheckBox(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};
