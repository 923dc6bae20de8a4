#include "plan/columnscale.h"
#include <QFontMetricsF>
#include <cmath>

namespace plan {

namespace {
double letterWidth(const QFont &font)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    return QFontMetricsF(font).horizontalAdvance(letters) / letters.size();
}
}

ColumnScale::ColumnScale(const QFont &font) : m_ratio(qMax(1.0, letterWidth(font) / kSuiteLetterWidth)) {}

int ColumnScale::toScreen(int suiteWidth) const
{
    return suiteWidth <= 0 ? suiteWidth : qMax(1, int(std::lround(suiteWidth * m_ratio)));
}

int ColumnScale::toSuite(int screenWidth) const
{
    return screenWidth <= 0 ? screenWidth : qMax(1, int(std::lround(screenWidth / m_ratio)));
}

}
