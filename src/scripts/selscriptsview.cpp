// The look of TfrmSelScripts: the base directory, the tree and the file list
// on the left, the include/remove buttons, the chosen files on the right.
#include "scripts/selscripts.h"
#include "scripts/scriptvars.h"
#include "host/recordsetmodel.h"
#include "host/services.h"
#include "vcs/drive.h"
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace scripts {

namespace {

QToolButton *toolButton(QWidget *parent, const char *name, const QString &text, const char *hintKey)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolTip(ScriptTexts().Msg(QLatin1String(hintKey)));
    button->setMinimumWidth(36);
    return button;
}

}

void TfrmSelScripts::buildUi()
{
    auto *root = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(ScriptTexts().Msg(QStringLiteral("ROTULO_DIRETORIO")), this);
    edtDiretorio = new QLineEdit(this);
    edtDiretorio->setObjectName(QStringLiteral("edtDiretorio"));
    edtDiretorio->setEnabled(false);
    label->setBuddy(edtDiretorio);
    top->addWidget(label);
    top->addWidget(edtDiretorio, 1);
    root->addLayout(top);

    auto *middle = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    dlbDiretorio = new QListWidget(this);
    dlbDiretorio->setObjectName(QStringLiteral("dlbDiretorio"));
    flbArquivos = new QListWidget(this);
    flbArquivos->setObjectName(QStringLiteral("flbArquivos"));
    flbArquivos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    left->addWidget(dlbDiretorio, 1);
    left->addWidget(flbArquivos, 1);
    middle->addLayout(left, 2);

    auto *buttons = new QVBoxLayout;
    tbtIncluiPatch = toolButton(this, "tbtIncluiPatch", QStringLiteral(">"), "DICA_INCLUI_SELECIONADOS");
    tbtTIncluiPatch = toolButton(this, "tbtTIncluiPatch", QStringLiteral(">>"), "DICA_INCLUI_TODOS");
    tbtLimpaPatch = toolButton(this, "tbtLimpaPatch", QStringLiteral("<"), "DICA_APAGA_SELECIONADOS");
    tbtTLimpaPatch = toolButton(this, "tbtTLimpaPatch", QStringLiteral("<<"), "DICA_APAGA_TODOS");
    buttons->addStretch();
    for (QToolButton *b : {tbtIncluiPatch, tbtTIncluiPatch, tbtLimpaPatch, tbtTLimpaPatch})
        buttons->addWidget(b);
    buttons->addStretch();
    middle->addLayout(buttons);

    dbgArquivos = new QTableView(this);
    dbgArquivos->setObjectName(QStringLiteral("dbgArquivos"));
    m_modelo = new qor::RecordSetModel(&cdsArquivos, this);
    m_modelo->setColumns({QStringLiteral("NMFILE")});
    dbgArquivos->setModel(m_modelo);
    dbgArquivos->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgArquivos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dbgArquivos->horizontalHeader()->setStretchLastSection(true);
    dbgArquivos->verticalHeader()->hide();
    m_modelo->syncCursor(dbgArquivos);
    middle->addWidget(dbgArquivos, 3);
    root->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    sbtConfirma = new QPushButton(ScriptTexts().Msg(QStringLiteral("BOTAO_CONFIRMAR")), this);
    sbtConfirma->setObjectName(QStringLiteral("sbtConfirma"));
    sbtConfirma->setDefault(true);
    sbtCancel = new QPushButton(ScriptTexts().Msg(QStringLiteral("CANCELAR")), this);
    sbtCancel->setObjectName(QStringLiteral("sbtCancel"));
    sbtCancel->setAutoDefault(false);
    bottom->addStretch();
    bottom->addWidget(sbtConfirma);
    bottom->addWidget(sbtCancel);
    root->addLayout(bottom);
    resize(820, 520);

    const auto on = [](auto handler) { return [handler] { qor::guarded(handler); }; };
    connect(tbtIncluiPatch, &QToolButton::clicked, this, on([this] { tbtIncluiPatchClick(); }));
    connect(tbtTIncluiPatch, &QToolButton::clicked, this, on([this] { tbtTIncluiPatchClick(); }));
    connect(tbtLimpaPatch, &QToolButton::clicked, this, on([this] { tbtLimpaPatchClick(); }));
    connect(tbtTLimpaPatch, &QToolButton::clicked, this, on([this] { tbtTLimpaPatchClick(); }));
    connect(sbtConfirma, &QPushButton::clicked, this, on([this] { sbtConfirmaClick(); }));
    connect(sbtCancel, &QPushButton::clicked, this, on([this] { sbtCancelClick(); }));
    connect(dlbDiretorio, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QString path = item->data(Qt::UserRole).toString();
        qor::guarded([this, path] { dlbDiretorioChange(path); });
    });
    connect(flbArquivos, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        const QString name = item->text();
        qor::guarded([this, name] { flbArquivosDblClick(name); });
    });
    connect(dbgArquivos, &QTableView::doubleClicked, this, on([this] { dbgArquivosDblClick(); }));
    for (QWidget *w : {static_cast<QWidget *>(dlbDiretorio), static_cast<QWidget *>(flbArquivos),
                       static_cast<QWidget *>(dbgArquivos)})
        w->installEventFilter(this);
}

// The tree as a list: the drive and each directory down to the current one,
// indented, then the directories below it.
void TfrmSelScripts::mostraDiretorio(const QString &directory)
{
    m_dirAtual = directory;
    dlbDiretorio->clear();
    const QStringList parts = directory.split(u'\\', Qt::SkipEmptyParts);
    QString path;
    int depth = 0;
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    for (const QString &part : parts) {
        path = depth == 0 ? part + u'\\' : (depth == 1 ? path + part : path + u'\\' + part);
        auto *item = new QListWidgetItem(open, QString(depth * 2, u' ') + (depth == 0 ? path : part), dlbDiretorio);
        item->setData(Qt::UserRole, path);
        ++depth;
    }
    if (dlbDiretorio->count() > 0)
        dlbDiretorio->setCurrentRow(dlbDiretorio->count() - 1);
    for (const vcs::LogicalFs::Entry &sub : m_fs.list(directory, {}, vcs::LogicalFs::Directories)) {
        auto *item = new QListWidgetItem(folder, QString(depth * 2, u' ') + sub.name, dlbDiretorio);
        item->setData(Qt::UserRole, sub.path);
    }
    flbArquivos->clear();
    for (const vcs::LogicalFs::Entry &file : m_fs.list(directory, QLatin1String(MascaraLista), vcs::LogicalFs::Files))
        flbArquivos->addItem(file.name);
}

QStringList TfrmSelScripts::arquivosDaLista() const
{
    QStringList names;
    for (int row = 0; row < flbArquivos->count(); ++row)
        names << flbArquivos->item(row)->text();
    return names;
}

void TfrmSelScripts::selecionaArquivos(const QStringList &names)
{
    for (int row = 0; row < flbArquivos->count(); ++row)
        flbArquivos->item(row)->setSelected(names.contains(flbArquivos->item(row)->text()));
}

void TfrmSelScripts::selecionaEscolhidos(const QList<int> &rows)
{
    dbgArquivos->clearSelection();
    for (int row : rows)
        dbgArquivos->selectionModel()->select(m_modelo->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TfrmSelScripts::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        qor::guarded([this] { sbtCancelClick(); });
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        qor::guarded([this] { ColetaArquivos(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

// Ctrl+A collects the files below the current directory wherever the focus
// is, instead of selecting a list's rows.
bool TfrmSelScripts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::SelectAll)) {
        qor::guarded([this] { ColetaArquivos(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}
