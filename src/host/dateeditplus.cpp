#include "host/dateeditplus.h"
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace qor {

namespace {
const QString kFormat = QStringLiteral("dd/MM/yyyy");
}

TDateEditPlus::TDateEditPlus(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("edtData"));
    m_edit->setMaxLength(10);
    m_edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/]{0,10}")), m_edit));
    m_edit->setPlaceholderText(QStringLiteral("DD/MM/AAAA"));
    m_edit->installEventFilter(this);
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("btnCalendario"));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    row->addWidget(m_edit, 1);
    row->addWidget(m_button);
    setFocusProxy(m_edit);
    // Wide enough for a whole date whatever the font.
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 12);

    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setFrameShape(QFrame::Box);
    auto *popupLayout = new QVBoxLayout(m_popup);
    popupLayout->setContentsMargins(1, 1, 1, 1);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setObjectName(QStringLiteral("calData"));
    m_calendar->setGridVisible(true);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setFirstDayOfWeek(locale().firstDayOfWeek());
    popupLayout->addWidget(m_calendar);

    connect(m_button, &QToolButton::clicked, this, &TDateEditPlus::showCalendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &TDateEditPlus::pick);
    connect(m_calendar, &QCalendarWidget::activated, this, &TDateEditPlus::pick);
    connect(m_edit, &QLineEdit::editingFinished, this, &TDateEditPlus::normalise);
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        const QDate now = date();
        if (now != m_last) {
            m_last = now;
            emit dateChanged(now);
        }
    });
}

QDate TDateEditPlus::parse(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() == 8 && !t.contains(QLatin1Char('/')))
        return QDate::fromString(t, QStringLiteral("ddMMyyyy"));
    const QStringList parts = t.split(QLatin1Char('/'));
    if (parts.size() != 3 || parts[2].size() != 4)
        return {};
    bool okDay = false, okMonth = false, okYear = false;
    const int day = parts[0].toInt(&okDay), month = parts[1].toInt(&okMonth), year = parts[2].toInt(&okYear);
    if (!okDay || !okMonth || !okYear || parts[0].size() > 2 || parts[1].size() > 2)
        return {};
    const QDate d(year, month, day);
    return d.isValid() ? d : QDate();
}

QString TDateEditPlus::format(const QDate &date)
{
    return date.isValid() ? date.toString(kFormat) : QString();
}

QDate TDateEditPlus::date() const { return parse(m_edit->text()); }

void TDateEditPlus::setDate(const QDate &date) { m_edit->setText(format(date)); }

bool TDateEditPlus::isBlank() const { return m_edit->text().trimmed().isEmpty(); }

bool TDateEditPlus::hasValidText() const { return isBlank() || date().isValid(); }

void TDateEditPlus::normalise()
{
    const QDate d = date();
    if (d.isValid() && m_edit->text() != format(d))
        setDate(d);
}

bool TDateEditPlus::calendarShown() const { return m_popup->isVisible(); }

void TDateEditPlus::showCalendar()
{
    const QDate shown = date().isValid() ? date() : QDate::currentDate();
    m_calendar->setSelectedDate(shown);
    m_calendar->setCurrentPage(shown.year(), shown.month());
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus();
}

void TDateEditPlus::pick(const QDate &date)
{
    setDate(date);
    m_popup->hide();
    m_edit->setFocus();
}

bool TDateEditPlus::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool altDown = key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier);
        if (altDown || (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier)) {
            showCalendar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}
