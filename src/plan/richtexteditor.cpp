#include "plan/richtexteditor.h"
#include "plan/plantooltips.h"
#include <QHBoxLayout>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QToolButton>
#include <QVBoxLayout>

namespace plan {

namespace {

QString msg(const char *key) { return AnswerTexts().Msg(QString::fromLatin1(key)); }

struct NamedColour {
    const char *key;
    QRgb rgb;
};
const NamedColour colours[] = {{"COR_PRETO", 0x000000}, {"COR_VERMELHO", 0xc00000}, {"COR_AZUL", 0x0040c0},
                               {"COR_VERDE", 0x008000}, {"COR_LARANJA", 0xe07000}};

}

RichTextEditor::RichTextEditor(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    m_bold = button("tbtNegrito", "FMT_NEGRITO", QStringLiteral("N"));
    m_italic = button("tbtItalico", "FMT_ITALICO", QStringLiteral("I"));
    m_underline = button("tbtSublinhado", "FMT_SUBLINHADO", QStringLiteral("S"));
    m_bullets = button("tbtLista", "FMT_LISTA", QStringLiteral("•"));
    m_numbers = button("tbtListaNumerada", "FMT_NUMERADA", QStringLiteral("1."));
    m_colour = button("tbtCor", "FMT_COR", QStringLiteral("A"));
    QFont font = m_bold->font();
    font.setBold(true);
    m_bold->setFont(font);
    font.setBold(false);
    font.setItalic(true);
    m_italic->setFont(font);
    font.setItalic(false);
    font.setUnderline(true);
    m_underline->setFont(font);
    for (QToolButton *b : {m_bold, m_italic, m_underline})
        b->setCheckable(true);
    auto *menu = new QMenu(m_colour);
    for (const NamedColour &c : colours) {
        QPixmap swatch(12, 12);
        swatch.fill(QColor(c.rgb));
        const QColor colour(c.rgb);
        menu->addAction(QIcon(swatch), msg(c.key), this, [this, colour] { setColour(colour); });
    }
    m_colour->setMenu(menu);
    m_colour->setPopupMode(QToolButton::InstantPopup);
    for (QToolButton *b : {m_bold, m_italic, m_underline, m_bullets, m_numbers, m_colour})
        bar->addWidget(b);
    bar->addStretch();
    layout->addLayout(bar);

    m_edit = new QTextEdit(this);
    m_edit->setObjectName(QStringLiteral("dbrResposta"));
    m_edit->setAcceptRichText(true);
    m_edit->setTabChangesFocus(true);
    layout->addWidget(m_edit, 1);

    connect(m_bold, &QToolButton::clicked, this, &RichTextEditor::toggleBold);
    connect(m_italic, &QToolButton::clicked, this, &RichTextEditor::toggleItalic);
    connect(m_underline, &QToolButton::clicked, this, &RichTextEditor::toggleUnderline);
    connect(m_bullets, &QToolButton::clicked, this, [this] { toggleList(false); });
    connect(m_numbers, &QToolButton::clicked, this, [this] { toggleList(true); });
    connect(m_edit, &QTextEdit::currentCharFormatChanged, this, [this] { showCurrentFormat(); });
    connect(m_edit, &QTextEdit::textChanged, this, [this] {
        if (!m_loading)
            emit edited();
    });
}

QToolButton *RichTextEditor::button(const char *name, const char *hintKey, const QString &text)
{
    auto *b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(msg(hintKey));
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    return b;
}

QString RichTextEditor::storedText() const
{
    return m_edit->document()->isEmpty() ? QString() : m_edit->toHtml();
}

void RichTextEditor::setStoredText(const QString &text)
{
    m_loading = true;
    if (Qt::mightBeRichText(text))
        m_edit->setHtml(text);
    else
        m_edit->setPlainText(text);
    m_loading = false;
}

QString RichTextEditor::plainText() const { return m_edit->toPlainText(); }

void RichTextEditor::merge(const QTextCharFormat &format)
{
    QTextCursor cursor = m_edit->textCursor();
    cursor.mergeCharFormat(format);
    m_edit->mergeCurrentCharFormat(format);
    m_edit->setFocus();
    emit edited();
}

void RichTextEditor::toggleBold()
{
    QTextCharFormat format;
    format.setFontWeight(m_edit->fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
    merge(format);
}

void RichTextEditor::toggleItalic()
{
    QTextCharFormat format;
    format.setFontItalic(!m_edit->fontItalic());
    merge(format);
}

void RichTextEditor::toggleUnderline()
{
    QTextCharFormat format;
    format.setFontUnderline(!m_edit->fontUnderline());
    merge(format);
}

void RichTextEditor::setColour(const QColor &colour)
{
    QTextCharFormat format;
    format.setForeground(colour);
    merge(format);
}

// A paragraph in a list of the same kind leaves it; otherwise it joins one.
void RichTextEditor::toggleList(bool numbered)
{
    QTextCursor cursor = m_edit->textCursor();
    const QTextListFormat::Style style = numbered ? QTextListFormat::ListDecimal : QTextListFormat::ListDisc;
    cursor.beginEditBlock();
    QTextList *list = cursor.currentList();
    if (list && list->format().style() == style) {
        const QTextBlock block = cursor.block();
        list->remove(block);
        QTextBlockFormat plain = block.blockFormat();
        plain.setIndent(0);
        cursor.setBlockFormat(plain);
    } else {
        QTextListFormat format;
        format.setStyle(style);
        cursor.createList(format);
    }
    cursor.endEditBlock();
    m_edit->setFocus();
    emit edited();
}

void RichTextEditor::showCurrentFormat()
{
    m_bold->setChecked(m_edit->fontWeight() > QFont::Normal);
    m_italic->setChecked(m_edit->fontItalic());
    m_underline->setChecked(m_edit->fontUnderline());
}

}
