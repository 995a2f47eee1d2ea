#pragma once

#include <QWidget>

class QTimer;

// A small looping activity animation: a magnifier sweeping over a sheet of paper, the picture
// of a search for a file.
class TDlgInfoActivity : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FrameCount = 12;

    explicit TDlgInfoActivity(QWidget *parent);

    void setPlaying(bool playing);
    bool isPlaying() const;
    int frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
    int m_frame = 0;
};
