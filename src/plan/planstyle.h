#pragma once
// How one plan cell looks: font colour, background, picture and text. Pure
// decisions, so the delegate only paints and tests check them without pixels.
#include <QColor>
#include <QDateTime>
#include <QPalette>
#include <QString>

namespace qor { class RecordSet; }

namespace plan {

// The values of a plan row that the drawing rules read.
struct PlanRowValues {
    QString status;            // IDSITATIVTAR
    QDateTime plannedEnd;      // DTFIPATIVTAR, invalid when null or zero
    bool plannedEndHasTime = false;   // its text is 11 characters or more
    QDateTime realisedEnd;     // DTFIRATIVTAR, invalid when null or zero
    QString processCode;       // CDPROCESSO
};

PlanRowValues RowValuesAt(const qor::RecordSet &records, int row);

enum class Picture { None, Play, Pause, Finalizado, Confirmar, Monitoramento };

enum class Background { Highlight, Info, ButtonFace };

struct CellStyle {
    QColor font;               // invalid: the grid's own font colour
    Background background = Background::Info;
    Picture picture = Picture::None;
    bool selectedPicture = false;   // draw the _Sel variant
    bool replaceText = false;       // text below replaces the field's display text
    QString text;
};

// Status colours of the legend.
QColor ColorNaoApropriada();
QColor ColorConcluida();
QColor ColorEmAtraso();
QColor ColorFinalizada();
QColor ColorEmAndamento();
QColor ColorParalisada();

bool IsLate(const PlanRowValues &row, const QDateTime &now);
bool IsFinished(const PlanRowValues &row);
QColor StatusFontColor(const QString &status);

CellStyle StyleFor(const PlanRowValues &row, const QString &columnField, bool selected,
                   bool gridActive, const QDateTime &now);

// The picture resource (":/plan/imgPlay.xpm" ...), empty for Picture::None.
QString PictureResource(Picture picture, bool selected);
QColor BackgroundColor(Background background, const QPalette &palette);


}
