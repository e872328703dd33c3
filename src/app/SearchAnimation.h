#pragma once

#include <QTimer>
#include <QWidget>

// The busy indicator beside the status line: a magnifying glass sweeping over a sheet while a
// search runs, resting on its last frame when stopped.
class SearchAnimation final : public QWidget
{
    Q_OBJECT

public:
    explicit SearchAnimation(QWidget *parent = nullptr);

    void play();
    void stop();
    bool isPlaying() const { return m_timer.isActive(); }
    int frame() const { return m_frame; }

    static constexpr int FrameCount = 24;
    static constexpr int StopFrame = 23;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer m_timer;
    int m_frame = StopFrame;
};
