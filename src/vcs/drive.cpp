#include "vcs/drive.h"
#include <algorithm>

namespace vcs {

bool TemUnidade(const QString &path)
{
    return path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

QString ComUnidade(const QString &path)
{
    return TemUnidade(path) ? path : QStringLiteral("c:") + path;
}

QString NomeDoArquivo(const QString &path)
{
    const qsizetype barra = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(barra + 1);
}

QString DiretorioDe(const QString &path)
{
    return path.left(path.lastIndexOf(u'\\'));
}

}
