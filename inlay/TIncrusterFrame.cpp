#include "inlay/TIncrusterFrame.h"

#include "inlay/InlayArguments.h"

#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QDateEdit>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaEnum>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
QToolButton* toolButton(QWidget* parent, const QString& text, const char* name, bool checkable = false)
{
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setObjectName(QLatin1String(name));
    b->setCheckable(checkable);
    b->setAutoRaise(false);
    return b;
}

QComboBox* formatList(QWidget* parent, const char* name, const QStringList& items)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(items);
    return list;
}

QColor qtColor(uint32_t c)
{
    return QColor(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff));
}

uint32_t recordColor(const QColor& c)
{
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}
} // namespace

TIncrusterFrame::TIncrusterFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("IncrusterFrame"), QStringLiteral("Incruster"), parent)
{
    auto* kinds = new QGridLayout;
    kinds->setSpacing(2);
    btnDatecode = toolButton(this, QStringLiteral("Datecode"), "btnDatecode");
    btnTimecode = toolButton(this, QStringLiteral("Timecode"), "btnTimecode");
    btnPerso = toolButton(this, QStringLiteral("Perso"), "btnPerso");
    btnNumero = toolButton(this, QStringLiteral("Numéro"), "btnNumero");
    btnTimeStamp = toolButton(this, QStringLiteral("TimeStamp"), "btnTimeStamp");
    btnNeant = toolButton(this, QStringLiteral("Néant"), "btnNeant");
    int i = 0;
    for (QToolButton* b : { btnDatecode, btnTimecode, btnPerso, btnNumero, btnTimeStamp, btnNeant }) {
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        kinds->addWidget(b, i / 3, i % 3);
        ++i;
    }
    body()->addLayout(kinds);

    auto* fontBox = new QWidget(this);
    m_fontBox = fontBox;
    auto* fontLayout = new QVBoxLayout(fontBox);
    fontLayout->setContentsMargins(0, 4, 0, 0);
    fontLayout->setSpacing(3);
    fontLayout->addWidget(new QLabel(QStringLiteral("Police"), fontBox));
    FontComboBox = new QFontComboBox(fontBox);
    FontComboBox->setObjectName(QStringLiteral("FontComboBox"));
    FontComboBox->setEditable(false);
    fontLayout->addWidget(FontComboBox);

    auto* style = new QHBoxLayout;
    style->setSpacing(2);
    cbSize = new QComboBox(fontBox);
    cbSize->setObjectName(QStringLiteral("cbSize"));
    cbSize->setEditable(true);
    cbSize->setInsertPolicy(QComboBox::NoInsert);
    cbSize->addItems(InlaySizeItems());
    cbSize->setMinimumContentsLength(4);
    cbSize->setToolTip(QStringLiteral("Taille de la police, auto: selon la largeur de l'image"));
    style->addWidget(cbSize);
    tbBold = toolButton(fontBox, QStringLiteral("G"), "tbBold", true);
    tbItalic = toolButton(fontBox, QStringLiteral("I"), "tbItalic", true);
    tbUnderline = toolButton(fontBox, QStringLiteral("S"), "tbUnderline", true);
    QFont f = tbBold->font();
    f.setBold(true);
    tbBold->setFont(f);
    f = tbItalic->font();
    f.setItalic(true);
    tbItalic->setFont(f);
    f = tbUnderline->font();
    f.setUnderline(true);
    tbUnderline->setFont(f);
    tbBold->setToolTip(QStringLiteral("Gras"));
    tbItalic->setToolTip(QStringLiteral("Italique"));
    tbUnderline->setToolTip(QStringLiteral("Souligné"));
    ColorButton = toolButton(fontBox, QString(), "ColorButton");
    ColorButton->setToolTip(QStringLiteral("Couleur d'incrustation"));
    BorderButton = toolButton(fontBox, QString(), "BorderButton");
    BorderButton->setToolTip(QStringLiteral("Bordure"));
    BorderButton->setPopupMode(QToolButton::InstantPopup);
    BorderMenu = new QMenu(BorderButton);
    const QString borders[]
        = { QStringLiteral("Aucun bord"), QStringLiteral("1 pixel"), QStringLiteral("2 pixels"),
              QStringLiteral("3 pixels"), QStringLiteral("4 pixels"), QStringLiteral("5 pixels") };
    for (int n = 0; n < 6; ++n) {
        QAction* a = BorderMenu->addAction(borders[n]);
        connect(a, &QAction::triggered, this, [this, n] {
            BorderButton->setText(BorderCaption(n));
            emit borderChosen(n);
        });
    }
    BorderButton->setMenu(BorderMenu);
    for (QToolButton* b : { tbBold, tbItalic, tbUnderline, ColorButton, BorderButton })
        style->addWidget(b);
    fontLayout->addLayout(style);

    auto* align = new QHBoxLayout;
    align->setSpacing(2);
    tbGauche = toolButton(fontBox, QStringLiteral("Gauche"), "tbGauche", true);
    tbCentre = toolButton(fontBox, QStringLiteral("Centre"), "tbCentre", true);
    tbDroite = toolButton(fontBox, QStringLiteral("Droite"), "tbDroite", true);
    tbSousTitre = toolButton(fontBox, QStringLiteral("sous-titre"), "tbSousTitre");
    m_alignGroup = new QButtonGroup(this);
    m_alignGroup->addButton(tbGauche, 0);
    m_alignGroup->addButton(tbCentre, 1);
    m_alignGroup->addButton(tbDroite, 2);
    for (QToolButton* b : { tbGauche, tbCentre, tbDroite, tbSousTitre })
        align->addWidget(b);
    fontLayout->addLayout(align);

    auto* formats = new QGridLayout;
    formats->setSpacing(3);
    cbDatecode1 = formatList(fontBox, "cbDatecode1",
        { QStringLiteral("ddddd"), QStringLiteral("tt"), QStringLiteral("dddddd"), QStringLiteral("ddddd tt"),
            QStringLiteral("dddddd tt"), QStringLiteral("d mmm yyyy") });
    cbDatecode2 = formatList(fontBox, "cbDatecode2",
        { QStringLiteral("tt"), QStringLiteral("ddddd"), QStringLiteral("dddddd"), QStringLiteral("ddddd t"),
            QStringLiteral("dddddd tt"), QStringLiteral("d mmm yyyy") });
    edPerso1 = new QLineEdit(fontBox);
    edPerso1->setObjectName(QStringLiteral("edPerso1"));
    edPerso2 = new QLineEdit(fontBox);
    edPerso2->setObjectName(QStringLiteral("edPerso2"));
    const QString templateHint
        = QStringLiteral("%D: datecode, %T: timecode, %R: date réelle, %N: numéro de l'image, %S: timestamp");
    edPerso1->setToolTip(templateHint);
    edPerso2->setToolTip(templateHint);
    formats->addWidget(new QLabel(QStringLiteral("Date ligne 1"), fontBox), 0, 0);
    formats->addWidget(cbDatecode1, 0, 1);
    formats->addWidget(new QLabel(QStringLiteral("Date ligne 2"), fontBox), 1, 0);
    formats->addWidget(cbDatecode2, 1, 1);
    formats->addWidget(new QLabel(QStringLiteral("Perso ligne 1"), fontBox), 2, 0);
    formats->addWidget(edPerso1, 2, 1);
    formats->addWidget(new QLabel(QStringLiteral("Perso ligne 2"), fontBox), 3, 0);
    formats->addWidget(edPerso2, 3, 1);
    fontLayout->addLayout(formats);
    body()->addWidget(fontBox);

    m_offsetRow = new QWidget(this);
    auto* offset = new QHBoxLayout(m_offsetRow);
    offset->setContentsMargins(0, 4, 0, 0);
    btnDecalage = toolButton(m_offsetRow, QStringLiteral("décalage"), "btnDecalage");
    btnDecalage->setToolButtonStyle(Qt::ToolButtonTextOnly);
    labDecalage = new QLabel(m_offsetRow);
    labDecalage->setObjectName(QStringLiteral("labDecalage"));
    offset->addWidget(btnDecalage);
    offset->addWidget(labDecalage, 1);
    body()->addWidget(m_offsetRow);
    body()->addStretch(1);

    DecalagePanel = new QFrame(this);
    DecalagePanel->setObjectName(QStringLiteral("DecalagePanel"));
    DecalagePanel->setFrameShape(QFrame::StyledPanel);
    DecalagePanel->setAutoFillBackground(true);
    auto* dp = new QGridLayout(DecalagePanel);
    labAncienneDate = new QLabel(DecalagePanel);
    labAncienneDate->setObjectName(QStringLiteral("labAncienneDate"));
    labAncienneDate->setWordWrap(true);
    dp->addWidget(labAncienneDate, 0, 0, 1, 4);
    dp->addWidget(new QLabel(QStringLiteral("Nouvelle date:"), DecalagePanel), 1, 0, 1, 4);
    deDate = new QDateEdit(DecalagePanel);
    deDate->setObjectName(QStringLiteral("deDate"));
    deDate->setCalendarPopup(true);
    deDate->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    deDate->setMinimumDate(QDate(1900, 1, 1));
    dp->addWidget(deDate, 2, 0, 1, 4);
    seHeures = new QSpinBox(DecalagePanel);
    seHeures->setObjectName(QStringLiteral("seHeures"));
    seHeures->setRange(0, 23);
    seMinutes = new QSpinBox(DecalagePanel);
    seMinutes->setObjectName(QStringLiteral("seMinutes"));
    seMinutes->setRange(0, 59);
    seSecondes = new QSpinBox(DecalagePanel);
    seSecondes->setObjectName(QStringLiteral("seSecondes"));
    seSecondes->setRange(0, 59);
    auto* clock = new QHBoxLayout;
    clock->setSpacing(2);
    clock->addWidget(seHeures);
    clock->addWidget(new QLabel(QStringLiteral("h"), DecalagePanel));
    clock->addWidget(seMinutes);
    clock->addWidget(new QLabel(QStringLiteral("m"), DecalagePanel));
    clock->addWidget(seSecondes);
    clock->addWidget(new QLabel(QStringLiteral("s"), DecalagePanel));
    clock->addStretch(1);
    dp->addLayout(clock, 3, 0, 1, 4);
    btnReset = new QPushButton(QStringLiteral("Reset"), DecalagePanel);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    dp->addWidget(btnReset, 4, 0, 1, 4);
    dp->setRowStretch(5, 1);
    DecalagePanel->hide();

    connect(FontComboBox, &QFontComboBox::currentFontChanged, this, [this] { emit fontChosen(); });
    connect(cbSize, &QComboBox::currentTextChanged, this, [this] { emit sizeChosen(); });
    for (QToolButton* b : { tbBold, tbItalic, tbUnderline })
        connect(b, &QToolButton::clicked, this, [this] { emit styleToggled(); });
    connect(ColorButton, &QToolButton::clicked, this, [this] {
        std::optional<uint32_t> chosen;
        if (OnPickColor) {
            chosen = OnPickColor(m_color);
        } else {
            const QColor c = QColorDialog::getColor(qtColor(m_color), this);
            if (c.isValid()) chosen = recordColor(c);
        }
        if (!chosen) return;
        SetColor(*chosen);
        emit colorChosen();
    });
    connect(m_alignGroup, &QButtonGroup::idClicked, this, [this](int id) { emit alignmentChosen(id); });
    connect(tbSousTitre, &QToolButton::clicked, this, [this] { emit subtitleChosen(); });
    connect(cbDatecode1, &QComboBox::currentTextChanged, this, [this] { emit formatEdited(1); });
    connect(cbDatecode2, &QComboBox::currentTextChanged, this, [this] { emit formatEdited(2); });
    connect(edPerso1, &QLineEdit::textChanged, this, [this] { emit templateEdited(1); });
    connect(edPerso2, &QLineEdit::textChanged, this, [this] { emit templateEdited(2); });
    connect(deDate, &QDateEdit::dateChanged, this, [this] { emit offsetFieldsChanged(); });
    for (QSpinBox* s : { seHeures, seMinutes, seSecondes })
        connect(s, &QSpinBox::valueChanged, this, [this] { emit offsetFieldsChanged(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { emit offsetReset(); });

    SetColor(DefaultFontRecord().Color);
}

void TIncrusterFrame::SetColor(uint32_t colour)
{
    m_color = colour;
    QPixmap swatch(16, 16);
    swatch.fill(qtColor(colour));
    QPainter p(&swatch);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 15, 15);
    p.end();
    ColorButton->setIcon(QIcon(swatch));
}

void TIncrusterFrame::SetAlignment(int alignment)
{
    if (alignment >= 0 && alignment <= 2) {
        m_alignGroup->button(alignment)->setChecked(true);
        return;
    }
    // An exclusive group keeps one button pressed: released one by one
    // outside it.
    m_alignGroup->setExclusive(false);
    for (QAbstractButton* b : m_alignGroup->buttons())
        b->setChecked(false);
    m_alignGroup->setExclusive(true);
}

bool TIncrusterFrame::SelectFont(const QString& name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty()) return false;
    auto select = [this](const QString& family) {
        for (int i = 0; i < FontComboBox->count(); ++i)
            if (FontComboBox->itemText(i).compare(family, Qt::CaseInsensitive) == 0) {
                FontComboBox->setCurrentIndex(i);
                return true;
            }
        return false;
    };
    if (select(wanted)) return true;
    // A name the desktop maps to a font of its own (a metric-compatible
    // replacement: "Arial" is drawn in another face of the same widths)
    // counts as installed; a name it knows nothing of resolves to the
    // default face, as any unknown name does.
    const QString resolved = QFontInfo(QFont(wanted)).family();
    const QString fallback = QFontInfo(QFont(QStringLiteral("stillex-no-such-face"))).family();
    return resolved != fallback && select(resolved);
}

