#pragma once
// What the plan's status letters and pictures mean and what a click on them does.
#include "host/messages.h"
#include <QDateTime>
#include <QString>

namespace plan {

struct PlanRowValues;

// The plan's own texts (grid and filter).
const qor::TMessages &PlanTexts();
// The answer dialog's, the additional data's and the pop-up menu's texts.
const qor::TMessages &AnswerTexts();

// Empty when the cell has nothing to explain.
QString StatusToolTip(const PlanRowValues &row, const QString &columnField, const QDateTime &now);
// The titles of the two picture columns are blank: their tooltips say what they are.
QString HeaderToolTip(const QString &columnField);

}
