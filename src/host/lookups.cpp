#include "host/dialogs.h"
#include "host/finddialog.h"
#include "host/messages.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"
#include "host/services.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QTableView>

namespace qor {

// ---- FindDialog -------------------------------------------------------------------

FindDialog::FindDialog(const RecordSet &records, QWidget *parent) : QDialog(parent)
{
    setObjectName("frmProcura");
    setWindowTitle(TMessages::host().Msg("PROCURAR"));
    m_field = new QComboBox(this);
    m_field->setObjectName("cmbCampo");
    for (const auto &f : records.fields())
        if (f->visible()) m_field->addItem(f->label(), f->name());
    m_text = new QLineEdit(this);
    m_text->setObjectName("edtTexto");
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(TMessages::host().Msg("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(TMessages::host().Msg("CANCELAR"), QDialogButtonBox::RejectRole);
    auto *layout = new QFormLayout(this);
    layout->addRow(TMessages::host().Msg("CAMPO"), m_field);
    layout->addRow(TMessages::host().Msg("TEXTO"), m_text);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString FindDialog::fieldName() const { return m_field->currentData().toString(); }
QString FindDialog::text() const { return m_text->text(); }

void FindDialog::setFieldName(const QString &name)
{
    for (int i = 0; i < m_field->count(); ++i)
        if (m_field->itemData(i).toString().compare(name, Qt::CaseInsensitive) == 0) m_field->setCurrentIndex(i);
}

void FindDialog::setText(const QString &text) { m_text->setText(text); }

// ---- Look-up services ---------------------------------------------------------------

bool Pesquisar(RecordSet &records, const QString &title, bool, bool)
{
    return Dialogs().pick(title, records);
}

bool Procura(RecordSet &records, QWidget *parent)
{
    FindDialog dialog(records, parent);
    if (Dialogs().execModal(dialog) != QDialog::Accepted || dialog.fieldName().isEmpty() || dialog.text().isEmpty())
        return false;
    if (records.locate(dialog.fieldName(), {dialog.text()}, CaseInsensitive | PartialKey))
        return true;
    ShowWarning(TMessages::host().Msg("REGISTRO_NAO_ENCONTRADO"));
    return false;
}

int IndiceCol(QTableView *grid, const QString &fieldName)
{
    if (!grid || !grid->model()) return -1;
    if (auto *model = qobject_cast<RecordSetModel *>(grid->model())) {
        for (int c = 0; c < model->columns().size(); ++c)
            if (model->columns().at(c).compare(fieldName, Qt::CaseInsensitive) == 0) return c;
        return -1;
    }
    const QAbstractItemModel *model = grid->model();
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal).toString().compare(fieldName, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

static QString digitsOf(const QString &text)
{
    QString out;
    for (QChar c : text)
        if (c.isDigit()) out += c;
    return out;
}

static QString applyMask(const QString &digits, const QString &mask)
{
    QString out;
    int d = 0;
    for (QChar m : mask) out += m == '9' ? digits.at(d++) : m;
    return out;
}

QString PictPess(const QString &registration, const QString &personType)
{
    for (QChar c : registration)
        if (!c.isDigit() && !QStringLiteral(".-/ ").contains(c)) return registration;
    const QString digits = digitsOf(registration);
    const QString type = personType.trimmed().toUpper();
    if (digits.size() == 11 && type != "J") return applyMask(digits, "999.999.999-99");
    if (digits.size() == 14 && type != "F") return applyMask(digits, "99.999.999/9999-99");
    return registration;
}

QString PictPess(const QString &registration) { return PictPess(registration, QString()); }

}
