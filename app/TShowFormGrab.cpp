// The main window's grabs: the snapshot of the current frame, its saving
// as JPEG or BMP under the next image name, the clipboard copy, and the
// naming of images (root, number or timestamp, folder, format).

#include "app/GrabExif.h"
#include "app/TShowForm.h"
#include "app/VideoFitting.h"
#include "automation/CommandContext.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "capture/ImageNaming.h"
#include "capture/ImageStretch.h"
#include "capture/TDossiersFrame.h"
#include "capture/TExtraireFrame.h"
#include "capture/TImageWriteQueue.h"
#include "capture/TImageWriter.h"
#include "capture/TWideDirectoryEdit.h"
#include "filters/Deinterlace.h"
#include "media/SourcePaths.h"
#include "platform/FileManager.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "support/Product.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>

namespace
{
const QColor MoneyGreen(192, 220, 192);

int intValue(TIntegerParameter* p, int fallback)
{
    return p ? p->Value : fallback;
}
bool boolValue(TBooleanParameter* p, bool fallback)
{
    return p ? p->Value : fallback;
}
} // namespace

TDossiersFrame* TShowForm::DossiersFrame() const
{
    return static_cast<TDossiersFrame*>(m_panels[1]);
}
TExtraireFrame* TShowForm::ExtraireFrame() const
{
    return static_cast<TExtraireFrame*>(m_panels[2]);
}

void TShowForm::reportFailure(const QString& text)
{
    if (OnFailure)
        OnFailure(text);
    else
        QMessageBox::critical(this, Product::Name, text);
}

// ---------------------------------------------------------------------------
// Commands and panel handlers.

