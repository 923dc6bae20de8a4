#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QTableView;

namespace qor {

class RecordSet;
class RecordSetModel;

// The host's pick list: the visible fields of a record set in a grid, with a
// search box that moves to the first row where any column starts with the typed
// text (case-insensitive). Enter, a double click or "OK" pick the current row.
// A title "Window|Caption" gives the window title and a caption above the grid.
class PickDialog : public QDialog {
    Q_OBJECT
public:
    PickDialog(const QString &title, RecordSet &records, QWidget *parent = nullptr);

    int currentRow() const;
    // Puts the record set's cursor on the picked row; false when none is chosen.
    bool applyChoice();
    // Moves to the first row matching text; false when none matches.
    bool search(const QString &text);

    QLineEdit *searchBox() const { return m_search; }
    QTableView *grid() const { return m_grid; }

private:
    RecordSet &m_records;
    RecordSetModel *m_model;
    QLabel *m_caption;
    QLineEdit *m_search;
    QTableView *m_grid;
};

}
