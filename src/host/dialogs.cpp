#include "host/dialogs.h"
#include "host/messages.h"
#include "host/pickdialog.h"
#include "host/services.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextStream>

#include <cstdio>

namespace qor {

namespace {

std::unique_ptr<DialogSeam> &installedSeam()
{
    static std::unique_ptr<DialogSeam> seam;
    return seam;
}

QMessageBox::Icon iconOf(DialogRequest::Kind kind)
{
    switch (kind) {
    case DialogRequest::Error:
    case DialogRequest::Detail: return QMessageBox::Critical;
    case DialogRequest::Warning: return QMessageBox::Warning;
    case DialogRequest::Confirmation:
    case DialogRequest::Question: return QMessageBox::Question;
    default: return QMessageBox::Information;
    }
}

QString kindName(DialogRequest::Kind kind)
{
    static const char *const names[] = {"erro", "aviso", "informação", "confirmação", "pergunta",
                                        "erro detalhado", "pesquisa", "janela", "procura"};
    return QString::fromUtf8(names[kind]);
}

// The interactive host: message boxes and modal windows.
class InteractiveSeam : public DialogSeam {
public:
    int show(const DialogRequest &request) override
    {
        QMessageBox box(iconOf(request.kind), request.title.isEmpty() ? ApplicationTitle() : request.title,
                        request.text, QMessageBox::NoButton, QApplication::activeWindow());
        if (!request.detail.isEmpty())
            box.setInformativeText(request.detail);
        QStringList captions = request.buttons;
        if (captions.isEmpty())
            captions << QStringLiteral("OK");
        std::vector<QPushButton *> buttons;
        for (const QString &caption : captions)
            buttons.push_back(box.addButton(caption, QMessageBox::ActionRole));
        const int count = int(buttons.size());
        // Enter always has a button to press: the first one unless told otherwise.
        const int enter = request.defaultButton >= 0 && request.defaultButton < count ? request.defaultButton : 0;
        box.setDefaultButton(buttons[size_t(enter)]);
        int escape = request.escapeButton >= 0 && request.escapeButton < count ? request.escapeButton : count - 1;
        if (request.escapeButton == DialogRequest::NoButton) {
            // A hidden button takes Escape and the close box: the box answers none.
            QPushButton *none = box.addButton(QMessageBox::Cancel);
            none->hide();
            box.setEscapeButton(none);
            escape = -1;
        } else {
            box.setEscapeButton(buttons[size_t(escape)]);
        }
        if (request.minimumWidth > 0) {
            // QMessageBox sizes itself from its layout: a spacer sets the minimum.
            const int pixels = QFontMetrics(box.font()).averageCharWidth() * request.minimumWidth;
            if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
                grid->addItem(new QSpacerItem(pixels, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                              grid->rowCount(), 0, 1, grid->columnCount());
        }
        box.exec();
        for (int i = 0; i < count; ++i)
            if (box.clickedButton() == buttons[size_t(i)])
                return i;
        return escape;
    }

    bool pick(const QString &title, RecordSet &records) override
    {
        PickDialog dialog(title, records, QApplication::activeWindow());
        return dialog.exec() == QDialog::Accepted && dialog.applyChoice();
    }

    int execModal(QDialog &dialog) override { return dialog.exec(); }
};

// Without a user interface: the requests are written out and get the default answers.
class ConsoleSeam : public DialogSeam {
public:
    int show(const DialogRequest &request) override
    {
        QString line = QStringLiteral("[%1] %2").arg(kindName(request.kind), request.text);
        if (!request.detail.isEmpty())
            line += QStringLiteral("\n  %1").arg(request.detail);
        if (!request.buttons.isEmpty())
            line += QStringLiteral(" (%1 -> %2)").arg(request.buttons.join('/'), request.buttons.first());
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        return 0;
    }
    bool pick(const QString &, RecordSet &) override { return false; }
    int execModal(QDialog &) override { return QDialog::Rejected; }
};

} // namespace

std::unique_ptr<DialogSeam> SetDialogSeam(std::unique_ptr<DialogSeam> seam)
{
    std::unique_ptr<DialogSeam> previous = std::move(installedSeam());
    installedSeam() = std::move(seam);
    return previous;
}

DialogSeam &Dialogs()
{
    auto &seam = installedSeam();
    if (!seam)
        seam = qobject_cast<QApplication *>(QCoreApplication::instance()) ? CreateInteractiveSeam() : CreateConsoleSeam();
    return *seam;
}

std::unique_ptr<DialogSeam> CreateInteractiveSeam() { return std::make_unique<InteractiveSeam>(); }
std::unique_ptr<DialogSeam> CreateConsoleSeam() { return std::make_unique<ConsoleSeam>(); }

// ---- ScriptedDialogs -----------------------------------------------------------------

int ScriptedDialogs::show(const DialogRequest &request)
{
    shown.push_back(request);
    if (m_answers.empty())
        return 0;
    const int answer = m_answers.front();
    m_answers.erase(m_answers.begin());
    return answer;
}

bool ScriptedDialogs::pick(const QString &title, RecordSet &records)
{
    DialogRequest request;
    request.kind = DialogRequest::Search;
    request.title = title;
    shown.push_back(request);
    return onPick ? onPick(records) : false;
}

int ScriptedDialogs::execModal(QDialog &dialog)
{
    DialogRequest request;
    request.kind = DialogRequest::Modal;
    request.title = dialog.windowTitle();
    shown.push_back(request);
    return onModal ? onModal(dialog) : int(QDialog::Accepted);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const DialogRequest &r : shown)
        out << r.text;
    return out;
}

int ScriptedDialogs::count(DialogRequest::Kind kind) const
{
    return int(std::count_if(shown.begin(), shown.end(), [kind](const DialogRequest &r) { return r.kind == kind; }));
}

ScopedScriptedDialogs::ScopedScriptedDialogs()
{
    auto seam = std::make_unique<ScriptedDialogs>();
    m_seam = seam.get();
    m_previous = SetDialogSeam(std::move(seam));
}

ScopedScriptedDialogs::~ScopedScriptedDialogs() { SetDialogSeam(std::move(m_previous)); }

}