QString TIncrusterFrame::CurrentFont() const
{
    return FontComboBox->currentText();
}

void TIncrusterFrame::Refresh(const TincrustRec& rec)
{
    const QSignalBlocker blocks[] = { QSignalBlocker(FontComboBox), QSignalBlocker(cbSize),
        QSignalBlocker(cbDatecode1), QSignalBlocker(cbDatecode2), QSignalBlocker(edPerso1),
        QSignalBlocker(edPerso2), QSignalBlocker(m_alignGroup) };
    SetAlignment(rec.Alignement);
    edPerso1->setText(rec.Incrust1);
    edPerso2->setText(rec.Incrust2);
    cbDatecode1->setCurrentText(rec.FormatDate1);
    cbDatecode2->setCurrentText(rec.FormatDate2);
    if (!SelectFont(rec.FontRec.Name) && FontComboBox->count() > 0) FontComboBox->setCurrentIndex(0);
    cbSize->setCurrentText(rec.Autofontsize ? QStringLiteral("auto") : QString::number(rec.FontRec.Size));
    tbBold->setChecked(rec.FontRec.Bold);
    tbItalic->setChecked(rec.FontRec.Italic);
    tbUnderline->setChecked(rec.FontRec.Underline);
    SetColor(rec.FontRec.Color);
    BorderButton->setText(BorderCaption(rec.BorderSize));
}

