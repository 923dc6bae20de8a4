#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QTableView;

namespace qor {

class RecordSet;
class RecordSetModel;

// The host's pick list: the visible fields of a record set in a grid, with a
// search box whose text narrows the rows to those where any column holds it
// (case-insensitive). Enter, a double click or "OK" pick the current row;
// Escape cancels.
// A title "Window|Caption" gives the window title and a caption above the grid.
class PickDialog : public QDialog {
    Q_OBJECT
public:
    PickDialog(const QString &title, RecordSet &records, QWidget *parent = nullptr);

    int currentRow() const;
    // Puts the record set's cursor on the picked row; false when none is chosen.
    bool applyChoice();
    // Narrows to the rows holding text and selects the first; false when none does.
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
