#include "host/pickdialog.h"
#include "host/messages.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace qor {

PickDialog::PickDialog(const QString &title, RecordSet &records, QWidget *parent)
    : QDialog(parent), m_records(records)
{
    setObjectName("frmPesquisa");
    const int bar = title.indexOf('|');
    setWindowTitle(bar < 0 ? title : title.left(bar));

    m_caption = new QLabel(bar < 0 ? QString() : title.mid(bar + 1), this);
    m_caption->setVisible(bar >= 0);
    m_search = new QLineEdit(this);
    m_search->setObjectName("edtPesquisa");
    m_search->setPlaceholderText(TMessages::host().Msg("PESQUISAR"));

    QStringList columns;
    for (const auto &f : records.fields())
        if (f->visible()) columns << f->name();
    m_model = new RecordSetModel(&records, this);
    m_model->setColumns(columns);
    m_grid = new QTableView(this);
    m_grid->setObjectName("grdPesquisa");
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    if (records.recNo() >= 0)
        m_grid->selectRow(records.recNo());

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(TMessages::host().Msg("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(TMessages::host().Msg("CANCELAR"), QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addWidget(m_search);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buttons);
    resize(640, 420);

    connect(m_search, &QLineEdit::textEdited, this, [this](const QString &text) { search(text); });
    connect(m_search, &QLineEdit::returnPressed, this, &QDialog::accept);
    connect(m_grid, &QTableView::doubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int PickDialog::currentRow() const
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// Typing narrows the list to the rows where a column holds the text (in any
// case) and selects the first of them; a text found nowhere leaves the list
// as it was, and an empty one shows every row again.
bool PickDialog::search(const QString &text)
{
    const int columns = m_model->columnCount();
    const int rows = m_model->rowCount();
    if (text.isEmpty()) {
        for (int row = 0; row < rows; ++row)
            m_grid->setRowHidden(row, false);
        return false;
    }
    QList<int> matching;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            if (m_model->index(row, column).data().toString().contains(text, Qt::CaseInsensitive)) {
                matching << row;
                break;
            }
    if (matching.isEmpty())
        return false;
    for (int row = 0; row < rows; ++row)
        m_grid->setRowHidden(row, !matching.contains(row));
    m_grid->selectRow(matching.first());
    m_grid->scrollTo(m_model->index(matching.first(), 0));
    return true;
}

bool PickDialog::applyChoice()
{
    const int row = currentRow();
    if (row < 0 || row >= m_records.recordCount()) return false;
    m_records.moveTo(row);
    return true;
}

}
