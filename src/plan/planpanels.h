#pragma once
// The plan page's "Dados Adicionais" and "Legenda" panels.
// Wiring: layout->addWidget(new plan::DetailsPanel(cdsPlanAtivTare, page));
//         layout->addWidget(new plan::LegendPanel(page));
#include <QGroupBox>
#include <QList>

class QLineEdit;
namespace qor { class RecordSet; }

namespace plan {

class DetailsPanel : public QGroupBox {
    Q_OBJECT
public:
    DetailsPanel(qor::RecordSet &records, QWidget *parent = nullptr);
    void refresh();
    // The shown text of a detail by field name (empty when unknown).
    QString shownText(const QString &field) const;

private:
    struct Detail { QString field; QLineEdit *edit; };
    qor::RecordSet &m_records;
    QList<Detail> m_details;
};

class LegendPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit LegendPanel(QWidget *parent = nullptr);
};

}
