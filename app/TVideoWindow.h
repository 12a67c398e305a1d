#pragma once
// The video area of the main window: it draws the latest frame the video
// renderer handed over, stretched to the whole widget (the widget's shape,
// which the main window sets, gives the aspect ratio), on black. Without a
// frame it is plain black.

#include <QImage>
#include <QWidget>

class TVideoRenderer;

class TVideoWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TVideoWindow(QWidget* parent = nullptr);

    // Follows this renderer's frames from now on (nullptr: none).
    void SetRenderer(TVideoRenderer* renderer);
    TVideoRenderer* Renderer() const { return m_renderer; }
    const QImage& Frame() const { return m_frame; }
    // Smooth scaling (the default) or the nearest pixel: while frames come
    // as fast as they decode, smoothing each one cost the UI thread, which
    // the stream waits for, more than the picture gains.
    void SetSmooth(bool smooth) { m_smooth = smooth; }
    bool Smooth() const { return m_smooth; }

signals:
    // A mouse button went down on the picture (the window decides what it
    // means, the right button included).
    void MouseDown(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The right button already opened the menu on its press.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void showFrame(const QImage& frame);

    TVideoRenderer* m_renderer = nullptr;
    QMetaObject::Connection m_connection;
    QImage m_frame; // shares the renderer's buffer: never copied
    bool m_smooth = true;
};
