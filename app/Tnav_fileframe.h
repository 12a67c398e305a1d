#pragma once
// The navigation bar under the picture: the position slider over the step
// buttons and the Play button.

#include <QFrame>

class QSlider;
class QToolButton;
class TActionList;
class TCustomSuperAction;

class Tnav_fileframe : public QFrame
{
    Q_OBJECT
public:
    // Pictures of the Play button: normal, red (maximum speed), none loaded.
    enum class TPlayPicture { Normal, MaxSpeed, NoVideo };

    explicit Tnav_fileframe(QWidget* parent);
    // Binds the buttons to their commands, left to right.
    void BindCommands(const TActionList& list);
    void SetPlayPicture(TPlayPicture picture);
    TPlayPicture PlayPicture() const { return m_picture; }

    QSlider* tb = nullptr;
    QToolButton* PlayButton = nullptr;
    QList<QToolButton*> Buttons;

    static const char* const ButtonCommands[9];

private:
    TPlayPicture m_picture = TPlayPicture::NoVideo;
    TCustomSuperAction* m_play = nullptr;
};
