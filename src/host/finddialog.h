#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;

namespace qor {

class RecordSet;

// The host's find dialog: a field of the record set and the text to look for.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(const RecordSet &records, QWidget *parent = nullptr);

    QString fieldName() const;          // the chosen field's name
    QString text() const;
    void setFieldName(const QString &name);
    void setText(const QString &text);

private:
    QComboBox *m_field;
    QLineEdit *m_text;
};

}
