#pragma once
#include <QFrame>

class QLabel;

namespace qor {

// The host's busy indicator: a small frameless panel with a caption and a
// running bar, kept centred over the window it covers.
class BusyPanel : public QFrame {
    Q_OBJECT
public:
    explicit BusyPanel(QWidget *over);
    void setCaption(const QString &caption);
    QString caption() const;
    void placeOver(QWidget *over);

private:
    QLabel *m_caption;
};

}