void TShowForm::bindGrabCommands()
{
    if (auto* a = PlainCommand("saGrab"))
        a->Onexecute = [this](QObject*) {
            if (m_activePanel != 2) ShowPanel(2);
            // Only a picture taken now is saved: an old thumbnail must not
            // take the name of the position shown.
            if (TakeSnapshot()) SaveSnapshot();
            ExtraireFrame()->Bevel3->hide();
        };
    if (auto* a = PlainCommand("saCopier"))
        a->Onexecute = [this](QObject*) {
            if (TakeSnapshot() && !m_outputImage.isNull())
                QGuiApplication::clipboard()->setImage(m_outputImage);
        };
    if (auto* a = PlainCommand("saBmpOption"))
        a->Onexecute = [this](QObject*) { DossiersFrame()->SetExtensionIndex(0); };
    if (auto* a = PlainCommand("saJpgOption")) {
        // From the window the quality stays as it is.
        a->Onprepare = [](QObject*) {
            CommandArguments = QStringList { QString::number(ParJpegQuality ? ParJpegQuality->Value : 50) };
        };
        a->Onexecute = [this](QObject*) {
            DossiersFrame()->SetExtensionIndex(1);
            const int quality = int(NumberOfText(CommandArguments.value(0)));
            if (ParJpegQuality) ParJpegQuality->Value = quality;
            DossiersFrame()->TrackBar1->setValue(quality);
        };
    }
    bindOptionToggle(
        "taImagesDeinterlacer", &ParInternalDeinterlacer, QStringLiteral("Internal Deinterlacer"));
    bindOptionToggle("taConfirmerImages", &ParConfirmerImage, QStringLiteral("Confirmer Image"));
    bindOptionToggle("taSauverQuandClic", &ParSauverQuandClic, QStringLiteral("Sauver quand clic"));
    if (auto* a = PlainCommand("saOuvrirDossierImages"))
        a->Onexecute = [this](QObject*) { OuvrirDossierImages(); };

    TDossiersFrame* names = DossiersFrame();
    if (auto* a = PlainCommand("saRacine"))
        a->Onexecute = [this, names](QObject*) {
            if (!CommandArguments.value(0).isEmpty())
                names->NomRacineEdit->setText(CommandArguments.value(0));
            if (ParNomFichierImage) ParNomFichierImage->Value = 0;
            RefreshRootName();
            RefreshNextImageName();
        };
    if (auto* a = PlainCommand("saNomFichier"))
        a->Onexecute = [this, names](QObject*) {
            if (!CommandArguments.value(0).isEmpty()) {
                const int length = int(NumberOfText(CommandArguments.value(0)));
                if (length < 1) {
                    if (ParLimiterLongueur) ParLimiterLongueur->Value = false;
                } else {
                    if (ParLimiterLongueur) ParLimiterLongueur->Value = true;
                    names->RacineLengthEdit->setValue(length);
                    if (ParRacineLength) ParRacineLength->Value = length;
                }
            }
            if (ParNomFichierImage) ParNomFichierImage->Value = 1;
            RefreshRootName();
            RefreshNextImageName();
        };
    auto setNaming = [this, names](int mode) {
        if (ParImageAjouter) ParImageAjouter->Value = mode;
        names->numEdit->setEnabled(mode == 0);
        names->DigitsEdit->setEnabled(mode == 0);
        if (mode == 0)
            NameByNumber();
        else
            NameByTimestamp();
    };
    if (auto* a = PlainCommand("saTimestamp")) a->Onexecute = [setNaming](QObject*) { setNaming(1); };
    if (auto* a = PlainCommand("saNumeroter"))
        a->Onexecute = [names, setNaming](QObject*) {
            const QString number = CommandArguments.value(0).trimmed();
            if (IsDigitsOnly(number)) {
                names->DigitsEdit->setValue(number.size());
                names->numEdit->setText(number);
            }
            setNaming(0);
        };
    if (auto* a = PlainCommand("saDossierDest")) {
        a->Onprepare
            = [names](QObject*) { CommandArguments = QStringList { names->deDossierSave->Directory() }; };
        a->Onexecute = [this](QObject*) {
            const QString folder = CommandArguments.value(0);
            if (ParDossierSave) ParDossierSave->Value = folder;
            if (folder.isEmpty() || !QDir().mkpath(folder))
                reportFailure(QStringLiteral("Impossible de créer le dossier \"%1\".").arg(folder));
        };
    }

    // The naming panel.
    connect(names->rbUtiliserRacine, &QRadioButton::clicked, this, [this] {
        if (ParNomFichierImage) ParNomFichierImage->Value = 0;
        RefreshRootName();
        RefreshNextImageName();
    });
    connect(names->rbUtiliserNomVideo, &QRadioButton::clicked, this, [this] {
        if (ParNomFichierImage) ParNomFichierImage->Value = 1;
        RefreshRootName();
        RefreshNextImageName();
    });
    connect(names->NomRacineEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (ParDefaultRacine) ParDefaultRacine->Value = text;
        RefreshRootName();
        RefreshNextImageName();
    });
    connect(names->cbLimiterLongueur, &QCheckBox::clicked, this, [this](bool on) {
        if (ParLimiterLongueur) ParLimiterLongueur->Value = on;
        RefreshRootName();
        RefreshNextImageName();
    });
    connect(names->RacineLengthEdit, &QSpinBox::valueChanged, this, [this](int length) {
        if (ParRacineLength) ParRacineLength->Value = length;
        RefreshRootName();
        RefreshNextImageName();
    });
    connect(names->rbTimecode, &QRadioButton::clicked, this, [setNaming] { setNaming(1); });
    connect(names->rbNumero, &QRadioButton::clicked, this, [setNaming] { setNaming(0); });
    connect(names->numEdit, &QLineEdit::textChanged, this, &TShowForm::DossiersFramenumEditChange);
    connect(names->DigitsEdit, &QSpinBox::valueChanged, this, &TShowForm::DossiersFrameDigitsEditChange);
    connect(names->deDossierSave, &TWideDirectoryEdit::AfterDialog, this, [this](const QString& folder) {
        if (ParDossierSave) ParDossierSave->Value = folder;
        RefreshNextImageName();
        FollowImageFolderDrive();
    });
    connect(names->ExtensionButtons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) rgExtensionClick(id);
    });
    connect(names->TrackBar1, &QSlider::valueChanged, this, [this, names](int quality) {
        if (ParJpegQuality) ParJpegQuality->Value = quality;
        names->labQuality->setText(QString::number(quality));
    });

    TExtraireFrame* grab = ExtraireFrame();
    // Only a snapshot still shown can be saved: after a change of source the
    // panel is empty and the old picture must not take the new file's name.
    connect(grab, &TExtraireFrame::SnapNameClicked, this, [this, grab] {
        if (!grab->labsnapname->text().isEmpty()) SaveSnapshot();
    });
    connect(grab, &TExtraireFrame::ImageClicked, this, [this, grab] {
        if (grab->SnapLab->text().isEmpty() || !m_media) return;
        {
            TBusyScope busy(*this);
            m_media->SeekToTimestamp(grab->SnapLab->text());
            ProcessPendingMessages();
        }
        Timer1Timer();
    });
    ImageLab->installEventFilter(this);
}

