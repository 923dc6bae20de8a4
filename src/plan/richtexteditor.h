#pragma once
// A rich-text editor with a small formatting bar: bold, italic, underline,
// bulleted and numbered lists, and a few text colours.
#include <QWidget>

class QTextEdit;
class QToolButton;
class QTextCharFormat;

namespace plan {

class RichTextEditor : public QWidget {
    Q_OBJECT
public:
    explicit RichTextEditor(QWidget *parent = nullptr);

    // The stored form of the text: the document as HTML, or an empty text
    // when the document holds no characters.
    QString storedText() const;
    // Shows a stored text: HTML as formatted text, anything else as plain text.
    void setStoredText(const QString &text);
    // The characters typed, without formatting.
    QString plainText() const;

    QTextEdit *edit() const { return m_edit; }
    QToolButton *bold() const { return m_bold; }
    QToolButton *italic() const { return m_italic; }
    QToolButton *underline() const { return m_underline; }
    QToolButton *bulletList() const { return m_bullets; }
    QToolButton *numberedList() const { return m_numbers; }
    QToolButton *colour() const { return m_colour; }

    // Formatting of the selection (or of what is typed next).
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void toggleList(bool numbered);
    void setColour(const QColor &colour);

signals:
    // The operator changed the text (typing or formatting), not setStoredText.
    void edited();

private:
    QToolButton *button(const char *name, const char *hintKey, const QString &text);
    void merge(const QTextCharFormat &format);
    void showCurrentFormat();

    QTextEdit *m_edit;
    QToolButton *m_bold, *m_italic, *m_underline, *m_bullets, *m_numbers, *m_colour;
    bool m_loading = false;
};

}
