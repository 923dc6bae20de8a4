#include "history/diff/diffwindow.h"
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

static void initDiffTexts() { Q_INIT_RESOURCE(diff); }

namespace history {

namespace {

const QColor kRemoved(0xf8, 0xcb, 0xcb), kAdded(0xcc, 0xf0, 0xcc), kChanged(0xfa, 0xef, 0xb0), kGap(0xee, 0xee, 0xee);

QHash<QString, QString> loadTexts()
{
    initDiffTexts();
    QHash<QString, QString> texts;
    QFile file(QStringLiteral(":/diff/diff.msg"));
    if (!file.open(QIODevice::ReadOnly)) return texts;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const qsizetype bar = line.indexOf(u'|');
        if (line.startsWith(u'#') || bar <= 0) continue;
        texts.insert(line.left(bar), line.mid(bar + 1));
    }
    return texts;
}

}

QString DiffWindow::text(const char *key)
{
    static const QHash<QString, QString> texts = loadTexts();
    return texts.value(QString::fromLatin1(key));
}

DiffWindow::DiffWindow(const QString &leftTitle, const QStringList &left, const QString &rightTitle,
                       const QStringList &right, QWidget *parent)
    : QWidget(parent), m_rows(SideBySide(left, right))
{
    setObjectName(QStringLiteral("apr-diff"));
    setWindowTitle(text("TITULO"));
    auto *layout = new QVBoxLayout(this);
    auto *titles = new QHBoxLayout;
    auto *leftLabel = new QLabel(leftTitle, this);
    auto *rightLabel = new QLabel(rightTitle, this);
    leftLabel->setObjectName(QStringLiteral("lblEsquerda"));
    rightLabel->setObjectName(QStringLiteral("lblDireita"));
    titles->addWidget(leftLabel, 1);
    titles->addWidget(rightLabel, 1);
    layout->addLayout(titles);
    auto *panes = new QHBoxLayout;
    m_left = pane(QStringLiteral("edtEsquerda"));
    m_right = pane(QStringLiteral("edtDireita"));
    panes->addWidget(m_left, 1);
    panes->addWidget(m_right, 1);
    layout->addLayout(panes, 1);
    fill(m_left, left, true);
    fill(m_right, right, false);
    // One scroll bar moves both versions.
    connect(m_left->verticalScrollBar(), &QScrollBar::valueChanged, m_right->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_right->verticalScrollBar(), &QScrollBar::valueChanged, m_left->verticalScrollBar(), &QScrollBar::setValue);

    int removed = 0, added = 0, changed = 0;
    DiffRow::Kind previous = DiffRow::Same;
    for (const DiffRow &row : m_rows) {
        removed += row.kind == DiffRow::Removed;
        added += row.kind == DiffRow::Added;
        changed += row.kind == DiffRow::Changed;
        m_changes += row.kind != DiffRow::Same && previous == DiffRow::Same;
        previous = row.kind;
    }
    auto *bottom = new QHBoxLayout;
    m_summary = new QLabel(m_changes == 0 ? text("SEM_DIFERENCAS")
                                          : text("RESUMO").arg(m_changes).arg(removed).arg(added).arg(changed),
                           this);
    m_summary->setObjectName(QStringLiteral("lblResumo"));
    bottom->addWidget(m_summary, 1);
    auto *prior = new QPushButton(text("ANTERIOR"), this);
    auto *next = new QPushButton(text("PROXIMA"), this);
    auto *close = new QPushButton(text("FECHAR"), this);
    prior->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7));
    next->setShortcut(QKeySequence(Qt::Key_F7));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    for (QPushButton *b : {prior, next, close}) bottom->addWidget(b);
    layout->addLayout(bottom);
    connect(prior, &QPushButton::clicked, this, [this] { nextChange(false); });
    connect(next, &QPushButton::clicked, this, [this] { nextChange(true); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    resize(1100, 700);
}

QPlainTextEdit *DiffWindow::pane(const QString &objectName)
{
    auto *edit = new QPlainTextEdit(this);
    edit->setObjectName(objectName);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return edit;
}

// Each row is one line of the pane, a gap an empty grey line, so both sides stay level.
void DiffWindow::fill(QPlainTextEdit *pane, const QStringList &lines, bool leftSide)
{
    QStringList shown;
    shown.reserve(m_rows.size());
    const int width = int(QString::number(lines.size()).size());
    for (const DiffRow &row : m_rows) {
        const int index = leftSide ? row.left : row.right;
        shown << (index < 0 ? QString() : QStringLiteral("%1  %2").arg(index + 1, width).arg(lines.value(index)));
    }
    pane->setPlainText(shown.join(u'\n'));
    QList<QTextEdit::ExtraSelection> marks;
    QTextBlock block = pane->document()->firstBlock();
    for (const DiffRow &row : m_rows) {
        const int index = leftSide ? row.left : row.right;
        QColor colour;
        if (index < 0) colour = kGap;
        else if (row.kind == DiffRow::Changed) colour = kChanged;
        else if (row.kind == DiffRow::Removed) colour = kRemoved;
        else if (row.kind == DiffRow::Added) colour = kAdded;
        if (colour.isValid()) {
            QTextEdit::ExtraSelection mark;
            mark.format.setBackground(colour);
            mark.format.setProperty(QTextFormat::FullWidthSelection, true);
            mark.cursor = QTextCursor(block);
            marks << mark;
        }
        block = block.next();
    }
    pane->setExtraSelections(marks);
}

void DiffWindow::nextChange(bool forward)
{
    const int current = m_left->textCursor().blockNumber();
    const int n = int(m_rows.size());
    for (int step = 1; step <= n; ++step) {
        const int i = forward ? current + step : current - step;
        if (i < 0 || i >= n) break;
        const bool starts = m_rows[i].kind != DiffRow::Same && (i == 0 || m_rows[i - 1].kind == DiffRow::Same);
        if (!starts) continue;
        for (QPlainTextEdit *p : {m_left, m_right}) {
            QTextCursor cursor(p->document()->findBlockByNumber(i));
            p->setTextCursor(cursor);
            p->centerCursor();
        }
        return;
    }
}

}
