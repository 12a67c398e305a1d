#include "app/TCommandImages.h"

#include "automation/TActionList.h"
#include "automation/TtoggleAction.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QStyle>

namespace
{
constexpr int IconSize = 22;

struct Glyph {
    const char* text; // drawn glyph, or null for a style icon
    QStyle::StandardPixmap standard;
    QRgb colour;
    const char* themeName = nullptr; // the desktop theme's picture, first choice
};

// Icons come from the desktop's icon theme by their freedesktop names; where
// the theme has none they are drawn, not shipped: a few style pictures and
// glyphs of the default sans-serif font, tinted per group (files, grab,
// display, panels).
QIcon glyphIcon(const QString& text, QColor colour, bool framed)
{
    QPixmap pm(IconSize * 2, IconSize * 2);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (framed) {
        p.setPen(QPen(colour.darker(130), 1));
        p.setBrush(colour.lighter(185));
        p.drawRoundedRect(QRectF(1.5, 1.5, IconSize - 3, IconSize - 3), 4, 4);
    }
    QFont f = QApplication::font();
    f.setBold(true);
    f.setPixelSize(text.size() > 1 ? 10 : 14);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(0, 0, IconSize, IconSize), Qt::AlignCenter, text);
    return QIcon(pm);
}

QIcon styleIcon(QStyle::StandardPixmap sp)
{
    return QApplication::style()->standardIcon(sp);
}

const QHash<QString, Glyph>& glyphs()
{
    static const QHash<QString, Glyph> table = {
        { "saOpenFile", { nullptr, QStyle::SP_DirOpenIcon, 0, "document-open" } },
        { "saPaste", { "⇲", {}, 0xff2060a0, "edit-paste" } },
        { "saScript", { "≡", {}, 0xff2060a0, "text-x-script" } },
        { "saVider", { "✕", {}, 0xff2060a0, "edit-clear" } },
        { "saGrab", { "●", {}, 0xffc02020, "camera-photo" } },
        { "saCopier", { "❐", {}, 0xffc02020, "edit-copy" } },
        { "taIntervalloShow", { "◔", {}, 0xffc02020, "appointment-soon" } },
        { "tafullscreen", { "⤢", {}, 0xff207020, "view-fullscreen" } },
        { "taMute", { nullptr, QStyle::SP_MediaVolume, 0, "audio-volume-high" } },
        { "taIncruster", { "T", {}, 0xff207020, "insert-text" } },
        { "taVertFlip", { "⇅", {}, 0xff207020, "object-flip-vertical" } },
        { "taHorzFlip", { "⇄", {}, 0xff207020, "object-flip-horizontal" } },
        { "saExtraireFrame", { "E", {}, 0xff805000, "insert-image" } },
        { "saSourcesFrame", { "S", {}, 0xff805000, "video-x-generic" } },
        { "saDossiersFrame", { "D", {}, 0xff805000, "folder-pictures" } },
        { "saIncrusterFrame", { "I", {}, 0xff805000, "format-text-bold" } },
        { "saOptionsFrame", { "⚙", {}, 0xff805000, "preferences-system" } },
        { "saHelp", { "?", {}, 0xff805000, "help-contents" } },
        { "saApropos", { "i", {}, 0xff805000, "help-about" } },
        { "taraccourcis", { "⌘", {}, 0xff505050, "preferences-desktop-keyboard-shortcuts" } },
        { "acQuitter", { nullptr, QStyle::SP_DialogCloseButton, 0, "application-exit" } },
        { "taPlayPause", { nullptr, QStyle::SP_MediaPlay, 0, "media-playback-start" } },
        { "saReculeLow", { "◂|", {}, 0xff303030 } },
        { "saAvanceLow", { "|▸", {}, 0xff303030 } },
        { "saReculeMedium", { nullptr, QStyle::SP_MediaSeekBackward, 0, "media-seek-backward" } },
        { "saAvanceMedium", { nullptr, QStyle::SP_MediaSeekForward, 0, "media-seek-forward" } },
        { "saReculeHigh", { "◂◂", {}, 0xff303030 } },
        { "saAvanceHigh", { "▸▸", {}, 0xff303030 } },
        { "saReculeTrack", { nullptr, QStyle::SP_MediaSkipBackward, 0, "media-skip-backward" } },
        { "saAvanceTrack", { nullptr, QStyle::SP_MediaSkipForward, 0, "media-skip-forward" } },
        { "saAbort", { nullptr, QStyle::SP_BrowserStop, 0, "process-stop" } },
        { "saOuvrirDossierImages", { nullptr, QStyle::SP_DirIcon, 0, "folder-open" } },
    };
    return table;
}
} // namespace

TImageList BuildCommandImages(const TActionList& list)
{
    TImageList images;
    for (int i = 0; i < list.Count(); ++i) {
        TCustomSuperAction* a = list.Action(i);
        const QString name = a->objectName();
        const auto it = glyphs().constFind(name);
        QIcon icon;
        if (it == glyphs().constEnd()) {
            // Commands reached mostly by keys and scripts get their initial.
            const QString caption = a->Caption().remove(QLatin1Char('&'));
            icon = glyphIcon(caption.left(1).toUpper(), QColor(0x50, 0x50, 0x50), true);
        } else {
            // The desktop's own picture when its theme has one; ours otherwise.
            const QIcon drawn = it->text
                ? glyphIcon(QString::fromUtf8(it->text), QColor::fromRgb(it->colour), true)
                : styleIcon(it->standard);
            icon = it->themeName ? QIcon::fromTheme(QString::fromLatin1(it->themeName), drawn) : drawn;
        }
        const int index = a->imageindex() >= 0 ? a->imageindex() : i;
        while (images.size() <= index)
            images.append(QIcon());
        images[index] = icon;

        // The "on" pictures of the two commands whose icon changes.
        if (auto* t = qobject_cast<TtoggleAction*>(a); t && t->TrueImageIndex != t->FalseImageIndex) {
            QIcon on = name == QLatin1String("taMute")
                ? QIcon::fromTheme(
                    QStringLiteral("audio-volume-muted"), styleIcon(QStyle::SP_MediaVolumeMuted))
                : glyphIcon(QStringLiteral("T"), QColor(0xc0, 0x20, 0x20), true);
            while (images.size() <= t->TrueImageIndex)
                images.append(QIcon());
            images[t->TrueImageIndex] = on;
        }
    }
    return images;
}