bool TIncrusterFrame::SystemColor(const QString& name, uint32_t& colour)
{
    QString role = name.trimmed();
    if (role.startsWith(QLatin1String("cl"), Qt::CaseInsensitive)) role = role.mid(2);
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    for (int i = 0; i < roles.keyCount(); ++i) {
        const auto value = QPalette::ColorRole(roles.value(i));
        if (value >= QPalette::NColorRoles) continue;
        if (role.compare(QLatin1String(roles.key(i)), Qt::CaseInsensitive) != 0) continue;
        colour = recordColor(QApplication::palette().color(QPalette::Active, value));
        return true;
    }
    return false;
}

void TIncrusterFrame::ShowOffsetFields(int year, int month, int day, int hour, int minute, int second)
{
    const QSignalBlocker blocks[] = { QSignalBlocker(deDate), QSignalBlocker(seHeures),
        QSignalBlocker(seMinutes), QSignalBlocker(seSecondes) };
    deDate->setDate(QDate(year, month, day));
    seHeures->setValue(hour);
    seMinutes->setValue(minute);
    seSecondes->setValue(second);
}

void TIncrusterFrame::ShowDecalagePanel(bool on)
{
    if (on) {
        placeDecalagePanel();
        DecalagePanel->show();
        DecalagePanel->raise();
    } else {
        DecalagePanel->hide();
    }
}

void TIncrusterFrame::resizeEvent(QResizeEvent* e)
{
    TSidePanel::resizeEvent(e);
    placeDecalagePanel();
}

void TIncrusterFrame::placeDecalagePanel()
{
    const int top = m_fontBox->geometry().top();
    const int bottom = m_offsetRow->geometry().top();
    DecalagePanel->setGeometry(
        m_fontBox->geometry().left(), top, m_fontBox->width(), std::max(bottom - top, 120));
}