void TShowForm::applyNamingPreferences()
{
    TDossiersFrame* names = DossiersFrame();
    const QSignalBlocker b1(names->numEdit), b2(names->DigitsEdit), b3(names->NomRacineEdit),
        b4(names->RacineLengthEdit), b5(names->ExtensionButtons), b6(names->TrackBar1);
    const int digits = intValue(ParDigits, 4);
    ImageCounter = intValue(ParFirstImageNum, 1);
    names->DigitsEdit->setValue(digits);
    names->numEdit->setText(FormatImageNumber(ImageCounter, digits));
    const bool byTimestamp = intValue(ParImageAjouter, 1) == 1;
    (byTimestamp ? names->rbTimecode : names->rbNumero)->setChecked(true);
    names->numEdit->setEnabled(!byTimestamp);
    names->DigitsEdit->setEnabled(!byTimestamp);
    (intValue(ParNomFichierImage, 1) == 0 ? names->rbUtiliserRacine : names->rbUtiliserNomVideo)
        ->setChecked(true);
    names->NomRacineEdit->setText(ParDefaultRacine ? ParDefaultRacine->Value : QStringLiteral("Stillex"));
    names->cbLimiterLongueur->setChecked(boolValue(ParLimiterLongueur, false));
    names->RacineLengthEdit->setValue(intValue(ParRacineLength, 8));
    names->deDossierSave->SetDirectory(ParDossierSave ? ParDossierSave->Value : QString());
    names->SetExtensionIndex(intValue(ParImageExtension, 1) == 1 ? 1 : 0);
    names->TrackBar1->setValue(intValue(ParJpegQuality, 50));
    names->labQuality->setText(QString::number(names->TrackBar1->value()));
    showToggleState("taImagesDeinterlacer", ParInternalDeinterlacer);
    showToggleState("taConfirmerImages", ParConfirmerImage);
    showToggleState("taSauverQuandClic", ParSauverQuandClic);
    RootName = QStringLiteral("Stillex");
    RefreshNextImageName();
}

void TShowForm::DossiersFramenumEditChange()
{
    if (m_namingGuard) return;
    m_namingGuard = true;
    TDossiersFrame* names = DossiersFrame();
    ImageCounter = NumberOfText(names->numEdit->text());
    // The digits follow what was typed; the typed text itself is left alone.
    const int digits = int(names->numEdit->text().size());
    if (names->DigitsEdit->value() != digits) {
        const QSignalBlocker block(names->DigitsEdit);
        names->DigitsEdit->setValue(digits);
    }
    if (ParDigits) ParDigits->Value = names->DigitsEdit->value();
    m_namingGuard = false;
    RefreshNextImageName();
}

void TShowForm::DossiersFrameDigitsEditChange()
{
    if (m_namingGuard) return;
    m_namingGuard = true;
    TDossiersFrame* names = DossiersFrame();
    if (ParDigits) ParDigits->Value = names->DigitsEdit->value();
    names->numEdit->setText(FormatImageNumber(ImageCounter, names->DigitsEdit->value()));
    m_namingGuard = false;
    RefreshNextImageName();
}

void TShowForm::rgExtensionClick(int index)
{
    if (ParImageExtension) ParImageExtension->Value = index;
    RefreshNextImageName();
}

// ---------------------------------------------------------------------------
// Naming.

void TShowForm::RefreshNextImageName()
{
    const int mode = intValue(ParImageAjouter, 1);
    if (mode == 0)
        NameByNumber();
    else if (mode == 1)
        NameByTimestamp();
    handImageNumberToInlay();
}

void TShowForm::handImageNumberToInlay()
{
    // The inlay's number is the one the next image will take.
    if (m_media)
        m_media->Superposer.SetImageNumber(int32_t(ImageCounter), DossiersFrame()->DigitsEdit->value());
}

void TShowForm::NameByNumber()
{
    const QString number = DossiersFrame()->numEdit->text();
    ImageCounter = NumberOfText(number);
    NextImagePath = ImagePath(
        ParDossierSave ? ParDossierSave->Value : QString(), RootName, number, intValue(ParImageExtension, 1));
    showImageName();
}

void TShowForm::NameByTimestamp()
{
    NextImagePath = ImagePath(ParDossierSave ? ParDossierSave->Value : QString(), RootName,
        TimestampSuffix(CurrentEdit->text()), intValue(ParImageExtension, 1));
    showImageName();
}

void TShowForm::showImageName()
{
    if (ImageLab->text() != NextImagePath) ImageLab->setText(NextImagePath);
    // The colour is set only when it changes: this runs on every refresh.
    const int exists = QFileInfo::exists(NextImagePath) ? 1 : 0;
    if (exists != m_imageLabState) {
        m_imageLabState = exists;
        ImageLab->setStyleSheet(exists ? QStringLiteral("color: green") : QStringLiteral("color: maroon"));
    }
}

