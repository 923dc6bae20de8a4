#pragma once
// Column widths are given, and stored, in pixels of the suite's small grid
// font. On screen they grow with our font's letters, so that what fits there
// fits here; the stored layout keeps the suite's numbers.
#include <QFont>

namespace plan {

class ColumnScale {
public:
    explicit ColumnScale(const QFont &font);

    // The suite's grid font averages this many pixels a letter.
    static constexpr double kSuiteLetterWidth = 5.0;

    // Never below 1: a suite width then comes back whole from its screen width.
    double ratio() const { return m_ratio; }
    int toScreen(int suiteWidth) const;
    int toSuite(int screenWidth) const;

private:
    double m_ratio;
};

}
