#pragma once
// The inlay panel: which inlay is drawn, its font, colour, border and
// alignment, the date formats and the custom templates, and the time offset.
// The main window binds its buttons to the commands and acts on its
// controls' signals; Refresh shows a record without sending any.

#include "inlay/TincrustRec.h"
#include "support/TSidePanel.h"

#include <functional>
#include <optional>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;

class TIncrusterFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TIncrusterFrame(QWidget* parent);

    // Kind buttons (the window gives them their commands).
    QToolButton* btnDatecode = nullptr;
    QToolButton* btnTimecode = nullptr;
    QToolButton* btnPerso = nullptr;
    QToolButton* btnNumero = nullptr;
    QToolButton* btnTimeStamp = nullptr;
    QToolButton* btnNeant = nullptr;

    QFontComboBox* FontComboBox = nullptr;
    QComboBox* cbSize = nullptr;
    QToolButton* tbBold = nullptr;
    QToolButton* tbItalic = nullptr;
    QToolButton* tbUnderline = nullptr;
    QToolButton* ColorButton = nullptr;
    QToolButton* BorderButton = nullptr;
    QMenu* BorderMenu = nullptr;

    QToolButton* tbGauche = nullptr;
    QToolButton* tbCentre = nullptr;
    QToolButton* tbDroite = nullptr;
    QToolButton* tbSousTitre = nullptr;

    QComboBox* cbDatecode1 = nullptr;
    QComboBox* cbDatecode2 = nullptr;
    QLineEdit* edPerso1 = nullptr;
    QLineEdit* edPerso2 = nullptr;

    QToolButton* btnDecalage = nullptr;
    QLabel* labDecalage = nullptr;

    // The time-offset panel, shown in front of the rest.
    QFrame* DecalagePanel = nullptr;
    QLabel* labAncienneDate = nullptr;
    QDateEdit* deDate = nullptr;
    QSpinBox* seHeures = nullptr;
    QSpinBox* seMinutes = nullptr;
    QSpinBox* seSecondes = nullptr;
    QPushButton* btnReset = nullptr;

    // The colour button's colour, 0x00BBGGRR.
    uint32_t Color() const { return m_color; }
    void SetColor(uint32_t colour);
    // Asks for a colour, starting from the button's; the colour dialog
    // unless replaced (tests answer it).
    std::function<std::optional<uint32_t>(uint32_t current)> OnPickColor;

    // The alignment buttons for 0 left, 1 centre, 2 right; none pressed for
    // anything else (the subtitle button keeps its state).
    void SetAlignment(int alignment);
    // Selects the font when it is installed (any case); false leaves the
    // selection as it is.
    bool SelectFont(const QString& name);
    QString CurrentFont() const;

    // The record's values in the controls, without a change signal.
    void Refresh(const TincrustRec& rec);

    // The desktop colour of that name (a palette role, "cl" before it or
    // not, any case), 0x00BBGGRR.
    static bool SystemColor(const QString& name, uint32_t& colour);

    // The offset panel's date and time, as day-fraction parts.
    void ShowOffsetFields(int year, int month, int day, int hour, int minute, int second);

    // Placed in front of the controls it stands for, under the offset row.
    void ShowDecalagePanel(bool on);

signals:
    void fontChosen();
    void sizeChosen();
    void styleToggled();
    void colorChosen();
    void borderChosen(int size);
    void alignmentChosen(int alignment);
    void subtitleChosen();
    void formatEdited(int line);
    void templateEdited(int line);
    void offsetFieldsChanged();
    void offsetReset();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void placeDecalagePanel();
    QButtonGroup* m_alignGroup = nullptr;
    uint32_t m_color = 0;
    QWidget* m_fontBox = nullptr;
    QWidget* m_offsetRow = nullptr;
};
