#pragma once
// The grab panel: the last snapshot as a thumbnail, with its position, its
// size and the name it is (or would be) saved under.

#include "support/TSidePanel.h"

class QFrame;
class QLabel;

class TExtraireFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TExtraireFrame(QWidget* parent);

    QLabel* Image = nullptr; // the thumbnail, stretched
    QLabel* SnapLab = nullptr; // its position
    QFrame* Bevel1 = nullptr; // frame of the position
    QLabel* labImagetteTaille = nullptr;
    QLabel* labsnapname = nullptr; // the file name; a click saves
    QFrame* Bevel3 = nullptr; // the thumbnail's place before a grab

    // No thumbnail, empty labels.
    void Clear();

signals:
    void ImageClicked();
    void SnapNameClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};
