// The host's Portuguese and its date edit, as an operator types and picks.
#include "host/dateeditplus.h"
#include "host/dialogs.h"
#include <QApplication>
#include <QTimer>
#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using qor::TDateEditPlus;

namespace {

QString withoutMnemonic(QString text) { return text.remove(QLatin1Char('&')); }

TEST(Portuguese, QtTextsAndFormatsAreBrazilian)
{
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(withoutMnemonic(box.button(QDialogButtonBox::Cancel)->text()), QStringLiteral("Cancelar"));
    EXPECT_EQ(withoutMnemonic(box.button(QDialogButtonBox::Yes)->text()), QStringLiteral("Sim"));
    EXPECT_EQ(withoutMnemonic(box.button(QDialogButtonBox::No)->text()), QStringLiteral("Não"));
    const QLocale locale;
    EXPECT_EQ(locale.monthName(12), QStringLiteral("dezembro"));
    EXPECT_EQ(locale.toString(1234.5, 'f', 1), QStringLiteral("1.234,5"));
    EXPECT_EQ(locale.toString(QDate(2026, 12, 8), QLocale::ShortFormat), QStringLiteral("08/12/2026"));
    TDateEditPlus edit;
    EXPECT_EQ(edit.calendar()->locale().name(), QStringLiteral("pt_BR"));
    EXPECT_EQ(edit.calendar()->firstDayOfWeek(), Qt::Sunday);
}

TEST(DateEditPlus, ReadsWholeDatesOnly)
{
    const QDate expected(2026, 12, 8);
    EXPECT_EQ(TDateEditPlus::parse(QStringLiteral("08/12/2026")), expected);
    EXPECT_EQ(TDateEditPlus::parse(QStringLiteral("8/12/2026")), expected);
    EXPECT_EQ(TDateEditPlus::parse(QStringLiteral("08122026")), expected);
    EXPECT_EQ(TDateEditPlus::parse(QStringLiteral(" 08/12/2026 ")), expected);
    for (const char *bad : {"", "31/02/2026", "08/12/26", "0812202", "08/12", "1/1/02026", "08//2026", "123/1/2026"})
        EXPECT_FALSE(TDateEditPlus::parse(QString::fromLatin1(bad)).isValid()) << bad;
}

TEST(DateEditPlus, TypedDateIsReadAndBlankIsNoDate)
{
    TDateEditPlus edit;
    QSignalSpy changed(&edit, &TDateEditPlus::dateChanged);
    EXPECT_TRUE(edit.isBlank());
    EXPECT_FALSE(edit.date().isValid());
    EXPECT_TRUE(edit.hasValidText());

    QTest::keyClicks(edit.lineEdit(), QStringLiteral("08/12/2026"));
    EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("08/12/2026"));
    EXPECT_EQ(edit.date(), QDate(2026, 12, 8));
    EXPECT_EQ(changed.count(), 1) << "one change, when the date became whole";

    edit.lineEdit()->clear();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("1a5/0x1/2027"));
    EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("15/01/2027")) << "letters are refused";
    edit.lineEdit()->clear();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("08122026"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("08/12/2026")) << "digits only are shown as a date";

    edit.lineEdit()->setText(QStringLiteral("08/12"));
    EXPECT_FALSE(edit.hasValidText());
    EXPECT_FALSE(edit.date().isValid());
    edit.clear();
    EXPECT_TRUE(edit.isBlank());
    EXPECT_TRUE(edit.hasValidText());
}

TEST(DateEditPlus, CalendarOpensAtTodayOrTheDateAndPicks)
{
    TDateEditPlus edit;
    edit.show();
    edit.calendarButton()->click();
    ASSERT_TRUE(edit.calendarShown());
    const QDate today = QDate::currentDate();
    EXPECT_EQ(edit.calendar()->yearShown(), today.year());
    EXPECT_EQ(edit.calendar()->monthShown(), today.month());
    emit edit.calendar()->activated(QDate(2027, 3, 15));
    EXPECT_FALSE(edit.calendarShown());
    EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("15/03/2027"));

    edit.setDate(QDate(2025, 7, 4));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit.calendarShown());
    EXPECT_EQ(edit.calendar()->monthShown(), 7);
    EXPECT_EQ(edit.calendar()->selectedDate(), QDate(2025, 7, 4));
}

TEST(DateEditPlus, EnterInADialogPressesItsDefaultButton)
{
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    auto *edit = new TDateEditPlus(&dialog);
    auto *ok = new QPushButton(QStringLiteral("Ok"), &dialog);
    ok->setDefault(true);
    layout->addWidget(edit);
    layout->addWidget(ok);
    QSignalSpy pressed(ok, &QPushButton::clicked);
    dialog.show();
    QTest::keyClicks(edit->lineEdit(), QStringLiteral("01022026"));
    QTest::keyClick(edit->lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_EQ(edit->date(), QDate(2026, 2, 1));
}

// Presses key in the message box the seam is about to show.
int answerWith(Qt::Key key, int defaultButton, int escapeButton = -1)
{
    qor::DialogRequest request;
    request.escapeButton = escapeButton;
    request.kind = qor::DialogRequest::Confirmation;
    request.text = QStringLiteral("Confirma?");
    request.buttons = {QStringLiteral("Um"), QStringLiteral("Dois"), QStringLiteral("Três")};
    request.defaultButton = defaultButton;
    QTimer::singleShot(0, [key] {
        if (QWidget *box = QApplication::activeModalWidget())
            QTest::keyClick(box, key);
    });
    return qor::CreateInteractiveSeam()->show(request);
}

TEST(MessageBoxes, EnterPressesTheDefaultAndEscapeTheLastButton)
{
    EXPECT_EQ(answerWith(Qt::Key_Return, -1), 0) << "no default named: the first button";
    EXPECT_EQ(answerWith(Qt::Key_Return, 1), 1);
    EXPECT_EQ(answerWith(Qt::Key_Escape, 0), 2);
    EXPECT_EQ(answerWith(Qt::Key_Escape, 0, qor::DialogRequest::NoButton), -1) << "Escape picks no button";
    EXPECT_EQ(answerWith(Qt::Key_Return, 1, qor::DialogRequest::NoButton), 1);
}

}
