#pragma once
// The full-screen backdrop: a borderless black window with a silver frame
// around the video. Keys pressed on it belong to the main window, so every
// shortcut keeps working in full screen.

#include <QRect>
#include <QWidget>

class Tplaque : public QWidget
{
    Q_OBJECT
public:
    explicit Tplaque(QWidget* keyTarget);

    // The frame drawn around the video, in the backdrop's coordinates.
    void SetFrameRect(const QRect& r);
    QRect FrameRect() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* m_keyTarget;
    QRect m_frame;
};
