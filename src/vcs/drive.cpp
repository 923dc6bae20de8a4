#include "vcs/drive.h"

namespace vcs {

bool TemUnidade(const QString &path)
{
    return path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

QString ComUnidade(const QString &path)
{
    return TemUnidade(path) ? path : QStringLiteral("c:") + path;
}

}
