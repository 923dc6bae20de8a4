#pragma once
// The host's date edit: a date typed as DD/MM/YYYY (or its eight digits) or
// picked from a calendar; blank stands for "no date".
#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QFrame;
class QLineEdit;
class QToolButton;

namespace qor {

class TDateEditPlus : public QWidget {
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget *parent = nullptr);

    // Null when blank or when the text is not a whole date.
    QDate date() const;
    void setDate(const QDate &date);   // a null date blanks the edit
    void clear() { setDate(QDate()); }
    bool isBlank() const;
    // Blank or a whole date: anything else is a typing error.
    bool hasValidText() const;

    // "08/12/2026", "8/12/2026" and "08122026" read as 8 December 2026; null otherwise.
    static QDate parse(const QString &text);
    static QString format(const QDate &date);

    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *calendarButton() const { return m_button; }
    QCalendarWidget *calendar() const { return m_calendar; }
    bool calendarShown() const;
    // Opens at the edit's date, or at today when there is none (also Alt+Down or F4).
    void showCalendar();

signals:
    void dateChanged(const QDate &date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void normalise();
    void pick(const QDate &date);

    QLineEdit *m_edit;
    QToolButton *m_button;
    QFrame *m_popup;
    QCalendarWidget *m_calendar;
    QDate m_last;
};

}