void TShowForm::RefreshRootName()
{
    const bool loaded = m_currentBuilder != &m_emptyBuilder;
    RootName = OptionRootName(loaded, loaded ? FileNamePart(m_currentBuilder->Path) : QString(),
        intValue(ParNomFichierImage, 1),
        ParDefaultRacine ? ParDefaultRacine->Value : QStringLiteral("Stillex"),
        boolValue(ParLimiterLongueur, false), intValue(ParRacineLength, 8));
}

// ---------------------------------------------------------------------------
// The snapshot and its saving.

bool TShowForm::TakeSnapshot()
{
    Timer1Timer();
    RefreshFrameSize();
    if (!m_media || !m_media->HasVideo() || SourceSize.isEmpty()) return false;
    if (boolValue(ParInternalDeinterlacer, true)) {
        Deinterlace(m_sourceFrame, m_deinterlaced);
        m_sourceFrame = m_deinterlaced;
    }
    if (m_sourceFrame.height() == 0) return false;
    {
        // The values of the copied frame: the record itself may already
        // describe a frame the notifier read ahead.
        const TInlayValues shown = m_media->Superposer.ShownValues();
        int64_t created = 0;
        m_snapshotExif = GrabExif(shown, m_media->VData.AvgTimePerFrame, inlayRecord().DecalageHoraire,
            m_media->ContainerCreationTime(created) ? std::optional<int64_t>(created) : std::nullopt);
    }
    if (!StretchImage(m_sourceFrame, m_outputImage, OutputSize)) return false;
    ++SnapshotCount;

    TExtraireFrame* grab = ExtraireFrame();
    grab->labImagetteTaille->setText(
        QStringLiteral("%1 x %2").arg(OutputSize.width()).arg(OutputSize.height()));
    // The label shows a thumbnail: it gets one, not the whole picture to
    // convert and scale at each paint. During a run the pictures go by too
    // fast for the finer scaling to be worth its time.
    const QSize thumb(ThumbnailBox.width, ThumbnailBox.height);
    grab->Image->setPixmap(QPixmap::fromImage(thumb.isEmpty() || thumb.width() >= m_outputImage.width()
            ? m_outputImage
            : m_outputImage.scaled(thumb, Qt::IgnoreAspectRatio,
                m_intervalloRunning ? Qt::FastTransformation : Qt::SmoothTransformation)));
    grab->SnapLab->setText(CurrentEdit->text());
    grab->labsnapname->setText(FileNamePart(NextImagePath));
    grab->labsnapname->setToolTip(QStringLiteral(
        "Cette image n'a pas encore été enregistrée\r\nCliquez sur ce label pour l'enregistrer"));
    QPalette pal = grab->labsnapname->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Button));
    grab->labsnapname->setPalette(pal);
    grab->labsnapname->setCursor(Qt::PointingHandCursor);
    PlaceThumbnail();
    return true;
}

void TShowForm::PlaceThumbnail()
{
    TExtraireFrame* grab = ExtraireFrame();
    if (ThumbnailBox.width <= 0 || ThumbnailBox.height <= 0) return;
    // The picture's place in the window, also while it is shown on the
    // full-screen backdrop.
    const QRect video = FitRect(m_ratioA, m_ratioB, QRect(Panel1->pos(), Panel1->size()), true, 12);
    const int videoBottom = Panel1->y() + video.bottom() + 1;
    const int top = videoBottom - ThumbnailBox.height - 56;
    grab->Image->setGeometry(ThumbnailBox.left, top, ThumbnailBox.width, ThumbnailBox.height);
    grab->labsnapname->setGeometry(ThumbnailBox.left, top + ThumbnailBox.height, ThumbnailBox.width, 20);
    grab->SnapLab->setGeometry(ThumbnailBox.left, top - 34, ThumbnailBox.width, 26);
    grab->Bevel1->setGeometry(ThumbnailBox.left, top - 42, ThumbnailBox.width, 40);
    grab->labImagetteTaille->setGeometry(ThumbnailBox.left, top - 12 - 8, ThumbnailBox.width, 16);
    grab->Bevel3->setGeometry(ThumbnailBox.left, top, ThumbnailBox.width, ThumbnailBox.height);
    if (m_activePanel != 2) ShowPanel(2);
}

