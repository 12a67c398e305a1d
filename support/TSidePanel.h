#pragma once
// Common frame of the side panels: 276 pixels wide, placed in the panel column
// by the main window, one visible at a time.

#include <QFrame>

class QLabel;
class QVBoxLayout;

class TSidePanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr int Width = 276;
    static constexpr int Top = 56;

    TSidePanel(const QString& objectName, const QString& title, QWidget* parent);

protected:
    QVBoxLayout* body() const { return m_body; }
    // The body takes the panel's whole height rather than its own.
    void FillHeight();

private:
    QLabel* m_title;
    QVBoxLayout* m_body;
};
