#include "app/TVideoWindow.h"

#include "media/TVideoRenderer.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

TVideoWindow::TVideoWindow(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("vwEcran"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::ClickFocus);
}

void TVideoWindow::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event);
}

void TVideoWindow::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

void TVideoWindow::SetRenderer(TVideoRenderer* renderer)
{
    if (m_connection) disconnect(m_connection);
    m_renderer = renderer;
    if (renderer)
        m_connection = connect(renderer, &TVideoRenderer::FrameReady, this, &TVideoWindow::showFrame);
    showFrame(renderer ? renderer->LastFrame() : QImage());
}

void TVideoWindow::showFrame(const QImage& frame)
{
    m_frame = frame;
    update();
}

void TVideoWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth);
    painter.drawImage(rect(), m_frame);
}