bool TShowForm::SaveSnapshot()
{
    if (m_outputImage.isNull() || SnapshotCount == 0) return true;
    // An image of the run still on its way to the disk holds its name already.
    const bool taken
        = QFileInfo::exists(NextImagePath) || (m_queueWrites && m_writeQueue->IsPending(NextImagePath));
    if (!taken || !boolValue(ParConfirmerImage, true)) return WriteSnapshot();
    const QString text
        = QStringLiteral("Le fichier %1 existe déjà. Voulez-vous le remplacer?\r\n\r\nCliquez sur "
                         "\"Oui à Tous\" pour ne plus être interrogé.")
              .arg(NextImagePath);
    TOverwriteAnswer answer = TOverwriteAnswer::No;
    if (OnAskOverwrite) {
        answer = OnAskOverwrite(text);
    } else {
        QMessageBox box(QMessageBox::Warning, Product::Name,
            QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), QMessageBox::NoButton, this);
        QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        QPushButton* cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
        QPushButton* all = box.addButton(QStringLiteral("Oui à &Tous"), QMessageBox::YesRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        box.exec();
        const QAbstractButton* chosen = box.clickedButton();
        answer = chosen == yes ? TOverwriteAnswer::Yes
            : chosen == all    ? TOverwriteAnswer::YesToAll
            : chosen == no     ? TOverwriteAnswer::No
                               : TOverwriteAnswer::Cancel;
    }
    switch (answer) {
    case TOverwriteAnswer::Yes:
        return WriteSnapshot();
    case TOverwriteAnswer::YesToAll:
        SetOption("taConfirmerImages", ParConfirmerImage, QStringLiteral("Confirmer Image"), false);
        return WriteSnapshot();
    case TOverwriteAnswer::Cancel:
        if (TCustomSuperAction* abort = Action("saAbort")) abort->RunHandler(this);
        break;
    case TOverwriteAnswer::No:
        break;
    }
    return true;
}

bool TShowForm::WriteSnapshot()
{
    QString error;
    const bool jpeg = intValue(ParImageExtension, 1) == 1;
    if (m_queueWrites) {
        // A failure of an earlier image ends the run before this one is taken.
        if (m_writeQueue->Failed()
            || !m_writeQueue->Push(
                { m_outputImage, NextImagePath, jpeg, intValue(ParJpegQuality, 50), m_snapshotExif })) {
            finishQueuedWrites();
            return false;
        }
    } else {
        const bool written = jpeg ? m_writer->WriteJpeg(m_outputImage, NextImagePath,
                                 intValue(ParJpegQuality, 50), &error, &m_snapshotExif)
                                  : m_writer->WriteBmp(m_outputImage, NextImagePath, &error);
        if (!written) {
            reportFailure(error);
            return false;
        }
    }
    TExtraireFrame* grab = ExtraireFrame();
    QPalette pal = grab->labsnapname->palette();
    pal.setColor(QPalette::Window, MoneyGreen);
    grab->labsnapname->setPalette(pal);
    grab->labsnapname->setToolTip(QStringLiteral("Cette image a déjà été enregistrée"));
    grab->labsnapname->setCursor(Qt::ArrowCursor);
    if (intValue(ParImageAjouter, 1) == 0) {
        ++ImageCounter;
        TDossiersFrame* names = DossiersFrame();
        const QSignalBlocker block(names->numEdit);
        names->numEdit->setText(FormatImageNumber(ImageCounter, names->DigitsEdit->value()));
    }
    m_imageLabState = -1;
    RefreshNextImageName();
    return true;
}

void TShowForm::OuvrirDossierImages()
{
    if (QFileInfo::exists(NextImagePath)) {
        FileManager::ShowItem(NextImagePath);
        return;
    }
    QString folder = ParDossierSave ? ParDossierSave->Value : QString();
    if (folder.isEmpty()) return;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    const QDir dir(folder);
    const QStringList matches = dir.entryList({ RootName + QStringLiteral("_*") },
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    if (!matches.isEmpty()) {
        FileManager::ShowItem(folder + matches.first());
        return;
    }
    if (dir.exists()) QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool TShowForm::finishQueuedWrites()
{
    if (!m_queueWrites) return true;
    QString error;
    int lost = 0;
    // The worker never waits for this thread, so waiting for it here is safe;
    // the run is over only once its last image is on the disk.
    const bool written = m_writeQueue->Drain(&error, &lost);
    m_queueWrites = false;
    if (written) return true;
    if (intValue(ParImageAjouter, 1) == 0 && lost > 0) {
        // The numbers of the images that never reached the disk are given again.
        ImageCounter = std::max<int64_t>(ImageCounter - lost, 0);
        TDossiersFrame* names = DossiersFrame();
        const QSignalBlocker block(names->numEdit);
        names->numEdit->setText(FormatImageNumber(ImageCounter, names->DigitsEdit->value()));
        RefreshNextImageName();
    }
    reportFailure(error);
    return false;
}
