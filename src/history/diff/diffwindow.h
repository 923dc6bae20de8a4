#pragma once
#include "history/diff/sidebyside.h"
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace history {

// The two versions of a file side by side, the changed lines marked: removed
// on the left in red, added on the right in green, changed in yellow on both.
class DiffWindow : public QWidget {
    Q_OBJECT
public:
    DiffWindow(const QString &leftTitle, const QStringList &left, const QString &rightTitle,
               const QStringList &right, QWidget *parent = nullptr);

    const QList<DiffRow> &rows() const { return m_rows; }
    int changes() const { return m_changes; }
    QPlainTextEdit *leftPane() const { return m_left; }
    QPlainTextEdit *rightPane() const { return m_right; }
    QLabel *summary() const { return m_summary; }

    static QString text(const char *key);

private:
    QPlainTextEdit *pane(const QString &objectName);
    void fill(QPlainTextEdit *pane, const QStringList &lines, bool leftSide);
    void nextChange(bool forward);

    QList<DiffRow> m_rows;
    int m_changes = 0;
    QPlainTextEdit *m_left = nullptr;
    QPlainTextEdit *m_right = nullptr;
    QLabel *m_summary = nullptr;
};

}
