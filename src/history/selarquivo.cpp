#include "history/selarquivo.h"
#include "history/frmshowhistory.h"
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace history {

namespace {

QString msg(const char *key) { return TfrmShowHistory::Textos().Msg(QString::fromLatin1(key)); }

constexpr int kPastaRole = Qt::UserRole + 1;

// "C:/Sistemas\prod\" -> "c:\Sistemas\prod"; a drive's root keeps its "\".
QString normaliza(QString path)
{
    path = path.trimmed();
    path.replace(u'/', u'\\');
    while (path.size() > 3 && path.endsWith(u'\\')) path.chop(1);
    if (path.size() == 2) path += u'\\';
    if (vcs::PathMap::isLogical(path)) path[0] = path[0].toLower();
    return path;
}

}

TfrmSelArquivo::TfrmSelArquivo(const vcs::PathMap &paths, const QString &title, const QString &filterText,
                               const QString &masks, QWidget *parent)
    : QDialog(parent), m_paths(paths), m_fs(paths), m_mascaras(masks)
{
    setObjectName(QStringLiteral("frmSelArquivo"));
    setWindowTitle(title);
    auto *grade = new QGridLayout(this);
    grade->addWidget(new QLabel(msg("SELARQ_EXAMINAR"), this), 0, 0);
    edtPasta = new QLineEdit(this);
    edtPasta->setObjectName(QStringLiteral("edtPasta"));
    edtPasta->setReadOnly(true);
    grade->addWidget(edtPasta, 0, 1);
    btnAcima = new QPushButton(msg("SELARQ_ACIMA"), this);
    btnAcima->setObjectName(QStringLiteral("btnAcima"));
    btnAcima->setAutoDefault(false);
    grade->addWidget(btnAcima, 0, 2);
    lsbItens = new QListWidget(this);
    lsbItens->setObjectName(QStringLiteral("lsbItens"));
    grade->addWidget(lsbItens, 1, 0, 1, 3);
    grade->addWidget(new QLabel(msg("SELARQ_NOME"), this), 2, 0);
    edtNome = new QLineEdit(this);
    edtNome->setObjectName(QStringLiteral("edtNome"));
    grade->addWidget(edtNome, 2, 1);
    btnAbrir = new QPushButton(msg("SELARQ_ABRIR"), this);
    btnAbrir->setObjectName(QStringLiteral("btnAbrir"));
    btnAbrir->setDefault(true);
    grade->addWidget(btnAbrir, 2, 2);
    grade->addWidget(new QLabel(msg("SELARQ_TIPO"), this), 3, 0);
    grade->addWidget(new QLabel(filterText, this), 3, 1);
    btnCancelar = new QPushButton(msg("CANCELAR"), this);
    btnCancelar->setObjectName(QStringLiteral("btnCancelar"));
    btnCancelar->setAutoDefault(false);
    grade->addWidget(btnCancelar, 3, 2);
    lblAviso = new QLabel(this);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    grade->addWidget(lblAviso, 4, 0, 1, 3);
    resize(640, 420);

    connect(btnAcima, &QPushButton::clicked, this, [this] { abre(pai(m_pasta)); });
    connect(btnAbrir, &QPushButton::clicked, this, &TfrmSelArquivo::confirma);
    connect(btnCancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(lsbItens, &QListWidget::itemActivated, this, &TfrmSelArquivo::ativa);
    connect(lsbItens, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item && !item->data(kPastaRole).toBool()) edtNome->setText(item->text());
    });
}

QString TfrmSelArquivo::caminho(const QString &name) const
{
    return m_pasta.endsWith(u'\\') ? m_pasta + name : m_pasta + u'\\' + name;
}

QString TfrmSelArquivo::pai(const QString &folder) const
{
    const qsizetype cut = folder.lastIndexOf(u'\\');
    return cut <= 2 ? folder.left(3) : folder.left(cut);
}

bool TfrmSelArquivo::abre(const QString &logicalPath)
{
    QString path = normaliza(logicalPath);
    if (!path.isEmpty() && !vcs::PathMap::isLogical(path)) path = caminho(path);   // a name in this folder
    lblAviso->clear();
    const bool existe = vcs::PathMap::isLogical(path) && !m_paths.toHost(path).isEmpty() && m_fs.exists(path);
    if (!existe) {
        lblAviso->setText(msg("SELARQ_NAO_EXISTE").arg(logicalPath));
        return false;
    }
    QString arquivo;
    if (!m_fs.isDirectory(path)) {
        arquivo = path.mid(path.lastIndexOf(u'\\') + 1);
        path = pai(path);
    }
    m_pasta = path;
    edtPasta->setText(m_pasta);
    lista();
    edtNome->setText(arquivo);
    if (!arquivo.isEmpty()) {
        const auto found = lsbItens->findItems(arquivo, Qt::MatchFixedString);
        if (!found.isEmpty()) lsbItens->setCurrentItem(found.first());
    }
    return true;
}

void TfrmSelArquivo::lista()
{
    lsbItens->clear();
    const QIcon pasta = style()->standardIcon(QStyle::SP_DirIcon), arquivo = style()->standardIcon(QStyle::SP_FileIcon);
    for (const vcs::LogicalFs::Entry &e : m_fs.list(m_pasta, {}, vcs::LogicalFs::Directories)) {
        auto *item = new QListWidgetItem(pasta, e.name, lsbItens);
        item->setData(kPastaRole, true);
    }
    for (const vcs::LogicalFs::Entry &e : m_fs.list(m_pasta, m_mascaras, vcs::LogicalFs::Files))
        new QListWidgetItem(arquivo, e.name, lsbItens);
}

QStringList TfrmSelArquivo::itens() const
{
    QStringList out;
    for (int i = 0; i < lsbItens->count(); ++i)
        out << lsbItens->item(i)->text() + (lsbItens->item(i)->data(kPastaRole).toBool() ? QStringLiteral("\\") : QString());
    return out;
}

void TfrmSelArquivo::ativa(QListWidgetItem *item)
{
    if (!item) return;
    if (item->data(kPastaRole).toBool()) {
        abre(caminho(item->text()));
        return;
    }
    edtNome->setText(item->text());
    confirma();
}

void TfrmSelArquivo::confirma()
{
    const QString nome = edtNome->text().trimmed();
    if (nome.isEmpty()) return;
    const QString path = vcs::PathMap::isLogical(nome) ? normaliza(nome) : caminho(nome);
    if (!abre(path)) return;
    if (edtNome->text().isEmpty()) return;   // a folder: now shown
    m_escolhido = caminho(edtNome->text());
    accept();
}

}
